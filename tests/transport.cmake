# The transport: its arithmetic on its own.
pomvik_gtest(transport_test SOURCES transport_test.cpp LIBS pomvik_core)

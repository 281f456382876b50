# The recovery copy on its own: plain core code and the file system, no window. It measures
# how soon a change reaches the disk, so it runs alone.
pomvik_gtest(recovery_test SOURCES recovery_test.cpp LIBS pomvik_core SERIAL)

pomvik_gtest(winsize_test
  SOURCES winsize_test.cpp
  LIBS pomvik_window Qt6::Widgets)

pomvik_gtest(pictures_test
  SOURCES pictures_test.cpp
  LIBS pomvik_pictures Qt6::Gui)

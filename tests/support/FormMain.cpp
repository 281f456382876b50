#include <gtest/gtest.h>

#include "tests/support/FormFixture.h"

// The application lives on main's stack so that it goes before Qt's own statics do.
int main(int argc, char** argv) {
  // Test discovery runs the program outside ctest's environment, and there is no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  UseTestScale(argc, argv);
  TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

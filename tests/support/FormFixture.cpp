#include "tests/support/FormFixture.h"

#include <gtest/gtest.h>

// Windows under test never reach a real sound card, whatever the environment names; those
// that need sound use the offline device, which mixes with OpenAL Soft's defaults.
#include "tests/support/NeutralOpenAl.h"

TApplication& TestApplication() {
  return *static_cast<TApplication*>(QCoreApplication::instance());
}

// The application lives on main's stack so that it goes before Qt's own statics do.
int main(int argc, char** argv) {
  // Test discovery runs the program outside ctest's environment, and there is no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "tests/support/FormFixture.h"

#include <cstring>

// Windows under test have no sound device unless a test registers a live output of its own;
// those that listen use the offline device or such an output.

TApplication& TestApplication() {
  return *static_cast<TApplication*>(QCoreApplication::instance());
}

void UseTestScale(int& argc, char** argv) {
  QByteArray scale = "1";
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--scale=", 8) == 0)
      scale = argv[i] + 8;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  argv[argc] = nullptr;
  qputenv("QT_SCALE_FACTOR", scale);
  for (const char* name : {"QT_SCREEN_SCALE_FACTORS", "QT_SCALE_FACTOR_ROUNDING_POLICY",
                           "QT_ENABLE_HIGHDPI_SCALING", "QT_USE_PHYSICAL_DPI", "QT_FONT_DPI"})
    qunsetenv(name);
}

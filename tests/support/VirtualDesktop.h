#pragma once

#include <sys/types.h>

#include <string>

// An X server of its own (Xvfb) with openbox managing its windows, for tests that need a
// real window manager's frame; DISPLAY names it while it lives. xdotool, which such tests
// drive the window manager with, must be there too.
class TVirtualDesktop {
 public:
  TVirtualDesktop(int width, int height);
  ~TVirtualDesktop();
  TVirtualDesktop(const TVirtualDesktop&) = delete;
  TVirtualDesktop& operator=(const TVirtualDesktop&) = delete;

  // Why the desktop could not be started; empty when it runs.
  const std::string& Missing() const { return missing_; }

 private:
  pid_t server_ = 0;
  pid_t manager_ = 0;
  std::string missing_;
};

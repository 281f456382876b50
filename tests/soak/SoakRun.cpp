#include "tests/soak/SoakRun.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace soak {
namespace {
QtMessageHandler g_qtMessages = nullptr;

void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QStringLiteral("This plugin does not support"))) return;
  if (g_qtMessages)
    g_qtMessages(type, context, text);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

void ReportEnd() {
  if (Run().Current < 0) return;
  std::fprintf(stderr,
               "\nThe process ended during action %ld of the soak, seed %llu.\nReplay: %s\n",
               Run().Current, static_cast<unsigned long long>(Run().Seed),
               ReplayCommand(Run().Current + 1).c_str());
  std::fflush(stderr);
}
}  // namespace

TRunInfo& Run() {
  static TRunInfo run;
  return run;
}

std::string ReplayCommand(long actions) {
  return "POMVIK_SOAK_SEED=" + std::to_string(Run().Seed) +
         " POMVIK_SOAK_ACTIONS=" + std::to_string(actions) + " " + Run().Program;
}

void ReportEndsDuringRun() {
  static const int hooked = std::atexit(ReportEnd);
  (void)hooked;
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(ReportEnd);
  // The undefined-behaviour checker has its own copy of the callback, behind its library.
  using TSetCallback = void (*)(void (*)());
  if (void* ubsan = dlopen("libubsan.so.1", RTLD_NOW | RTLD_NOLOAD))
    if (auto set = reinterpret_cast<TSetCallback>(dlsym(ubsan, "__sanitizer_set_death_callback")))
      set(ReportEnd);
#endif
}

void QuietOffscreenMessages() { g_qtMessages = qInstallMessageHandler(QuietOffscreen); }

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace soak

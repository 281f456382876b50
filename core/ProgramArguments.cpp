#include "core/ProgramArguments.h"

TProgramArguments ParseProgramArguments(const std::vector<std::string>& arguments) {
  TProgramArguments result;
  std::vector<std::string> songs;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (optionsEnded || argument == "-" || argument.empty() || argument.front() != '-') {
      songs.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-h" || argument == "--help") {
      result.Action = TProgramArguments::TAction::Help;
      return result;
    } else if (argument == "--version") {
      result.Action = TProgramArguments::TAction::Version;
    } else if (result.Problem.empty()) {
      result.Problem = "unknown option " + argument;
    }
  }
  if (result.Action == TProgramArguments::TAction::Version) return result;
  // A file manager starts one window per file it opens.
  if (result.Problem.empty() && songs.size() > 1) result.Problem = "one song at a time";
  if (!result.Problem.empty()) {
    result.Action = TProgramArguments::TAction::BadUsage;
    return result;
  }
  if (!songs.empty()) result.Song = songs.front();
  return result;
}

std::string ProgramUsageText() {
  return "Usage: PomvikSequencer [SONG.psq]\n"
         "A step sequencer: place picture sounds on a staff and play them. SONG.psq, when\n"
         "given, opens at start as file > open would open it.\n"
         "\n"
         "  -h, --help   show this help\n"
         "  --version    show the version\n"
         "\n"
         "Qt's own options, such as -platform NAME, are taken as well.\n";
}

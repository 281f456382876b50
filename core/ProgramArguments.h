#pragma once

#include <string>
#include <vector>

// What the program was asked on its command line, once the toolkit has taken its own
// options: a song to open at start, or one of the answers given without a window.
struct TProgramArguments {
  enum class TAction { Run, Help, Version, BadUsage };
  TAction Action = TAction::Run;
  std::string Song;     // the song to open at start, as given; empty for none
  std::string Problem;  // what was wrong, for BadUsage
};

// `arguments` without the program's own name. --help and --version win wherever they stand
// before "--", so that they answer even next to an option this program does not know.
TProgramArguments ParseProgramArguments(const std::vector<std::string>& arguments);

// The answer to --help.
std::string ProgramUsageText();

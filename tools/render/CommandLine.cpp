#include "tools/render/CommandLine.h"

#include <charconv>

#include "tools/render/OutputFormat.h"
#include "tools/render/RenderError.h"

namespace {

constexpr int kMaxLoops = 10000;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;

int ParseWhole(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
    throw EUsageError(option + " takes a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not '" + text + "'");
  return value;
}

}  // namespace

TRenderOptions ParseCommandLine(const std::vector<std::string>& arguments) {
  TRenderOptions options;
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "-h" || argument == "--help") {
      options.Action = TRenderOptions::TAction::Help;
      return options;
    }
    if (argument == "--version") {
      options.Action = TRenderOptions::TAction::Version;
      return options;
    }
    // --name VALUE or --name=VALUE
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (name != "--loops" && name != "--rate" && name != "--waves")
      throw EUsageError("unknown option '" + argument + "'");
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      throw EUsageError(name + " needs a value");
    }
    if (name == "--loops") {
      options.Loops = ParseWhole(name, value, 1, kMaxLoops);
    } else if (name == "--rate") {
      options.Rate = ParseWhole(name, value, kMinRate, kMaxRate);
    } else {
      if (value.empty()) throw EUsageError("--waves needs a folder");
      options.Waves = value;
    }
  }
  if (positional.size() != 2)
    throw EUsageError(positional.size() < 2 ? "a song and an output file are needed"
                                            : "too many arguments");
  options.Song = positional[0];
  options.Output = positional[1];
  return options;
}

std::string UsageText() {
  return std::string(
             "Usage: pomvik-render [--loops N] [--rate HZ] [--waves DIR] SONG.psq OUT\n"
             "Plays a PomvikSequencer song and writes it to OUT, whose extension picks the\n"
             "format: ") +
         OutputExtensions() +
         ".\n"
         "\n"
         "  --loops N    passes through a song whose loop is on (default 1)\n"
         "  --rate HZ    output rate (default 44100; 48000 for Opus)\n"
         "  --waves DIR  folder of Sound1.wav .. Sound29.wav (default: waves/ here, beside\n"
         "               the program, or in the installed data folder)\n"
         "  -h, --help   show this help\n"
         "  --version    show the version\n"
         "\n"
         ".wav and .flac are 16-bit stereo and the same bytes on every run; .mid is a\n"
         "Standard MIDI File with one track per sound.\n";
}

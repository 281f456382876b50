// The renderer's command line:
//   pomvik-render [--loops N] [--rate HZ] [--waves DIR] SONG.psq OUT
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct TRenderOptions {
  enum class TAction { Render, Help, Version };
  TAction Action = TAction::Render;
  int Loops = 1;            // passes through a looping song
  std::optional<int> Rate;  // frames a second; the format's default when absent
  std::optional<std::filesystem::path> Waves;
  std::filesystem::path Song;
  std::filesystem::path Output;
};

// Throws EUsageError with a one-line message for anything it cannot take.
TRenderOptions ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();

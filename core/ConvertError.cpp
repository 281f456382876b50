#include "core/ConvertError.h"

#include <limits>

namespace {
constexpr std::size_t MaxShownBytes = 64;

std::string Shown(std::string_view text) {
  if (text.size() <= MaxShownBytes) return std::string(text);
  std::size_t cut = MaxShownBytes;
  // Never split a UTF-8 sequence: step back over its continuation bytes.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}
}  // namespace

EConvertError::EConvertError(std::string_view text)
    : std::runtime_error("'" + Shown(text) + "' は整数ではありません"), text_(text) {}

std::string EConvertError::Detail() const {
  std::string where = origin_.empty() ? std::string() : origin_ + ": ";
  if (!key_.empty()) where += key_ + ": ";
  return where + "'" + Shown(text_) + "' is not an integer";
}

int32_t StrToInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) throw EConvertError(text);
  // One past the largest magnitude keeps the accumulator far from overflow.
  constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') throw EConvertError(text);
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) throw EConvertError(text);
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) throw EConvertError(text);
  return static_cast<int32_t>(value);
}

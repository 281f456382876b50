#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// A text that should have been an integer. Its message is the one users see:
// "'<text>' は整数ではありません", with a long text cut short so that the message stays
// readable; Text() keeps it whole.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(std::string_view text);
  const std::string& Text() const { return text_; }
  // The song text's key whose value this was, and where the text came from (a file's
  // name, the clipboard), once a reader knows them; empty before.
  const std::string& Key() const { return key_; }
  const std::string& Origin() const { return origin_; }
  void SetKey(std::string key) { key_ = std::move(key); }
  void SetOrigin(std::string origin) { origin_ = std::move(origin); }
  // For the standard error: where the text came from, the key and the value.
  std::string Detail() const;

 private:
  std::string text_, key_, origin_;
};

// Plain decimal with an optional sign, within 32 bits. Blanks, hexadecimal, an empty text
// and anything out of range throw EConvertError rather than guess.
int32_t StrToInt(std::string_view text);

// The small text helpers the hive readers share: blanks, hex digits, letter
// case, a file's header and how its text is encoded. Internal to
// platform/registry.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/registry/hive.h"

namespace registry::detail {

// Inline: the readers call these on every line.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

inline std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

inline std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

inline std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The letter case of 1252 as a table: every path the readers see is lowered.
extern const std::array<char, 256> kLowerCase;

inline char Lower(char c) { return kLowerCase[static_cast<unsigned char>(c)]; }

void LowerCase(std::string& text);

// UTF-16LE bytes to ANSI; an odd last byte is dropped.
std::string Utf16BytesToAnsi(std::string_view bytes);

HiveSyntax SyntaxOfHeader(std::string_view line);

// How a file's text is encoded on disk.
enum class TextForm { Ansi, Utf8, Utf16 };

struct Encoding {
  TextForm form = TextForm::Ansi;
  std::size_t markLength = 0;  // the byte-order mark before the text
};

// The encoding that a file's first bytes show.
Encoding EncodingOf(std::string_view start);

}  // namespace registry::detail

#include "platform/registry/hive_grammar.h"

#include <algorithm>

#include "platform/win32/codepage.h"

namespace registry::detail {

namespace {

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         win32::AnsiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Strips the optional ";" comment after a value that is not a quoted string.
std::string_view WithoutComment(std::string_view text) {
  const auto semicolon = text.find(';');
  return Trim(semicolon == std::string_view::npos ? text : text.substr(0, semicolon));
}

// Parses "aa,bb,..." into bytes; false for anything that is not such a list.
// Each byte is one or two hex digits, blanks around it allowed.
bool ParseHexList(std::string_view text, std::string& bytes) {
  text = Trim(text);
  if (text.empty()) return true;
  bytes.reserve(bytes.size() + text.size() / 3 + 1);
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    int value = 0;
    int digits = 0;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i, ++digits) {
      if (digits < 2) value = value * 16 + HexDigit(text[i]);
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (digits == 0 || digits > 2 || (i < text.size() && text[i] != ',')) return false;
    bytes.push_back(static_cast<char>(value));
    if (i == text.size()) return true;
    ++i;
    // A list may end with a comma before a continuation that was empty.
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return true;
  }
}

}  // namespace

Grammar::KeyLineKind Grammar::ReadKeyLine(std::string_view line, std::string& path) const {
  path.clear();
  bool remove = false;
  if (Wine()) {
    // Relative to the hive, backslashes doubled, a timestamp after the bracket.
    std::size_t position = 1;
    if (!ParseQuoted(line, position, path, ']')) return KeyLineKind::NoKey;
  } else {
    const auto close = line.rfind(']');
    if (close == std::string_view::npos || close == 0) return KeyLineKind::NoKey;
    std::string_view inner = line.substr(1, close - 1);
    if (!inner.empty() && inner.front() == '-') {
      remove = true;
      inner.remove_prefix(1);
    }
    if (inner.empty() || inner.front() == '\\') return KeyLineKind::NoKey;
    // Drop the hive's own name (HKEY_CURRENT_USER, ...).
    const auto separator = inner.find('\\');
    if (separator != std::string_view::npos) AppendAnsi(path, inner.substr(separator + 1));
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (!path.empty() && path.front() == '\\') return KeyLineKind::NoKey;  // not below this hive
  return remove ? KeyLineKind::Deletion : KeyLineKind::Key;
}

bool Grammar::MayConcern(std::string_view line, std::string_view lowerPath) const {
  std::size_t at = 1;
  std::size_t end = line.size();
  if (!Wine()) {
    end = line.rfind(']');
    if (end == std::string_view::npos) return true;
    if (at < end && line[at] == '-') ++at;
    const auto separator = line.substr(0, end).find('\\', at);
    if (separator == std::string_view::npos) return true;
    at = separator + 1;
  }
  for (const char wanted : lowerPath) {
    if (at >= end) return true;
    const char c = line[at++];
    if (c == ']' || (c & 0x80) != 0) return true;
    if (c == '\\' && Wine()) {
      if (at >= end || line[at] != '\\') return true;  // an escape other than a doubled backslash
      ++at;
    }
    if (Lower(c) != wanted) return false;
  }
  return true;
}

bool Grammar::IsHexValue(std::string_view line) {
  std::size_t at = 1;
  if (line.front() == '"') {
    // Past the name's closing quote; a backslash takes the next character with it.
    while (at < line.size() && line[at] != '"') at += line[at] == '\\' ? 2 : 1;
    if (at >= line.size()) return false;
    ++at;
  }
  const std::string_view data = TrimLeft(line.substr(at));
  return !data.empty() && data.front() == '=' && StartsWithIgnoreCase(TrimLeft(data.substr(1)), "hex");
}

void Grammar::ApplyValueLine(std::string_view line, Key& key) const {
  std::string name;
  std::size_t position = 0;
  if (line.front() == '@') {
    position = 1;
  } else if (!ParseQuoted(line, position, name)) {
    return;
  }
  std::string_view data = TrimLeft(line.substr(position));
  if (data.empty() || data.front() != '=') return;
  data = TrimLeft(data.substr(1));

  Value value;
  if (data == "-") {
    key.values.erase(name);
    return;
  }
  if (!data.empty() && data.front() == '"') {
    std::size_t at = 0;
    if (!ParseQuoted(data, at, value.data)) return;
    value.type = REG_SZ;
    value.data.push_back('\0');
  } else if (StartsWithIgnoreCase(data, "str(")) {
    if (!ParseTypedString(data.substr(4), value)) return;
  } else if (StartsWithIgnoreCase(data, "dword:")) {
    if (!ParseDword(WithoutComment(data.substr(6)), value)) return;
  } else if (StartsWithIgnoreCase(data, "hex")) {
    if (!ParseHex(data.substr(3), value)) return;
  } else {
    return;
  }
  key.values.insert_or_assign(std::move(name), std::move(value));
}

// Text of the file, converted to ANSI where the file is UTF-8.
void Grammar::AppendAnsi(std::string& out, std::string_view text) const {
  if (utf8_ && std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; })) {
    out += win32::Utf8ToAnsi(text);
  } else {
    out += text;
  }
}

// A quoted string starting at text[position]; on success position is just
// past the closing quote. Runs of plain text go over at once.
bool Grammar::ParseQuoted(std::string_view text, std::size_t& position, std::string& out,
                          char terminator) const {
  std::size_t i = position;
  if (terminator == '"') {
    if (i >= text.size() || text[i] != '"') return false;
    ++i;
  }
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && text[end] != terminator && text[end] != '\\') ++end;
    AppendAnsi(out, text.substr(i, end - i));
    if (end == text.size()) return false;
    if (text[end] == terminator) {
      position = end + 1;
      return true;
    }
    if (end + 1 >= text.size()) return false;
    const char escaped = text[end + 1];
    i = end + 2;
    switch (escaped) {
      case '\\':
      case '"':
        out.push_back(escaped);
        break;
      case 'n':
      case 'r':
      case 't':
      case '0':
      case 'x':
        if (!Wine()) {
          out.push_back('\\');
          out.push_back(escaped);
          break;
        }
        if (escaped == 'n') out.push_back('\n');
        if (escaped == 'r') out.push_back('\r');
        if (escaped == 't') out.push_back('\t');
        if (escaped == '0') out.push_back('\0');
        if (escaped == 'x' && !ParseWideEscape(text, i, out)) return false;
        break;
      default:
        // Not an escape: the backslash stands for itself. A character
        // outside ASCII after it is read again as text, to be converted.
        out.push_back('\\');
        if ((escaped & 0x80) != 0) {
          i = end + 1;
        } else {
          out.push_back(escaped);
        }
        break;
    }
  }
  return false;
}

// Wine writes a character outside ASCII as \x and up to four hex digits of UTF-16.
bool Grammar::ParseWideEscape(std::string_view text, std::size_t& i, std::string& out) {
  char32_t unit = 0;
  int digits = 0;
  while (digits < 4 && i < text.size() && HexDigit(text[i]) >= 0) {
    unit = unit * 16 + static_cast<char32_t>(HexDigit(text[i]));
    ++i;
    ++digits;
  }
  if (digits == 0) return false;
  const int ansi = win32::CodePointToAnsi(unit);
  out.push_back(ansi < 0 ? win32::kUnmappable : static_cast<char>(ansi));
  return true;
}

// Wine's str(N):"..." form, N a hex type.
bool Grammar::ParseTypedString(std::string_view text, Value& value) const {
  const auto close = text.find("):");
  if (close == std::string_view::npos || !ParseType(text.substr(0, close), value.type)) {
    return false;
  }
  std::string_view rest = TrimLeft(text.substr(close + 2));
  std::size_t at = 0;
  if (!ParseQuoted(rest, at, value.data)) return false;
  value.data.push_back('\0');
  return true;
}

bool Grammar::ParseType(std::string_view digits, DWORD& type) {
  digits = Trim(digits);
  if (digits.empty() || digits.size() > 8) return false;
  DWORD result = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    result = result * 16 + static_cast<DWORD>(digit);
  }
  type = result;
  return true;
}

bool Grammar::ParseDword(std::string_view digits, Value& value) {
  DWORD number = 0;
  if (!ParseType(digits, number)) return false;
  value.type = REG_DWORD;
  for (int shift = 0; shift < 32; shift += 8) {
    value.data.push_back(static_cast<char>((number >> shift) & 0xFF));
  }
  return true;
}

// "hex:..." or "hex(N):..." after its "hex".
bool Grammar::ParseHex(std::string_view text, Value& value) const {
  value.type = REG_BINARY;
  if (!text.empty() && text.front() == '(') {
    const auto close = text.find("):");
    if (close == std::string_view::npos || !ParseType(text.substr(1, close - 1), value.type)) {
      return false;
    }
    text = text.substr(close + 2);
  } else if (!text.empty() && text.front() == ':') {
    text = text.substr(1);
  } else {
    return false;
  }
  std::string bytes;
  if (!ParseHexList(WithoutComment(text), bytes)) return false;
  const bool textType =
      value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
  // Unicode files hold string data as UTF-16; the A calls return it in ANSI.
  value.data = unicode_ && textType ? Utf16BytesToAnsi(bytes) : std::move(bytes);
  return true;
}

}  // namespace registry::detail

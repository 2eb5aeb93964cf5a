#include "platform/registry/hive.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/win32/codepage.h"

namespace registry {

namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kRegedit5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kWineHeader = "WINE REGISTRY Version 2";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         win32::AnsiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// UTF-16LE bytes to ANSI; an odd last byte is dropped.
std::string Utf16BytesToAnsi(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return win32::Utf16ToAnsi(wide);
}

// Strips the optional ";" comment after a value that is not a quoted string.
std::string_view WithoutComment(std::string_view text) {
  const auto semicolon = text.find(';');
  return Trim(semicolon == std::string_view::npos ? text : text.substr(0, semicolon));
}

// Parses "aa,bb,..." into bytes; false for anything that is not such a list.
bool ParseHexList(std::string_view text, std::string& bytes) {
  text = Trim(text);
  if (text.empty()) return true;
  while (true) {
    const auto comma = text.find(',');
    const std::string_view token = Trim(text.substr(0, comma));
    if (token.empty() || token.size() > 2) return false;
    int value = 0;
    for (char c : token) {
      const int digit = HexDigit(c);
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    bytes.push_back(static_cast<char>(value));
    if (comma == std::string_view::npos) return true;
    text = text.substr(comma + 1);
    // A list may end with a comma before a continuation that was empty.
    if (Trim(text).empty()) return true;
  }
}

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  const std::size_t length = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const auto left = static_cast<unsigned char>(win32::AnsiToLower(a[i]));
    const auto right = static_cast<unsigned char>(win32::AnsiToLower(b[i]));
    if (left != right) return left < right;
  }
  return a.size() < b.size();
}

class HiveParser {
 public:
  explicit HiveParser(Hive& hive) : hive_(hive) {}

  void Parse(std::string_view contents) {
    const std::string text = Decode(contents);
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
      const auto end = rest.find('\n');
      lines.push_back(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }

    std::size_t index = 0;
    while (index < lines.size() && Trim(lines[index]).empty()) ++index;
    if (index == lines.size()) return;
    const std::string_view header = Trim(lines[index++]);
    if (header == kRegedit4Header) {
      hive_.syntax_ = HiveSyntax::Regedit4;
    } else if (header == kRegedit5Header) {
      hive_.syntax_ = HiveSyntax::Regedit5;
    } else if (header == kWineHeader) {
      hive_.syntax_ = HiveSyntax::Wine;
    } else {
      return;
    }
    hive_.keys_[""];

    while (index < lines.size()) {
      std::string logical(TrimLeft(lines[index++]));
      // Binary data may run over several lines, each but the last ending in "\".
      while (IsHexValue(logical) && !TrimRight(logical).empty() &&
             TrimRight(logical).back() == '\\' && index < lines.size()) {
        logical = std::string(TrimRight(logical));
        logical.pop_back();
        logical += TrimLeft(lines[index++]);
      }
      ParseLine(TrimRight(logical));
    }
  }

 private:
  // The file's text in ANSI, whatever its encoding on disk.
  std::string Decode(std::string_view contents) {
    if (contents.size() >= 2 && static_cast<unsigned char>(contents[0]) == 0xFF &&
        static_cast<unsigned char>(contents[1]) == 0xFE) {
      unicode_ = true;
      return Utf16BytesToAnsi(contents.substr(2));
    }
    // UTF-16LE without its mark: the first character is ASCII.
    if (contents.size() >= 2 && contents[0] != '\0' && contents[1] == '\0') {
      unicode_ = true;
      return Utf16BytesToAnsi(contents);
    }
    if (contents.size() >= 3 && contents.substr(0, 3) == "\xEF\xBB\xBF") {
      unicode_ = true;
      return win32::Utf8ToAnsi(contents.substr(3));
    }
    const std::string_view start = TrimLeft(contents.substr(0, 64));
    if (start.starts_with(kRegedit5Header) || start.starts_with(kWineHeader)) {
      unicode_ = true;
      return win32::Utf8ToAnsi(contents);
    }
    return std::string(contents);  // REGEDIT4 is ANSI already
  }

  bool Wine() const { return hive_.syntax_ == HiveSyntax::Wine; }

  static bool IsHexValue(std::string_view line) {
    if (line.empty() || (line.front() != '"' && line.front() != '@')) return false;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    // The name may itself hold "=", so look at every candidate.
    for (auto at = equals; at != std::string_view::npos; at = line.find('=', at + 1)) {
      if (StartsWithIgnoreCase(TrimLeft(line.substr(at + 1)), "hex")) return true;
    }
    return false;
  }

  void ParseLine(std::string_view line) {
    if (line.empty() || line.front() == ';' || line.front() == '#') return;
    if (line.front() == '[') {
      ParseKeyLine(line);
    } else if (line.front() == '"' || line.front() == '@') {
      ParseValueLine(line);
    }
  }

  // A quoted string starting at text[position]; on success position is just
  // past the closing quote.
  bool ParseQuoted(std::string_view text, std::size_t& position, std::string& out,
                   char terminator = '"') const {
    std::size_t i = position;
    if (terminator == '"') {
      if (i >= text.size() || text[i] != '"') return false;
      ++i;
    }
    while (i < text.size()) {
      const char c = text[i];
      if (c == terminator) {
        position = i + 1;
        return true;
      }
      if (c != '\\') {
        out.push_back(c);
        ++i;
        continue;
      }
      if (i + 1 >= text.size()) return false;
      const char escaped = text[i + 1];
      i += 2;
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
          if (escaped == 'x') {
            // Wine writes a character outside ASCII as up to four hex digits of UTF-16.
            char16_t unit = 0;
            int digits = 0;
            while (digits < 4 && i < text.size() && HexDigit(text[i]) >= 0) {
              unit = static_cast<char16_t>(unit * 16 + HexDigit(text[i]));
              ++i;
              ++digits;
            }
            if (digits == 0) return false;
            out += win32::Utf16ToAnsi(std::u16string(1, unit));
          }
          break;
        default:
          // Not an escape: the backslash stands for itself.
          out.push_back('\\');
          out.push_back(escaped);
          break;
      }
    }
    return false;
  }

  void ParseKeyLine(std::string_view line) {
    std::string path;
    bool remove = false;
    if (Wine()) {
      // Relative to the hive, backslashes doubled, a timestamp after the bracket.
      std::size_t position = 1;
      if (!ParseQuoted(line, position, path, ']')) return;
    } else {
      const auto close = line.rfind(']');
      if (close == std::string_view::npos || close == 0) return;
      std::string_view inner = line.substr(1, close - 1);
      if (!inner.empty() && inner.front() == '-') {
        remove = true;
        inner.remove_prefix(1);
      }
      // Drop the hive's own name (HKEY_CURRENT_USER, ...).
      const auto separator = inner.find('\\');
      if (inner.empty() || inner.front() == '\\') return;
      path = separator == std::string_view::npos ? std::string{}
                                                 : std::string(inner.substr(separator + 1));
    }
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (!path.empty() && path.front() == '\\') {
      current_ = nullptr;  // not a path below this hive
      return;
    }
    if (remove) {
      RemoveKey(path);
      current_ = nullptr;
      return;
    }
    current_ = &AddKey(path);
  }

  Key& AddKey(const std::string& path) {
    for (auto separator = path.find('\\'); separator != std::string::npos;
         separator = path.find('\\', separator + 1)) {
      hive_.keys_[path.substr(0, separator)];
    }
    return hive_.keys_[path];
  }

  void RemoveKey(const std::string& path) {
    if (path.empty()) return;
    const std::string below = path + "\\";
    std::erase_if(hive_.keys_, [&](const auto& entry) {
      const std::string& name = entry.first;
      return win32::AnsiEqualsIgnoreCase(name, path) || StartsWithIgnoreCase(name, below);
    });
  }

  void ParseValueLine(std::string_view line) {
    if (current_ == nullptr) return;
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
      current_->values.erase(name);
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
    current_->values[name] = std::move(value);
  }

  // Wine's str(N):"..." form, N a hex type.
  bool ParseTypedString(std::string_view text, Value& value) const {
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

  static bool ParseType(std::string_view digits, DWORD& type) {
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

  static bool ParseDword(std::string_view digits, Value& value) {
    DWORD number = 0;
    if (!ParseType(digits, number)) return false;
    value.type = REG_DWORD;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<char>((number >> shift) & 0xFF));
    }
    return true;
  }

  // "hex:..." or "hex(N):..." after its "hex".
  bool ParseHex(std::string_view text, Value& value) const {
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

  Hive& hive_;
  bool unicode_ = false;
  Key* current_ = nullptr;
};

Hive Hive::Parse(std::string_view fileContents) {
  Hive hive;
  HiveParser(hive).Parse(fileContents);
  return hive;
}

std::optional<Hive> Hive::Load(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  std::ostringstream contents;
  contents << stream.rdbuf();
  if (stream.bad()) return std::nullopt;
  return Parse(contents.str());
}

const Key* Hive::FindKey(std::string_view path) const {
  const auto found = keys_.find(path);
  return found == keys_.end() ? nullptr : &found->second;
}

}  // namespace registry

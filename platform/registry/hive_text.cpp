#include "platform/registry/hive_text.h"

#include "platform/win32/codepage.h"

namespace registry::detail {

namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kRegedit5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kWineHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace

const std::array<char, 256> kLowerCase = [] {
  std::array<char, 256> table{};
  for (std::size_t c = 0; c < table.size(); ++c) table[c] = win32::AnsiToLower(static_cast<char>(c));
  return table;
}();

void LowerCase(std::string& text) {
  for (char& c : text) c = Lower(c);
}

std::string Utf16BytesToAnsi(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return win32::Utf16ToAnsi(wide);
}

HiveSyntax SyntaxOfHeader(std::string_view line) {
  line = Trim(line);
  if (line == kRegedit4Header) return HiveSyntax::Regedit4;
  if (line == kRegedit5Header) return HiveSyntax::Regedit5;
  if (line == kWineHeader) return HiveSyntax::Wine;
  return HiveSyntax::Unknown;
}

Encoding EncodingOf(std::string_view start) {
  if (start.size() >= 2 && static_cast<unsigned char>(start[0]) == 0xFF &&
      static_cast<unsigned char>(start[1]) == 0xFE) {
    return {TextForm::Utf16, 2};
  }
  // UTF-16LE without its mark: the first character is ASCII.
  if (start.size() >= 2 && start[0] != '\0' && start[1] == '\0') return {TextForm::Utf16, 0};
  if (start.starts_with(kUtf8Mark)) return {TextForm::Utf8, kUtf8Mark.size()};
  // Version 5.00 and Wine's files are UTF-8; REGEDIT4 is ANSI already.
  while (!start.empty()) {
    const auto end = start.find('\n');
    const std::string_view line = start.substr(0, end);
    if (!Trim(line).empty()) {
      const HiveSyntax syntax = SyntaxOfHeader(line);
      const bool utf8 = syntax == HiveSyntax::Regedit5 || syntax == HiveSyntax::Wine;
      return {utf8 ? TextForm::Utf8 : TextForm::Ansi, 0};
    }
    start = end == std::string_view::npos ? std::string_view{} : start.substr(end + 1);
  }
  return {};
}

}  // namespace registry::detail

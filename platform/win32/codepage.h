// The ANSI code page (1252) against the host's UTF-8 and UTF-16, and the
// OEM code page (437) that the console reads.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

// The character that stands for one with no 1252 form.
inline constexpr char kUnmappable = '?';

char32_t AnsiToCodePoint(unsigned char c);
// The 1252 byte for a code point, or -1 where 1252 has none.
int CodePointToAnsi(char32_t codePoint);

std::string AnsiToUtf8(std::string_view ansi);
// Invalid UTF-8 and characters with no 1252 form become '?'.
std::string Utf8ToAnsi(std::string_view utf8);
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16);

// ANSI text in the OEM code page 437, in which cmd reads a batch file. ASCII
// stays as it is; a character with no 437 form (the euro sign, for one)
// keeps its 1252 byte, the nearest a batch file can come to it.
std::string AnsiToOem(std::string_view ansi);

// Letter case of the 1252 letters, ASCII included.
char AnsiToUpper(char c);
char AnsiToLower(char c);
bool AnsiEqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace win32

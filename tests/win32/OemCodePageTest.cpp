// The OEM code page 437, in which cmd reads a batch file.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/codepage.h"

namespace {

TEST(OemCodePageTest, AnsiTextBecomesTheBytesTheConsoleReads) {
  struct Row {
    const char* name;
    std::string ansi;
    std::string oem;
  } rows[] = {
      {"ASCII as it is", "C:\\Kestu 100%&(x)~", "C:\\Kestu 100%&(x)~"},
      {"e acute", "\xE9", "\x82"},
      {"u umlaut", "\xFC", "\x81"},
      {"sharp s", "\xDF", "\xE1"},
      {"capitals with marks", "\xC9\xC7\xD1\xC4", "\x90\x80\xA5\x8E"},
      {"signs 437 holds", "\xA3\xBD\xBF\xB5", "\x9C\xAB\xA8\xE6"},
      {"the euro sign keeps its 1252 byte", "\x80", "\x80"},
      {"other signs 437 lacks keep theirs", "\x82\x8C\xA4\xAE", "\x82\x8C\xA4\xAE"},
      {"a byte 1252 leaves undefined stays", "\x81", "\x81"},
      {"a whole path", "D:\\Caf\xE9 M\xFCller\\Stra\xDF" "e \x80", "D:\\Caf\x82 M\x81ller\\Stra\xE1" "e \x80"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(win32::AnsiToOem(row.ansi), row.oem);
  }
}

// A batch line's syntax lies in ASCII: no character outside it may turn into one.
TEST(OemCodePageTest, NoCharacterOutsideAsciiBecomesOneInside) {
  for (int c = 0x80; c <= 0xFF; ++c) {
    SCOPED_TRACE(c);
    const std::string oem = win32::AnsiToOem(std::string(1, static_cast<char>(c)));
    ASSERT_EQ(oem.size(), 1u);
    EXPECT_GE(static_cast<unsigned char>(oem[0]), 0x80);
  }
}

}  // namespace

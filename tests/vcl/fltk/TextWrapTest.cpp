// The line breaking of the FLTK backend's message dialogs, measured with a
// font in which every character is one unit wide.
#include "platform/vcl/fltk/TextWrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vcl::fltk {
namespace {

double CharacterCount(std::string_view text) {
  double count = 0;
  for (char byte : text)
    if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) ++count;
  return count;
}

using Lines = std::vector<std::string>;

TEST(WrapText, BreaksAtBlanksAndInsideWordsTooLongForALine) {
  const struct {
    const char* name;
    std::string text;
    double width;
    Lines lines;
  } rows[] = {
      {"a text that fits stays one line", "Disk full.", 20, {"Disk full."}},
      {"a line ends after the last blank that lets it fit", "New directory C:\\Kestu created", 14,
       {"New directory", "C:\\Kestu", "created"}},
      {"a word wider than a line is broken between characters", "ab C:\\aaaaaaaaaa cd", 5,
       {"ab", "C:\\aa", "aaaaa", "aaa", "cd"}},
      {"a path of 300 characters fills whole lines", "C:\\" + std::string(297, 'a'), 100,
       {"C:\\" + std::string(97, 'a'), std::string(100, 'a'), std::string(100, 'a')}},
      {"a newline ends a line", "one\ntwo", 50, {"one", "two"}},
      {"the bytes of a character stay together", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 2,
       {"\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9", "\xC3\xA9"}},
      {"a line narrower than a character still holds one", "abc", 0.5, {"a", "b", "c"}},
      {"blanks in a row are kept within a line", "a  b", 10, {"a  b"}},
      {"an empty text is one empty line", "", 10, {""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(WrapText(row.text, row.width, CharacterCount), row.lines);
  }
}

TEST(FirstLines, CutsToTheLinesThatFitWithAnEllipsis) {
  const std::string ellipsis = "\xE2\x80\xA6";
  const struct {
    const char* name;
    Lines lines;
    std::size_t maxLines;
    double width;
    Lines kept;
  } rows[] = {
      {"lines that fit are kept as they are", {"aaaa", "bbbb"}, 2, 4, {"aaaa", "bbbb"}},
      {"the last line kept makes room for the ellipsis", {"aaaa", "bbbb", "cccc"}, 2, 4,
       {"aaaa", "bbb" + ellipsis}},
      {"a short last line keeps all its characters", {"aaaa", "b", "cccc"}, 2, 4, {"aaaa", "b" + ellipsis}},
      {"a character of two bytes goes whole", {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "x"}, 1, 4,
       {"\xC3\xA9\xC3\xA9\xC3\xA9" + ellipsis}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FirstLines(row.lines, row.maxLines, row.width, CharacterCount), row.kept);
  }
}

}  // namespace
}  // namespace vcl::fltk

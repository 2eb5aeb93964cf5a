// The program's main icon, resource "MAINICON": a calendar page of 32 by 32
// pixels in 16 colours. The red letters JAN on white across the top; below
// them a black field with four rows of four white day cells, thirteen of which
// carry a small blue square.
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/vcl/Resources.h"

namespace {

constexpr int kSize = 32;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kBlue = 0xFF0000FF;

// The letters, five pixels wide and seven high.
constexpr std::array<std::array<std::string_view, 7>, 3> kLetters = {{
    {"00111", "00010", "00010", "00010", "10010", "10010", "01100"},  // J
    {"01110", "10001", "10001", "11111", "10001", "10001", "10001"},  // A
    {"10001", "11001", "11001", "10101", "10011", "10011", "10001"},  // N
}};
constexpr int kLettersLeft = 6;
constexpr int kLettersTop = 1;
constexpr int kLetterAdvance = 7;

// The black field below the white strip, and its day cells.
constexpr int kFieldTop = 9;
constexpr int kCellLeft = 1;
constexpr int kCellTop = 11;
constexpr int kCellWidth = 6;
constexpr int kCellHeight = 4;
constexpr int kCellStepX = 8;
constexpr int kCellStepY = 5;
constexpr int kMarkedCells = 13;  // the first thirteen in reading order

vcl::IconImage MakeMainIcon() {
  vcl::IconImage icon;
  icon.Width = kSize;
  icon.Height = kSize;
  icon.Pixels.assign(kSize * kSize, kWhite);
  auto fill = [&](int left, int top, int width, int height, std::uint32_t colour) {
    for (int y = top; y < top + height; ++y)
      for (int x = left; x < left + width; ++x) icon.Pixels[y * kSize + x] = colour;
  };

  for (std::size_t letter = 0; letter < kLetters.size(); ++letter)
    for (int row = 0; row < 7; ++row)
      for (int column = 0; column < 5; ++column)
        if (kLetters[letter][row][column] == '1')
          fill(kLettersLeft + static_cast<int>(letter) * kLetterAdvance + column, kLettersTop + row,
               1, 1, kRed);

  fill(0, kFieldTop, kSize, kSize - kFieldTop, kBlack);
  for (int cell = 0; cell < 16; ++cell) {
    const int left = kCellLeft + (cell % 4) * kCellStepX;
    const int top = kCellTop + (cell / 4) * kCellStepY;
    fill(left, top, kCellWidth, kCellHeight, kWhite);
    if (cell < kMarkedCells) fill(left + 2, top + 1, 2, 2, kBlue);
  }
  return icon;
}

// Linked into the program as its icon resource is: present before main runs.
const bool kRegistered = [] {
  vcl::RegisterIcon("MAINICON", MakeMainIcon());
  return true;
}();

}  // namespace

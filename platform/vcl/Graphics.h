// Colours and fonts as the form description stores them.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {

// 0x00BBGGRR for plain colours; system colours have the top byte set.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = 0xFF000005;      // the system's window background
inline constexpr TColor clWindowText = 0xFF000008;  // the system's window text
inline constexpr TColor clBtnFace = 0xFF00000F;

inline constexpr bool IsSystemColor(TColor color) { return (color & 0xFF000000) != 0; }
inline constexpr int RedOf(TColor color) { return color & 0xFF; }
inline constexpr int GreenOf(TColor color) { return (color >> 8) & 0xFF; }
inline constexpr int BlueOf(TColor color) { return (color >> 16) & 0xFF; }

enum class FontStyle { Regular, Bold };

struct TFont {
  std::string Name;
  int Height = -13;  // negative: character height in pixels without internal leading
  FontStyle Style = FontStyle::Regular;
  TColor Color = clWindowText;
};

}  // namespace vcl

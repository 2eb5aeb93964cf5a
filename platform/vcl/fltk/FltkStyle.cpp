#include "platform/vcl/fltk/FltkStyle.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "platform/win32/codepage.h"

namespace vcl::fltk {
namespace {

bool Contains(std::string_view text, std::string_view word) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  return lower(text).find(lower(word)) != std::string::npos;
}

}  // namespace

Fl_Color ToFlColor(TColor color) {
  if (IsSystemColor(color)) {
    switch (color) {
      case clWindow: return fl_rgb_color(255, 255, 255);
      case clWindowText: return fl_rgb_color(0, 0, 0);
      case clBtnFace: return fl_rgb_color(192, 192, 192);
      default: return fl_rgb_color(192, 192, 192);
    }
  }
  return fl_rgb_color(static_cast<uchar>(RedOf(color)), static_cast<uchar>(GreenOf(color)),
                      static_cast<uchar>(BlueOf(color)));
}

Fl_Font ToFlFont(const TFont& font) {
  const bool bold = font.Style == FontStyle::Bold;
  // "MS Sans Serif" holds "Serif" too: the sans test comes first.
  if (Contains(font.Name, "sans") || Contains(font.Name, "arial") ||
      Contains(font.Name, "helvetica"))
    return bold ? FL_HELVETICA_BOLD : FL_HELVETICA;
  if (Contains(font.Name, "courier") || Contains(font.Name, "mono"))
    return bold ? FL_COURIER_BOLD : FL_COURIER;
  if (Contains(font.Name, "times") || Contains(font.Name, "serif") ||
      Contains(font.Name, "roman"))
    return bold ? FL_TIMES_BOLD : FL_TIMES;
  return bold ? FL_HELVETICA_BOLD : FL_HELVETICA;
}

int ToFlFontSize(int height, double scale) {
  const double pixels = height < 0 ? -height : height * 0.8;
  return std::max(1, static_cast<int>(std::lround(pixels * scale)));
}

int Scaled(int value, double scale) { return static_cast<int>(std::lround(value * scale)); }

Point CentredClientOrigin(const ScreenArea& area, int width, int height, const FrameExtents& frame) {
  const int outerWidth = width + frame.Left + frame.Right;
  const int outerHeight = height + frame.Top + frame.Bottom;
  return {area.Left + std::max(0, (area.Width - outerWidth) / 2) + frame.Left,
          area.Top + std::max(0, (area.Height - outerHeight) / 2) + frame.Top};
}

Point KeptWithin(const ScreenArea& area, Point origin, int width, int height,
                 const FrameExtents& frame) {
  auto keep = [](int start, int size, int areaStart, int areaSize) {
    start = std::min(start, areaStart + areaSize - size);
    return std::max(start, areaStart);
  };
  return {keep(origin.X - frame.Left, width + frame.Left + frame.Right, area.Left, area.Width) + frame.Left,
          keep(origin.Y - frame.Top, height + frame.Top + frame.Bottom, area.Top, area.Height) + frame.Top};
}

namespace {

Point CentredOrigin(const Placement& placement, int width, int height, const FrameExtents& frame) {
  const Point origin = CentredClientOrigin(placement.Screen, width, height, frame);
  return placement.Within ? KeptWithin(*placement.Within, origin, width, height, frame) : origin;
}

}  // namespace

bool PlaceCentred(Fl_Window& window, const Placement& placement) {
  const std::optional<FrameExtents> frame = KnownFrameExtents(placement.Kind);
  const Point origin = CentredOrigin(placement, window.w(), window.h(), frame.value_or(FrameExtents{}));
  window.position(origin.X, origin.Y);
  return frame.has_value();
}

void CentreShown(Fl_Window& window, const Placement& placement) {
  const std::optional<FrameExtents> frame = ShownFrameExtents(window, placement.Kind);
  if (!frame) return;
  const Point origin = CentredOrigin(placement, window.w(), window.h(), *frame);
  if (origin.X != window.x() || origin.Y != window.y()) window.position(origin.X, origin.Y);
}

std::string ToUtf8(std::string_view ansi) { return win32::AnsiToUtf8(ansi); }

Mnemonic ParseMnemonic(std::string_view caption) {
  Mnemonic result;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && result.UnderlineIndex < 0) {
        result.UnderlineIndex = static_cast<int>(result.Text.size());
        result.Key = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i])));
      }
    }
    result.Text += caption[i];
  }
  return result;
}

void DrawCaption(const std::string& caption, int x, int y, int w, int h, Fl_Align align) {
  // FLTK underlines the character after '&' when asked to; '@' stays a plain character.
  const char saved = fl_draw_shortcut;
  fl_draw_shortcut = 1;
  fl_draw(caption.c_str(), x, y, w, h, align, nullptr, 0);
  fl_draw_shortcut = saved;
}

}  // namespace vcl::fltk

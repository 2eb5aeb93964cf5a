// How the class library's colours, fonts and design metrics map onto FLTK.
// Internal to the FLTK backend.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <FL/Enumerations.H>

#include "platform/vcl/Graphics.h"

class Fl_Window;

namespace vcl::fltk {

// The classic system colours of the window, its text and a button face.
Fl_Color ToFlColor(TColor color);

// The installed face that stands in for a font name: a bold or regular serif,
// sans or monospace face of FLTK's standard set, which fontconfig resolves
// (the backend points FLTK's serif at "Times New Roman" and its sans at "Arial").
Fl_Font ToFlFont(const TFont& font);

// FLTK font size in pixels for a font height laid out at the form's metrics,
// scaled by the factor between the screen and those metrics. A negative height
// is the character height without internal leading, which is FLTK's size; a
// positive one includes the leading, about a fifth of it.
int ToFlFontSize(int height, double scale);

// A design value scaled to the screen, rounded as the form scaling rounds.
int Scaled(int value, double scale);

// Pixels per inch of the desktop, a whole number: its Xft.dpi setting where it
// has one, else the screen's own resolution; 96 where neither makes sense.
double ScreenPixelsPerInch();

// The layout texts are 1252; FLTK draws UTF-8.
std::string ToUtf8(std::string_view ansi);

// A caption with its '&' mnemonic markers: the text to draw without them, and
// where the underlined character stands (-1 where none).
struct Mnemonic {
  std::string Text;
  int UnderlineIndex = -1;  // byte offset into Text
  char Key = 0;             // the mnemonic letter in lower case, 0 where none
};
Mnemonic ParseMnemonic(std::string_view caption);

// Draws a caption (UTF-8, with '&' markers) in the current font and colour,
// inside the box and aligned as asked, never interpreting FLTK's '@' symbols.
void DrawCaption(const std::string& caption, int x, int y, int w, int h, Fl_Align align);

// Asks the window manager for a fixed dialog frame on a window just shown:
// move and close, no minimise, no maximise, no resizing, no window-menu
// button. The window manager reads the hints when it takes the window on, so
// they must follow show() with no round trip to the server in between:
// PrepareWindowManagerHints makes those round trips beforehand.
void PrepareWindowManagerHints();
void SetDialogFrameHints(Fl_Window& window);

// The frame a window manager puts around a window, in pixels on each side.
enum class FrameKind { Dialog, Sizeable };
struct FrameExtents {
  int Left = 0;
  int Right = 0;
  int Top = 0;
  int Bottom = 0;
};
// Asks the window manager for the frame of a kind of window, to be known
// before the first such window is shown; the answer is read later.
void AskFrameExtents(FrameKind kind);
// The frame of a kind of window before one is shown, where the window manager told it.
std::optional<FrameExtents> KnownFrameExtents(FrameKind kind);
// The frame of a window just shown, waited for a while where it is not known
// yet; later windows of the kind know it before they are shown.
std::optional<FrameExtents> ShownFrameExtents(Fl_Window& window, FrameKind kind);

struct Point {
  int X = 0;
  int Y = 0;
};
// A rectangle of the screen, in pixels.
struct ScreenArea {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};
// Where the client area of a window goes for the window with its frame to be
// centred on the area, never left of or above the area's top-left corner.
Point CentredClientOrigin(const ScreenArea& area, int width, int height, const FrameExtents& frame);
// The origin moved, where need be, for the window with its frame to lie within
// the area; a window larger than the area keeps its top-left corner in it.
Point KeptWithin(const ScreenArea& area, Point origin, int width, int height,
                 const FrameExtents& frame);

// Where a window goes when first shown: centred on the screen, frame
// included, and kept within an area where one is given.
struct Placement {
  FrameKind Kind = FrameKind::Dialog;
  ScreenArea Screen;
  std::optional<ScreenArea> Within;
};
// Positions a window about to be shown; false where its frame is not known yet.
bool PlaceCentred(Fl_Window& window, const Placement& placement);
// Centres a window just shown anew, once its frame is known.
void CentreShown(Fl_Window& window, const Placement& placement);

// The frame a window manager drew around a shown window. Once the window is
// hidden, the frame may stay on the screen a moment longer, until the window
// manager takes it off; what it covered is drawn anew only then. A dialog
// that closes waits for that, so that the repaints that follow it show the
// whole window.
class FrameRemoval {
 public:
  explicit FrameRemoval(Fl_Window& shown);
  // Waits, a while at most, for the frame to be gone.
  void Await();

 private:
  unsigned long frame_ = 0;  // the X window of the frame; 0 where there is none
};

// Returns once the X server has drawn everything asked of it so far; reads
// and dispatches no input.
void FinishDrawing();

}  // namespace vcl::fltk

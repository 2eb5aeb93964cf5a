// How the class library's colours, fonts and design metrics map onto FLTK.
// Internal to the FLTK backend.
#pragma once

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

// Pixels per inch of the screen the windows appear on; 96 where the X server
// reports nothing sensible.
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
// move and close, no minimise, no maximise, no resizing. The window manager
// reads the hints when it takes the window on, so they must follow show()
// with no round trip to the server in between: PrepareWindowManagerHints
// makes those round trips beforehand.
void PrepareWindowManagerHints();
void SetDialogFrameHints(Fl_Window& window);

}  // namespace vcl::fltk

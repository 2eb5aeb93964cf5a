// The X11 requests FLTK does not make itself. X11's macros (None, Bool, ...)
// stay in this file, away from the class library's names.
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "platform/vcl/fltk/FltkStyle.h"

namespace vcl::fltk {

namespace {
Atom motifHints = 0;
}

void PrepareWindowManagerHints() {
  fl_open_display();
  if (!motifHints) motifHints = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
}

void SetDialogFrameHints(Fl_Window& window) {
  if (!window.shown() || !motifHints) return;
  // _MOTIF_WM_HINTS: functions and decorations are given.
  constexpr unsigned long kHintsFunctions = 1, kHintsDecorations = 2;
  constexpr unsigned long kFunctionMove = 4, kFunctionClose = 32;
  constexpr unsigned long kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16;
  long hints[5] = {static_cast<long>(kHintsFunctions | kHintsDecorations),
                   static_cast<long>(kFunctionMove | kFunctionClose),
                   static_cast<long>(kDecorBorder | kDecorTitle | kDecorMenu), 0, 0};
  XChangeProperty(fl_display, fl_xid(&window), motifHints, motifHints, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints), 5);
}

}  // namespace vcl::fltk

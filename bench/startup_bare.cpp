// The yardstick for the setup program's start-up: a bare FLTK window of the
// same client size (622 by 271 laid out at 120 pixels per inch, scaled to the
// screen), shown and left in its event loop.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>

int main() {
  float horizontal = 0, vertical = 0;
  Fl::screen_dpi(horizontal, vertical, 0);
  const double scale = (vertical > 0 ? vertical : 96.0) / 120.0;
  Fl_Double_Window window(static_cast<int>(622 * scale + 0.5), static_cast<int>(271 * scale + 0.5),
                          "bare");
  window.end();
  window.show();
  return Fl::run();
}

// The program entry: the installer in a real window.
#include "installer/Installu.h"
#include "platform/vcl/fltk/FltkBackend.h"

int main() {
  vcl::fltk::FltkBackend backend;
  return RunInstaller(backend);
}

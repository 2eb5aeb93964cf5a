// The modal message dialog of the FLTK backend. Internal to the FLTK backend.
#pragma once

#include "platform/vcl/Backend.h"

namespace vcl::fltk {

// Shows the dialog centred on the screen, every other window of the program
// taking no input meanwhile, and returns the button pressed; afterwards the
// window that was active before is active again, its focus where it was.
ModalResult RunModalDialog(const DialogRequest& request);

}  // namespace vcl::fltk

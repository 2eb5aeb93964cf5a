// The shell link class behind CLSID_ShellLink.
#pragma once

#include "platform/com/objbase.h"

namespace com {

// A new link object's interface iid, its one reference owned by the caller;
// E_NOINTERFACE, with the object gone again, when it has no such interface.
HRESULT CreateShellLink(REFIID iid, void** object);

}  // namespace com

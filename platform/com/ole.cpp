#include <atomic>

#include "platform/com/ShellLink.h"
#include "platform/com/objbase.h"
#include "platform/com/shlobj.h"

namespace {

thread_local int oleInitializeCount = 0;
std::atomic<std::size_t> liveObjects{0};

}  // namespace

HRESULT OleInitialize(LPVOID /*reserved*/) { return ++oleInitializeCount == 1 ? S_OK : S_FALSE; }

void OleUninitialize() {
  if (oleInitializeCount > 0) --oleInitializeCount;
}

HRESULT CoInitialize(LPVOID reserved) { return OleInitialize(reserved); }

void CoUninitialize() { OleUninitialize(); }

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                         LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (oleInitializeCount == 0) return CO_E_NOTINITIALIZED;
  if (clsid != CLSID_ShellLink || (context & CLSCTX_INPROC_SERVER) == 0) {
    return REGDB_E_CLASSNOTREG;
  }
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return com::CreateShellLink(iid, object);
}

namespace com {

std::size_t LiveObjectCount() { return liveObjects.load(); }

LiveObject::LiveObject() { ++liveObjects; }

LiveObject::~LiveObject() { --liveObjects; }

}  // namespace com

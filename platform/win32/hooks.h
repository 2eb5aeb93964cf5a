// Seams of the layer: where the class library and tests plug in.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win32/win32.h"

namespace win32 {

// MessageBeep hands its sound type here; the class library connects the display.
void SetBeepHandler(std::function<void(UINT)> handler);

enum class CopyMethod { None, Reflink, CopyFileRange, Buffer };
// How the last CopyFileA on this thread moved the data.
CopyMethod LastCopyMethod();
const char* CopyMethodName(CopyMethod method);

// Test seam: called after every chunk CopyFileA writes, with the bytes written
// so far; returning false fails the copy there with the given error.
struct CopyFault {
  std::function<bool(std::uint64_t bytesWritten)> keepGoing;
  DWORD error = ERROR_DISK_FULL;
};
void SetCopyFaultForTesting(CopyFault fault);

// Test seam: new files start unnamed where the file system allows (the
// default), or always under a temporary name, as where it does not.
enum class TemporaryFiles { UnnamedWherePossible, NamedOnly };
void SetTemporaryFilesForTesting(TemporaryFiles temporaryFiles);

}  // namespace win32

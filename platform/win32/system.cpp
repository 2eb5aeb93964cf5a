#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/win32/codepage.h"
#include "platform/win32/hooks.h"
#include "platform/win32/paths.h"
#include "platform/win32/prefix.h"
#include "platform/win32/win32.h"

namespace {

std::function<void(UINT)>& BeepHandler() {
  static std::function<void(UINT)> handler;
  return handler;
}

// Copies text with its terminator when it fits; else the size it needs.
UINT CopyOut(const std::string& text, LPSTR buffer, UINT size) {
  if (buffer == nullptr || text.size() + 1 > size) return static_cast<UINT>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<UINT>(text.size());
}

bool IsAnsiCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_1252; }

}  // namespace

namespace win32 {
void SetBeepHandler(std::function<void(UINT)> handler) { BeepHandler() = std::move(handler); }
}  // namespace win32

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return CopyOut(win32::Prefix::Current().WindowsDirectory(), buffer, size);
}

// The host path of the running program, in the Windows form of its drive.
DWORD GetModuleFileNameA(HMODULE /*module*/, LPSTR buffer, DWORD size) {
  std::error_code error;
  const auto host = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    SetLastError(win32::ErrorFromErrno(error.value()));
    return 0;
  }
  const std::string path = win32::Prefix::Current().HostToWindows(host);
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() + 1 > size) {
    // Cut to fit, as the system does, and say so.
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

BOOL MessageBeep(UINT type) {
  if (const auto& handler = BeepHandler()) handler(type);
  return TRUE;
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, LPCSTR multiByte, int multiByteCount,
                        LPWSTR wide, int wideCount) {
  if (multiByte == nullptr || multiByteCount == 0 || wideCount < 0 ||
      (wide == nullptr && wideCount != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // A count of -1 takes the text with its terminator.
  const std::size_t length =
      multiByteCount < 0 ? std::strlen(multiByte) + 1 : static_cast<std::size_t>(multiByteCount);
  const std::string_view text(multiByte, length);
  std::u16string converted;
  if (IsAnsiCodePage(codePage)) {
    converted = win32::AnsiToUtf16(text);
  } else if (codePage == CP_UTF8) {
    converted = win32::AnsiToUtf16(win32::Utf8ToAnsi(text));
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (wideCount == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<std::size_t>(wideCount)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(wide, converted.data(), converted.size() * sizeof(WCHAR));
  return static_cast<int>(converted.size());
}

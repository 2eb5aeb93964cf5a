// The bytes of a shell link (.lnk) file: header, link information, the
// strings in UTF-16LE and the terminal block.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32.h"

namespace com {

inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;

// Link flags of the header.
inline constexpr DWORD kHasLinkInfo = 0x02;
inline constexpr DWORD kHasName = 0x04;
inline constexpr DWORD kHasWorkingDir = 0x10;
inline constexpr DWORD kHasArguments = 0x20;
inline constexpr DWORD kIsUnicode = 0x80;

inline constexpr std::size_t kShellLinkHeaderSize = 76;

// What a drive-absolute target's volume looks like.
struct LinkVolume {
  UINT driveType = DRIVE_FIXED;
  DWORD serialNumber = 0;
};

// The target's file data, when it exists.
struct LinkTargetData {
  DWORD attributes = 0;
  FILETIME creationTime{};
  FILETIME accessTime{};
  FILETIME writeTime{};
  DWORD fileSize = 0;  // the low 32 bits
};

struct ShellLinkData {
  // Full Windows path in ANSI: "C:\dir\file" or "\\server\share\dir\file".
  // Anything else gets no link information.
  std::string targetPath;
  LinkVolume volume;                 // for a drive path
  LinkTargetData target;             // zero when the target does not exist
  std::string description;           // ANSI; empty writes none
  std::string workingDirectory;      // ANSI; empty writes none
  std::string arguments;             // ANSI; empty writes none
  int showCommand = 1;               // SW_SHOWNORMAL
};

// The whole file. Strings longer than a count can hold are cut at 65535 characters.
std::string ShellLinkFileBytes(const ShellLinkData& link);

}  // namespace com

// Windows path names resolved onto host paths.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win32/win32.h"

namespace win32 {

struct ResolvedPath {
  std::string windows;             // full normalised Windows path (C:\a\b, \\srv\share\a)
  std::filesystem::path host;      // host path; existing entries matched without regard to case
  bool isRoot = false;             // names the root of a drive or share
  bool parentExists = false;       // every folder on the way exists
};

// Resolves a path in any Windows form (drive-absolute, drive-relative, rooted,
// relative, UNC) against the current prefix and folder. Returns ERROR_SUCCESS or
// ERROR_INVALID_NAME, ERROR_FILENAME_EXCED_RANGE, ERROR_PATH_NOT_FOUND.
DWORD ResolvePath(std::string_view windowsPath, ResolvedPath& resolved);

// The full Windows form of a path in any of those forms, by its text alone, as
// GetFullPathName gives it: backslashes, "." and ".." resolved, a relative path
// taken from the current folder; the drive or share need not be mapped.
// ERROR_SUCCESS, or ERROR_INVALID_NAME, ERROR_FILENAME_EXCED_RANGE, and
// ERROR_PATH_NOT_FOUND for an empty path.
DWORD FullPathName(std::string_view windowsPath, std::string& fullPath);

// The process's current folder in Windows form.
std::string CurrentDirectory();

// The Win32 code for a failed host call: ENOENT is 2, or 3 when a folder on
// the way is missing; EACCES/EPERM/EROFS 5; EEXIST 183; ENOSPC 112; ...
DWORD ErrorFromErrno(int error, bool parentExists = true);

// True for an entry with no write bit for anyone: the read-only attribute,
// which the layer honours also for root.
bool IsReadOnly(const std::filesystem::path& host);

// Writes data to the file at a resolved path in one step: a temporary file
// beside it, flushed, then a rename over the old one (see Replacement). Fails,
// writing nothing, where the folder is missing (3), the name is a folder or
// read-only (5).
DWORD WriteFileAtomically(const ResolvedPath& path, std::string_view data);

// Sets the thread's last error to code and returns FALSE, for a failing call.
BOOL Fail(DWORD code);

}  // namespace win32

// New files that replace a destination in one rename, once they are whole and
// flushed: copies, shortcut saves and text files all go this way, so that a
// file is the old one or the whole new one under its name, never a part.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win32/paths.h"
#include "platform/win32/win32.h"

namespace win32 {

// The name a temporary gets once it has one: .kestu-copy-* for a copy,
// .kestu-write-* for written data.
enum class TemporaryKind { Copy, Write };

// ERROR_SUCCESS where a new file may take path's name: its folder exists, and
// the entry there is none, a file or a link that is not read-only (seen
// through a link too), or a character device. A root, a folder or a read-only
// file is refused with ERROR_ACCESS_DENIED, as is a FIFO, a socket or a block
// device; a missing folder with ERROR_PATH_NOT_FOUND.
DWORD CheckReplaceable(const ResolvedPath& path);

// Writes all of data to fd, going on after a short write: ERROR_SUCCESS or the code of the failure.
DWORD WriteAll(int fd, const char* data, std::size_t size);

// Writes data to the file at a host path as Replacement does: ERROR_SUCCESS,
// or the code of the failure, the file then as it was.
DWORD WriteHostFileAtomically(const std::filesystem::path& path, std::string_view data);

// One new file for a destination. The data goes to a temporary beside it,
// unnamed (O_TMPFILE) where the file system allows, else named and locked
// while in use; Commit flushes it and renames it over the destination, then
// flushes the folder. A replacement not committed is discarded. Temporaries of
// our own that a killed process left in the folder are removed first.
// A character device (Z:\dev\null) is no file to replace: it is written to.
class Replacement {
 public:
  Replacement(const std::filesystem::path& destination, TemporaryKind kind);
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // The Win32 code of a failed creation, else ERROR_SUCCESS.
  DWORD CreationError() const { return creationError_; }
  int Fd() const { return fd_; }
  DWORD Write(std::string_view data);
  // The new file under the destination's name: ERROR_SUCCESS, or the code of
  // the step that failed, the destination then as it was.
  DWORD Commit();

 private:
  DWORD CreateTemporary();
  DWORD NameTemporary();
  void Discard();

  std::string destinationName_;  // in its folder
  TemporaryKind kind_;
  int folder_ = -1;
  int fd_ = -1;
  std::string temporaryName_;  // empty while unnamed
  bool direct_ = false;        // a device, written to
  bool committed_ = false;
  DWORD creationError_ = ERROR_SUCCESS;
};

}  // namespace win32

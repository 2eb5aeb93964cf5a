#include "platform/vcl/TextFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/win32/paths.h"

namespace vcl {

namespace {

// Run-time codes of their own, beside the system's.
constexpr DWORD kDiskFull = 101;  // a write that took fewer bytes than given
constexpr DWORD kFileNotOpen = 103;

}  // namespace

std::string InOutErrorMessage(DWORD code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

void RaiseInOutError(DWORD code) { throw EInOutError(InOutErrorMessage(code), code); }

TextFile::TextFile(std::string fileName) : fileName_(std::move(fileName)) {}

TextFile::~TextFile() {
  if (handle_ >= 0) ::close(handle_);
}

void TextFile::Rewrite() {
  if (handle_ >= 0) {
    ::close(handle_);
    handle_ = -1;
  }
  win32::ResolvedPath path;
  if (DWORD code = win32::ResolvePath(fileName_, path); code != ERROR_SUCCESS)
    RaiseInOutError(code);
  if (path.isRoot) RaiseInOutError(ERROR_ACCESS_DENIED);
  if (win32::IsReadOnly(path.host)) RaiseInOutError(ERROR_ACCESS_DENIED);
  int handle = ::open(path.host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (handle < 0) RaiseInOutError(win32::ErrorFromErrno(errno, path.parentExists));
  handle_ = handle;
}

void TextFile::Write(std::string_view text) {
  if (handle_ < 0) RaiseInOutError(kFileNotOpen);
  if (text.empty()) return;
  ssize_t written;
  do {
    written = ::write(handle_, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) RaiseInOutError(win32::ErrorFromErrno(errno));
  if (static_cast<std::size_t>(written) != text.size()) RaiseInOutError(kDiskFull);
}

void TextFile::Writeln(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  Write(line);
}

void TextFile::CloseFile() {
  if (handle_ < 0) RaiseInOutError(kFileNotOpen);
  const int handle = std::exchange(handle_, -1);
  // The descriptor is gone whatever close reports.
  if (::close(handle) != 0 && errno != EINTR) RaiseInOutError(win32::ErrorFromErrno(errno));
}

}  // namespace vcl

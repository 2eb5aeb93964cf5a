#include "platform/vcl/TextFiles.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/win32/paths.h"
#include "platform/win32/replacement.h"

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

TextFile::~TextFile() = default;

void TextFile::Rewrite() {
  file_.reset();
  win32::ResolvedPath path;
  if (DWORD code = win32::ResolvePath(fileName_, path); code != ERROR_SUCCESS) RaiseInOutError(code);
  if (DWORD code = win32::CheckReplaceable(path); code != ERROR_SUCCESS) RaiseInOutError(code);
  auto file = std::make_unique<win32::Replacement>(path.host, win32::TemporaryKind::Write);
  if (DWORD code = file->CreationError(); code != ERROR_SUCCESS) RaiseInOutError(code);
  file_ = std::move(file);
}

void TextFile::Write(std::string_view text) {
  if (!file_) RaiseInOutError(kFileNotOpen);
  if (text.empty()) return;
  ssize_t written;
  do {
    written = ::write(file_->Fd(), text.data(), text.size());
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
  if (!file_) RaiseInOutError(kFileNotOpen);
  // The file is closed whatever the commit reports.
  const auto file = std::move(file_);
  if (DWORD code = file->Commit(); code != ERROR_SUCCESS) RaiseInOutError(code);
}

}  // namespace vcl

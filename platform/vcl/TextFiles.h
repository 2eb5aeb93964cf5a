// Text-file output as the run-time library offers it: AssignFile names the
// file, Rewrite creates or empties it, Writeln writes a line ending in CR LF,
// CloseFile closes it. Every failure raises EInOutError.
#pragma once

#include <string>
#include <string_view>

#include "platform/vcl/SysUtils.h"

namespace vcl {

// The message of an EInOutError for a system or run-time error code.
std::string InOutErrorMessage(DWORD code);
[[noreturn]] void RaiseInOutError(DWORD code);

class TextFile {
 public:
  // AssignFile: names the file (any Windows path form); opens nothing.
  explicit TextFile(std::string fileName);
  // A file still open is closed; a failure then is dropped, since the error
  // that left the writing code is the one to report.
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Creates the file, or empties an existing one. A read-only file is refused
  // also when the process may write it anyway (as root).
  void Rewrite();
  // The text's bytes as they are (ANSI), written at once.
  void Write(std::string_view text);
  void Writeln(std::string_view text);
  void CloseFile();

  bool IsOpen() const { return handle_ >= 0; }
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  int handle_ = -1;
};

}  // namespace vcl

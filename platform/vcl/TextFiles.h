// Text-file output as the run-time library offers it: AssignFile names the
// file, Rewrite starts it anew, Writeln writes a line ending in CR LF,
// CloseFile closes it. Every failure raises EInOutError. What is written goes
// to a new file that takes the name at CloseFile, so that the name holds the
// old file or the whole new text, never a part; a link of that name is
// replaced, never written through.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/vcl/SysUtils.h"

namespace win32 {
class Replacement;
}

namespace vcl {

// The message of an EInOutError for a system or run-time error code.
std::string InOutErrorMessage(DWORD code);
[[noreturn]] void RaiseInOutError(DWORD code);

class TextFile {
 public:
  // AssignFile: names the file (any Windows path form); opens nothing.
  explicit TextFile(std::string fileName);
  // A file still open is closed without taking the name: the old file stays,
  // and the error that left the writing code is the one to report.
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Starts the file anew; an existing one stays as it is until CloseFile. A
  // read-only file is refused also when the process may write it anyway (as root).
  void Rewrite();
  // The text's bytes as they are (ANSI), written at once.
  void Write(std::string_view text);
  void Writeln(std::string_view text);
  // Gives the written text the file's name.
  void CloseFile();

  bool IsOpen() const { return file_ != nullptr; }
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  std::unique_ptr<win32::Replacement> file_;
};

}  // namespace vcl

// The class library's exception classes, the file test and the exit procedures.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "platform/win32/win32.h"

namespace vcl {

// Base of every exception the class library and the program raise; the
// message is all it carries.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A failed file operation of the text-file output, with the system's code.
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, DWORD errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  DWORD ErrorCode;
};

// True when an entry of that name exists and is not a folder (FindFirstFileA's view).
bool FileExists(const std::string& fileName);

// The system's reason for an error code, as FormatMessage gives it, without its line end.
std::string SysErrorMessage(DWORD errorCode);

// Exit procedures run in the reverse order of their registration, at the end of
// the program (or when a test runs them).
void AddExitProc(std::function<void()> procedure);
void RunExitProcs();

}  // namespace vcl

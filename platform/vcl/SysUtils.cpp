#include "platform/vcl/SysUtils.h"

#include <array>
#include <utility>
#include <vector>

namespace vcl {

bool FileExists(const std::string& fileName) {
  WIN32_FIND_DATAA findData{};
  HANDLE find = FindFirstFileA(fileName.c_str(), &findData);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string SysErrorMessage(DWORD errorCode) {
  std::array<char, 1024> buffer{};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                errorCode, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
                                nullptr);
  std::string message(buffer.data(), length);
  while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ')
    message.pop_back();
  return message;
}

namespace {

std::vector<std::function<void()>>& ExitProcs() {
  static std::vector<std::function<void()>> procedures;
  return procedures;
}

}  // namespace

void AddExitProc(std::function<void()> procedure) { ExitProcs().push_back(std::move(procedure)); }

void RunExitProcs() {
  // One at a time from the back, so that a step registered while the steps run
  // still runs, and one that throws leaves the earlier ones registered.
  auto& procedures = ExitProcs();
  while (!procedures.empty()) {
    std::function<void()> procedure = std::move(procedures.back());
    procedures.pop_back();
    if (procedure) procedure();
  }
}

}  // namespace vcl

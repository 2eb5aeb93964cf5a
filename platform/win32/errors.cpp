#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/win32/paths.h"
#include "platform/win32/win32.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;

struct ErrorText {
  DWORD code;
  const char* text;
};

// The system's reasons, as FormatMessage gives them.
constexpr ErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_DUP_NAME, "You were not connected because a duplicate name exists on the network."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_IO_DEVICE, "The request could not be performed because of an I/O device error."},
};
}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD code) { lastError = code; }

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/,
                     LPSTR buffer, DWORD size, void* /*arguments*/) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = nullptr;
  for (const auto& entry : kErrorTexts)
    if (entry.code == messageId) text = entry.text;
  if (text == nullptr) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND: no message for that code
    return 0;
  }
  const std::size_t length = std::strlen(text) + 2;  // the system's texts end in CR LF
  if (length + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::snprintf(buffer, size, "%s\r\n", text);
  return static_cast<DWORD>(length);
}

namespace win32 {

DWORD ErrorFromErrno(int error, bool parentExists) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    default: return ERROR_IO_DEVICE;
  }
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

}  // namespace win32

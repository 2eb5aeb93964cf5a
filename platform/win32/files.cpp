#include <fcntl.h>
#include <fnmatch.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/win32/codepage.h"
#include "platform/win32/hooks.h"
#include "platform/win32/paths.h"
#include "platform/win32/replacement.h"
#include "platform/win32/win32.h"

namespace fs = std::filesystem;

namespace win32 {
namespace {

thread_local CopyMethod lastCopyMethod = CopyMethod::None;
CopyFault copyFault;

constexpr std::size_t kCopyChunk = std::size_t{64} << 20;
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

DWORD AfterChunk(std::uint64_t written) {
  if (copyFault.keepGoing && !copyFault.keepGoing(written)) return copyFault.error;
  return ERROR_SUCCESS;
}

DWORD CopyWithBuffer(int in, int out, std::uint64_t written) {
  lastCopyMethod = CopyMethod::Buffer;
  const auto buffer = std::make_unique<char[]>(kBufferSize);
  for (;;) {
    const ssize_t n = ::read(in, buffer.get(), kBufferSize);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorFromErrno(errno);
    if (n == 0) return ERROR_SUCCESS;
    if (const DWORD error = WriteAll(out, buffer.get(), static_cast<std::size_t>(n)); error != 0)
      return error;
    written += static_cast<std::uint64_t>(n);
    if (const DWORD error = AfterChunk(written); error != ERROR_SUCCESS) return error;
  }
}

// The kernel's fast paths first: a reflink shares the blocks, copy_file_range
// copies inside the kernel; a large-buffer loop where neither works.
DWORD CopyData(int in, int out, std::uint64_t size) {
  if (size > 0 && ::ioctl(out, FICLONE, in) == 0) {
    lastCopyMethod = CopyMethod::Reflink;
    return AfterChunk(size);
  }
  lastCopyMethod = CopyMethod::CopyFileRange;
  std::uint64_t written = 0;
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kCopyChunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && written == 0 &&
        (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
         errno == EBADF))
      return CopyWithBuffer(in, out, 0);
    if (n < 0) return ErrorFromErrno(errno);
    if (n == 0) return ERROR_SUCCESS;
    written += static_cast<std::uint64_t>(n);
    if (const DWORD error = AfterChunk(written); error != ERROR_SUCCESS) return error;
  }
}

DWORD CopyFile(const ResolvedPath& source, const ResolvedPath& destination, bool failIfExists) {
  struct stat sourceInfo {};
  if (::stat(source.host.c_str(), &sourceInfo) != 0) return ErrorFromErrno(errno, source.parentExists);
  // Only a regular file is copied: a folder, a FIFO or a device is refused
  // unopened, since opening a FIFO would block and a device never ends.
  if (!S_ISREG(sourceInfo.st_mode)) return ERROR_ACCESS_DENIED;

  if (destination.isRoot) return ERROR_ACCESS_DENIED;
  if (!destination.parentExists) return ERROR_PATH_NOT_FOUND;
  struct stat destinationInfo {};
  const bool destinationExists = ::stat(destination.host.c_str(), &destinationInfo) == 0;
  if (destinationExists && failIfExists) return ERROR_FILE_EXISTS;
  if (const DWORD error = CheckReplaceable(destination); error != ERROR_SUCCESS) return error;
  if (destinationExists && destinationInfo.st_dev == sourceInfo.st_dev && destinationInfo.st_ino == sourceInfo.st_ino)
    return ERROR_SHARING_VIOLATION;  // a file onto itself

  // Not blocking even where the source has become a FIFO since it was looked
  // at; on a regular file O_NONBLOCK changes nothing.
  const FileDescriptor in(::open(source.host.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (in.Get() < 0) return ErrorFromErrno(errno);
  struct stat opened {};
  if (::fstat(in.Get(), &opened) != 0) return ErrorFromErrno(errno);
  if (!S_ISREG(opened.st_mode)) return ERROR_ACCESS_DENIED;

  Replacement copy(destination.host, TemporaryKind::Copy);
  if (const DWORD error = copy.CreationError(); error != ERROR_SUCCESS) return error;
  if (const DWORD error = CopyData(in.Get(), copy.Fd(), static_cast<std::uint64_t>(opened.st_size));
      error != ERROR_SUCCESS)
    return error;
  // The copy keeps the source's last-write time; its mode follows the
  // read-only attribute alone, which a new file does not have.
  const struct timespec times[2] = {opened.st_atim, opened.st_mtim};
  if (::futimens(copy.Fd(), times) != 0) return ErrorFromErrno(errno);
  return copy.Commit();
}

FILETIME ToFileTime(std::int64_t seconds, std::uint32_t nanoseconds) {
  // 100-nanosecond steps since 1601-01-01.
  constexpr std::int64_t kEpochDifference = 11644473600;
  const std::int64_t ticks = (seconds + kEpochDifference) * 10000000 + nanoseconds / 100;
  const auto value = static_cast<std::uint64_t>(ticks < 0 ? 0 : ticks);
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FILETIME ToFileTime(const struct statx_timestamp& time) { return ToFileTime(time.tv_sec, time.tv_nsec); }

DWORD AttributesOf(mode_t mode) {
  DWORD attributes = S_ISDIR(mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

}  // namespace

void SetCopyFaultForTesting(CopyFault fault) { copyFault = std::move(fault); }
CopyMethod LastCopyMethod() { return lastCopyMethod; }

const char* CopyMethodName(CopyMethod method) {
  switch (method) {
    case CopyMethod::Reflink: return "reflink";
    case CopyMethod::CopyFileRange: return "copy_file_range";
    case CopyMethod::Buffer: return "buffer";
    case CopyMethod::None: break;
  }
  return "none";
}

// Fills a find record from a host entry; the name is the entry's ANSI name.
// Returns the errno of a failed look, or 0.
int FillFindData(const fs::path& host, WIN32_FIND_DATAA& data) {
  struct statx info {};
  if (::statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return errno;
  const bool directory = S_ISDIR(info.stx_mode);
  data = WIN32_FIND_DATAA{};
  data.dwFileAttributes = AttributesOf(info.stx_mode);
  data.ftLastAccessTime = ToFileTime(info.stx_atime);
  data.ftLastWriteTime = ToFileTime(info.stx_mtime);
  // Where the file system keeps no birth time, the last write is the best guess.
  data.ftCreationTime = (info.stx_mask & STATX_BTIME) != 0 ? ToFileTime(info.stx_btime) : data.ftLastWriteTime;
  const std::uint64_t size = directory ? 0 : info.stx_size;
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size);
  const std::string name = Utf8ToAnsi(host.filename().string());
  std::strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
  return 0;
}

}  // namespace win32

struct FindHandle {
  std::vector<WIN32_FIND_DATAA> remaining;
};

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES /*securityAttributes*/) {
  win32::ResolvedPath resolved;
  if (const DWORD error = win32::ResolvePath(path != nullptr ? path : "", resolved); error != 0)
    return win32::Fail(error);
  if (resolved.isRoot) return win32::Fail(ERROR_ALREADY_EXISTS);
  if (::mkdir(resolved.host.c_str(), 0777) != 0)
    return win32::Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win32::ErrorFromErrno(errno));
  return TRUE;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  win32::lastCopyMethod = win32::CopyMethod::None;
  win32::ResolvedPath source;
  win32::ResolvedPath destination;
  if (const DWORD error = win32::ResolvePath(existingFileName != nullptr ? existingFileName : "", source);
      error != 0)
    return win32::Fail(error);
  if (const DWORD error = win32::ResolvePath(newFileName != nullptr ? newFileName : "", destination);
      error != 0)
    return win32::Fail(error);
  if (const DWORD error = win32::CopyFile(source, destination, failIfExists != FALSE); error != 0)
    return win32::Fail(error);
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  win32::ResolvedPath resolved;
  if (const DWORD error = win32::ResolvePath(fileName != nullptr ? fileName : "", resolved); error != 0) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat info {};
  if (::stat(resolved.host.c_str(), &info) != 0) {
    SetLastError(win32::ErrorFromErrno(errno, resolved.parentExists));
    return INVALID_FILE_ATTRIBUTES;
  }
  return win32::AttributesOf(info.st_mode);
}

// Only the read-only attribute has a host form: no write bit for anyone.
BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  win32::ResolvedPath resolved;
  if (const DWORD error = win32::ResolvePath(fileName != nullptr ? fileName : "", resolved); error != 0)
    return win32::Fail(error);
  struct stat info {};
  if (::stat(resolved.host.c_str(), &info) != 0)
    return win32::Fail(win32::ErrorFromErrno(errno, resolved.parentExists));
  const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? (info.st_mode & 07555)
                                                                  : (info.st_mode | S_IWUSR);
  if (::chmod(resolved.host.c_str(), mode & 07777) != 0) return win32::Fail(win32::ErrorFromErrno(errno));
  return TRUE;
}

HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* findData) {
  const std::string pattern = fileName != nullptr ? fileName : "";
  const std::size_t cut = pattern.find_last_of("\\/:");
  const std::string name = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  auto handle = std::make_unique<FindHandle>();

  if (name.find_first_of("*?") == std::string::npos) {
    win32::ResolvedPath resolved;
    if (const DWORD error = win32::ResolvePath(pattern, resolved); error != 0) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
    if (resolved.isRoot) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    handle->remaining.emplace_back();
    if (const int error = win32::FillFindData(resolved.host, handle->remaining.back()); error != 0) {
      SetLastError(win32::ErrorFromErrno(error, resolved.parentExists));
      return INVALID_HANDLE_VALUE;
    }
  } else {
    const std::string folder = cut == std::string::npos ? "." : pattern.substr(0, cut + 1) + ".";
    win32::ResolvedPath resolved;
    if (const DWORD error = win32::ResolvePath(folder, resolved); error != 0) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
    std::string upperPattern;
    for (char c : name) upperPattern += win32::AnsiToUpper(c);
    std::error_code error;
    fs::directory_iterator entries(resolved.host, error);
    if (error) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    for (const auto& entry : entries) {
      std::string upperName;
      for (char c : win32::Utf8ToAnsi(entry.path().filename().string())) upperName += win32::AnsiToUpper(c);
      if (::fnmatch(upperPattern.c_str(), upperName.c_str(), FNM_NOESCAPE) != 0) continue;
      WIN32_FIND_DATAA found;
      if (win32::FillFindData(entry.path(), found) == 0) handle->remaining.push_back(found);
    }
  }
  if (handle->remaining.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (findData != nullptr) *findData = handle->remaining.front();
  handle->remaining.erase(handle->remaining.begin());
  return handle.release();
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* findData) {
  if (find == nullptr || find == INVALID_HANDLE_VALUE) return win32::Fail(ERROR_INVALID_HANDLE);
  if (find->remaining.empty()) return win32::Fail(ERROR_NO_MORE_FILES);
  if (findData != nullptr) *findData = find->remaining.front();
  find->remaining.erase(find->remaining.begin());
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (find == nullptr || find == INVALID_HANDLE_VALUE) return win32::Fail(ERROR_INVALID_HANDLE);
  delete find;
  return TRUE;
}

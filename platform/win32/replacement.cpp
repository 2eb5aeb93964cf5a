#include "platform/win32/replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/win32/hooks.h"

namespace fs = std::filesystem;

namespace win32 {
namespace {

TemporaryFiles temporaryFiles = TemporaryFiles::UnnamedWherePossible;

constexpr std::array<std::string_view, 2> kTemporaryPrefixes = {".kestu-copy-", ".kestu-write-"};
constexpr int kNameAttempts = 100;
// Owner read and write always; group and others read as the umask allows.
constexpr mode_t kNewFileMode = 0644;

std::string_view TemporaryPrefix(TemporaryKind kind) {
  return kind == TemporaryKind::Copy ? kTemporaryPrefixes[0] : kTemporaryPrefixes[1];
}

std::string FreshName(TemporaryKind kind) {
  static constexpr std::string_view kLetters =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  static std::uint64_t sequence = 0;
  std::uint64_t bits = 0;
  // Without the kernel's randomness, the process and a count still differ between two tries.
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits))
    bits = (static_cast<std::uint64_t>(::getpid()) << 32) ^ ++sequence;
  std::string name(TemporaryPrefix(kind));
  for (int i = 0; i < 8; ++i, bits /= kLetters.size()) name += kLetters[bits % kLetters.size()];
  return name;
}

bool IsTemporaryName(std::string_view name) {
  for (std::string_view prefix : kTemporaryPrefixes)
    if (name.starts_with(prefix) && name.size() > prefix.size()) return true;
  return false;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// True while name in folder is the file open on fd.
bool NameIsFile(int folder, const std::string& name, int fd) {
  struct stat named {};
  struct stat opened {};
  return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &opened) == 0 &&
         SameFile(named, opened);
}

// A temporary whose lock nobody holds was left by a process that died before
// it could rename or remove it; one that is still being written is locked.
void RemoveIfStale(int folder, const std::string& name) {
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {};
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      NameIsFile(folder, name, fd))
    ::unlinkat(folder, name.c_str(), 0);
  ::close(fd);
}

void RemoveStaleTemporaries(int folder) {
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  std::vector<std::string> temporaries;
  while (const dirent* entry = ::readdir(entries))
    if (IsTemporaryName(entry->d_name)) temporaries.emplace_back(entry->d_name);
  ::closedir(entries);
  for (const auto& name : temporaries) RemoveIfStale(folder, name);
}

// Owner read and write whatever the umask, which decides the rest.
DWORD GiveNewFileMode(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return ErrorFromErrno(errno);
  if ((info.st_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR)) return ERROR_SUCCESS;
  if (::fchmod(fd, (info.st_mode & 0777) | S_IRUSR | S_IWUSR) != 0) return ErrorFromErrno(errno);
  return ERROR_SUCCESS;
}

}  // namespace

void SetTemporaryFilesForTesting(TemporaryFiles mode) { temporaryFiles = mode; }

DWORD WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return ERROR_SUCCESS;
}

DWORD CheckReplaceable(const ResolvedPath& path) {
  if (path.isRoot) return ERROR_ACCESS_DENIED;
  if (!path.parentExists) return ERROR_PATH_NOT_FOUND;
  struct stat entry {};
  if (::lstat(path.host.c_str(), &entry) != 0) return errno == ENOENT ? ERROR_SUCCESS : ErrorFromErrno(errno);
  if (!S_ISREG(entry.st_mode) && !S_ISLNK(entry.st_mode) && !S_ISCHR(entry.st_mode) && !S_ISDIR(entry.st_mode))
    return ERROR_ACCESS_DENIED;
  struct stat target {};
  const bool resolves = ::stat(path.host.c_str(), &target) == 0;
  if (resolves && (S_ISDIR(target.st_mode) || IsReadOnly(path.host))) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

Replacement::Replacement(const fs::path& destination, TemporaryKind kind)
    : destinationName_(destination.filename()), kind_(kind) {
  struct stat entry {};
  if (::lstat(destination.c_str(), &entry) == 0 && S_ISCHR(entry.st_mode)) {
    direct_ = true;
    fd_ = ::open(destination.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) creationError_ = ErrorFromErrno(errno);
    return;
  }
  const fs::path folder = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
  folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) {
    creationError_ = ErrorFromErrno(errno, false);
    return;
  }
  RemoveStaleTemporaries(folder_);
  creationError_ = CreateTemporary();
  if (creationError_ == ERROR_SUCCESS) creationError_ = GiveNewFileMode(fd_);
}

Replacement::~Replacement() {
  if (!committed_) Discard();
  if (fd_ >= 0) ::close(fd_);
  if (folder_ >= 0) ::close(folder_);
}

DWORD Replacement::CreateTemporary() {
  if (temporaryFiles == TemporaryFiles::UnnamedWherePossible) {
    // Where the file system has no unnamed files, the call fails in one of
    // several ways; a named temporary serves there.
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_EX);  // held from before it has a name
      return ERROR_SUCCESS;
    }
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = FreshName(kind_);
    fd_ = ::openat(folder_, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
    if (fd_ < 0) {
      if (errno == EEXIST) continue;
      return ErrorFromErrno(errno);
    }
    // Locked while in use, so that no other replacement takes it for a
    // leftover. Where the file system has no locks, nothing is taken for one.
    ::flock(fd_, LOCK_EX);
    if (NameIsFile(folder_, name, fd_)) {
      temporaryName_ = std::move(name);
      return ERROR_SUCCESS;
    }
    // Removed as a leftover in the moment before the lock: try another name.
    ::close(fd_);
    fd_ = -1;
  }
  return ERROR_FILE_EXISTS;
}

// linkat cannot replace a name, so an unnamed file first gets a fresh
// temporary one, which the rename then moves over the destination.
DWORD Replacement::NameTemporary() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = FreshName(kind_);
    // AT_EMPTY_PATH needs a privilege; the process's own fd link does not.
    if (::linkat(fd_, "", folder_, name.c_str(), AT_EMPTY_PATH) == 0 ||
        ::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporaryName_ = std::move(name);
      return ERROR_SUCCESS;
    }
    if (errno != EEXIST) return ErrorFromErrno(errno);
  }
  return ERROR_FILE_EXISTS;
}

DWORD Replacement::Write(std::string_view data) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  return WriteAll(fd_, data.data(), data.size());
}

DWORD Replacement::Commit() {
  if (creationError_ != ERROR_SUCCESS) return creationError_;
  if (fd_ < 0 || committed_) return ERROR_INVALID_HANDLE;
  if (direct_) {
    committed_ = true;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) return ErrorFromErrno(errno);
    return ERROR_SUCCESS;
  }
  // The data on the disk before the name: a power loss then leaves the old file or the whole new one.
  if (::fsync(fd_) != 0) return ErrorFromErrno(errno);
  if (temporaryName_.empty())
    if (const DWORD error = NameTemporary(); error != ERROR_SUCCESS) return error;
  if (::renameat(folder_, temporaryName_.c_str(), folder_, destinationName_.c_str()) != 0)
    return ErrorFromErrno(errno);
  committed_ = true;
  // The new file has its name; the folder's flush only makes the rename last
  // through a power loss, and a file system that cannot flush a folder does
  // not make the replacement untrue.
  ::fsync(folder_);
  return ERROR_SUCCESS;
}

void Replacement::Discard() {
  // Removed while still locked, so that no other replacement races for it.
  if (!temporaryName_.empty() && folder_ >= 0) ::unlinkat(folder_, temporaryName_.c_str(), 0);
}

DWORD WriteFileAtomically(const ResolvedPath& path, std::string_view data) {
  if (const DWORD error = CheckReplaceable(path); error != ERROR_SUCCESS) return error;
  return WriteHostFileAtomically(path.host, data);
}

DWORD WriteHostFileAtomically(const fs::path& path, std::string_view data) {
  Replacement file(path, TemporaryKind::Write);
  if (const DWORD error = file.CreationError(); error != ERROR_SUCCESS) return error;
  if (const DWORD error = file.Write(data); error != ERROR_SUCCESS) return error;
  return file.Commit();
}

}  // namespace win32

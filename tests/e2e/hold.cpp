// Preloaded into the setup program by the end-to-end cases (LD_PRELOAD), so
// that a case can look at the window while the installation runs: the
// program stops after each immediate repaint (the window's XSync) and before
// it opens one of the five program files on the medium to copy it, tells the
// case, and goes on when the case says so. Without KESTU_E2E_HOLD_DIR in the
// environment it does nothing.
//
// The protocol, in the folder KESTU_E2E_HOLD_DIR: the program writes the file
// "event", one line "NUMBER repaint" or "NUMBER open NAME" (numbered from 1),
// and waits until the case has removed it.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 5> kProgramFiles = {"read_me.txt", "calendar.exe", "calendar.hlp",
                                                           "printcal.txt", "calendar.dat"};

template <class Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

const char* HoldFolder() {
  static const char* folder = std::getenv("KESTU_E2E_HOLD_DIR");
  return folder && *folder ? folder : nullptr;
}

// The hook's own file work must not be held.
thread_local bool insideHold = false;

void Hold(const std::string& what) {
  const char* folder = HoldFolder();
  if (!folder || insideHold) return;
  insideHold = true;
  const int savedErrno = errno;
  static int number = 0;
  const std::string event = std::string(folder) + "/event";
  const std::string draft = event + ".new";
  if (FILE* file = std::fopen(draft.c_str(), "w")) {
    std::fprintf(file, "%d %s\n", ++number, what.c_str());
    std::fclose(file);
    std::rename(draft.c_str(), event.c_str());
    while (access(event.c_str(), F_OK) == 0) usleep(2000);
  }
  errno = savedErrno;
  insideHold = false;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A copy's source: one of the program files, opened for reading, in the
// program's current folder (the medium).
void HoldBeforeOpening(int folderDescriptor, const char* path, int flags) {
  if (!HoldFolder() || insideHold || !path || (flags & O_ACCMODE) != O_RDONLY) return;
  const std::string_view whole(path);
  const std::size_t slash = whole.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? whole : whole.substr(slash + 1);
  bool programFile = false;
  for (std::string_view file : kProgramFiles) programFile = programFile || name == file;
  if (!programFile) return;
  const std::string folder = slash == std::string_view::npos ? "." : std::string(whole.substr(0, slash + 1));
  struct stat opened {}, current {};
  const int base = slash == std::string_view::npos || whole.front() != '/' ? folderDescriptor : AT_FDCWD;
  if (fstatat(base, folder.c_str(), &opened, 0) != 0 || stat(".", &current) != 0) return;
  if (SameFile(opened, current)) Hold("open " + std::string(name));
}

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

}  // namespace

extern "C" {

int XSync(Display* display, Bool discard) {
  static const auto next = Next<int (*)(Display*, Bool)>("XSync");
  const int result = next(display, discard);
  Hold("repaint");
  return result;
}

// Declares mode: the argument that follows the flags where they create a file.
#define KESTU_READ_MODE(flags)                      \
  va_list arguments;                                \
  va_start(arguments, flags);                       \
  const mode_t mode = ModeArgument(flags, arguments); \
  va_end(arguments)

int open(const char* path, int flags, ...) {
  static const auto next = Next<int (*)(const char*, int, ...)>("open");
  KESTU_READ_MODE(flags);
  HoldBeforeOpening(AT_FDCWD, path, flags);
  return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  static const auto next = Next<int (*)(const char*, int, ...)>("open64");
  KESTU_READ_MODE(flags);
  HoldBeforeOpening(AT_FDCWD, path, flags);
  return next(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
  static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
  KESTU_READ_MODE(flags);
  HoldBeforeOpening(folder, path, flags);
  return next(folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...) {
  static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
  KESTU_READ_MODE(flags);
  HoldBeforeOpening(folder, path, flags);
  return next(folder, path, flags, mode);
}

// What a program built with _FORTIFY_SOURCE calls instead.
int __open_2(const char* path, int flags) {
  static const auto next = Next<int (*)(const char*, int)>("__open_2");
  HoldBeforeOpening(AT_FDCWD, path, flags);
  return next(path, flags);
}

int __open64_2(const char* path, int flags) {
  static const auto next = Next<int (*)(const char*, int)>("__open64_2");
  HoldBeforeOpening(AT_FDCWD, path, flags);
  return next(path, flags);
}

}  // extern "C"

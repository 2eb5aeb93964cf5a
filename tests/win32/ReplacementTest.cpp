// New files that replace their destination in one rename: what a killed copy
// leaves, what the next copy into the folder clears, the descriptors' flags
// and the new files' modes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/hooks.h"
#include "platform/win32/paths.h"
#include "platform/win32/win32.h"
#include "tests/support/DiskSnapshot.h"
#include "tests/support/RowNames.h"
#include "tests/support/TempPrefix.h"

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::SnapshotOf;
using testing_support::TemporariesIn;
using testing_support::WriteFile;

namespace {

using testing_support::PrintTo;

class ReplacementTest : public ::testing::Test {
 protected:
  ReplacementTest() {
    WriteFile(C("src/big.bin"), std::string(3 << 20, 'n'));
    WriteFile(C("src/small.txt"), "small");
    WriteFile(C("dst/big.bin"), "the old file");
  }
  ~ReplacementTest() override {
    win32::SetCopyFaultForTesting({});
    win32::SetTemporaryFilesForTesting(win32::TemporaryFiles::UnnamedWherePossible);
  }

  fs::path C(const fs::path& relative) const { return prefix.DriveC() / relative; }
  std::vector<std::string> Temporaries() const { return TemporariesIn(SnapshotOf(C("dst"))); }
  static std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Whether the file system of a folder has unnamed files.
  static bool HasUnnamedFiles(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
  }

  testing_support::TempPrefix prefix;
};

// A process of its own that copies C:\src\big.bin onto C:\dst\big.bin and
// stops in the middle of it, its data written and not yet renamed: it ends
// there at once, or waits there until it is killed.
enum class Stop { EndsInTheSeam, WaitsToBeKilled };

class StoppedCopy {
 public:
  StoppedCopy(Stop stop, win32::TemporaryFiles temporaries) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    pid_ = ::fork();
    if (pid_ == 0) {
      win32::SetTemporaryFilesForTesting(temporaries);
      win32::SetCopyFaultForTesting({[stop, signal = ready[1]](std::uint64_t) {
                                       if (stop == Stop::EndsInTheSeam) ::_exit(0);
                                       const char byte = 'r';
                                       if (::write(signal, &byte, 1) != 1) ::_exit(2);
                                       for (;;) ::pause();
                                       return true;
                                     },
                                     ERROR_DISK_FULL});
      CopyFileA("C:\\src\\big.bin", "C:\\dst\\big.bin", FALSE);
      ::_exit(1);  // the copy was to stop before its end
    }
    ::close(ready[1]);
    if (stop == Stop::WaitsToBeKilled) {
      char byte = 0;
      if (::read(ready[0], &byte, 1) != 1) ADD_FAILURE() << "the copy did not reach its middle";
    }
    ::close(ready[0]);
  }
  ~StoppedCopy() {
    if (pid_ > 0) Kill();
  }
  StoppedCopy(const StoppedCopy&) = delete;
  StoppedCopy& operator=(const StoppedCopy&) = delete;

  // SIGKILL, then the process's end; returns its wait status.
  int Kill() {
    ::kill(pid_, SIGKILL);
    return Wait();
  }
  int Wait() {
    int status = 0;
    ::waitpid(std::exchange(pid_, -1), &status, 0);
    return status;
  }

 private:
  pid_t pid_ = -1;
};

struct KilledCopyRow {
  const char* name;
  Stop stop;
  win32::TemporaryFiles temporaries;
};

class KilledCopyTest : public ReplacementTest, public ::testing::WithParamInterface<KilledCopyRow> {};

TEST_P(KilledCopyTest, LeavesTheOldFileAndNoTemporaryAfterTheNextCopyIntoTheFolder) {
  const KilledCopyRow& row = GetParam();
  {
    StoppedCopy copy(row.stop, row.temporaries);
    const int status = row.stop == Stop::EndsInTheSeam ? copy.Wait() : copy.Kill();
    const bool endedAsMeant = row.stop == Stop::EndsInTheSeam ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                                                              : WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    EXPECT_TRUE(endedAsMeant) << status;
  }
  EXPECT_EQ(ReadFile(C("dst/big.bin")), "the old file");
  if (row.temporaries == win32::TemporaryFiles::NamedOnly) {
    EXPECT_EQ(Temporaries().size(), 1u) << "a named temporary outlives its process";
  } else if (HasUnnamedFiles(C("dst"))) {
    EXPECT_TRUE(Temporaries().empty()) << "an unnamed temporary dies with its process";
  }

  ASSERT_TRUE(CopyFileA("C:\\src\\small.txt", "C:\\dst\\small.txt", FALSE)) << GetLastError();
  EXPECT_EQ(Entries(C("dst")), (std::vector<std::string>{"big.bin", "small.txt"}));
  ASSERT_TRUE(CopyFileA("C:\\src\\big.bin", "C:\\dst\\big.bin", FALSE)) << GetLastError();
  EXPECT_EQ(ReadFile(C("dst/big.bin")), ReadFile(C("src/big.bin")));
}

const KilledCopyRow kKilledCopyRows[] = {
    {"ends in the seam, unnamed temporary", Stop::EndsInTheSeam, win32::TemporaryFiles::UnnamedWherePossible},
    {"ends in the seam, named temporary", Stop::EndsInTheSeam, win32::TemporaryFiles::NamedOnly},
    {"killed by SIGKILL, unnamed temporary", Stop::WaitsToBeKilled, win32::TemporaryFiles::UnnamedWherePossible},
    {"killed by SIGKILL, named temporary", Stop::WaitsToBeKilled, win32::TemporaryFiles::NamedOnly},
};
INSTANTIATE_TEST_SUITE_P(Rows, KilledCopyTest, ::testing::ValuesIn(kKilledCopyRows), testing_support::RowName());

TEST_F(ReplacementTest, ATemporaryStillBeingWrittenIsNoLeftover) {
  StoppedCopy copy(Stop::WaitsToBeKilled, win32::TemporaryFiles::NamedOnly);
  ASSERT_TRUE(CopyFileA("C:\\src\\small.txt", "C:\\dst\\small.txt", FALSE)) << GetLastError();
  EXPECT_EQ(Temporaries().size(), 1u) << "the live copy's temporary is kept";
  copy.Kill();
  ASSERT_TRUE(CopyFileA("C:\\src\\small.txt", "C:\\dst\\small.txt", FALSE)) << GetLastError();
  EXPECT_TRUE(Temporaries().empty());
}

// --- Leftovers of every kind, and names that are not ours ---------------------

// A file locked by a process of its own, as a replacement in progress holds it.
class LockHolder {
 public:
  explicit LockHolder(const fs::path& file) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
      const char byte = 'l';
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], &byte, 1) != 1) ::_exit(2);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    if (::read(ready[0], &byte, 1) != 1) ADD_FAILURE() << "no lock taken";
    ::close(ready[0]);
  }
  ~LockHolder() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

struct LeftoverRow {
  const char* name;
  std::function<DWORD()> replace;  // a new file C:\dst\new in the folder
};

class LeftoverTest : public ReplacementTest, public ::testing::WithParamInterface<LeftoverRow> {};

TEST_P(LeftoverTest, TheNextReplacementRemovesOursThatNobodyHolds) {
  WriteFile(C("dst/.kestu-copy-AbCd1234"), "left by a killed copy");
  WriteFile(C("dst/.kestu-write-Zz9x0"), "left by a killed save");
  WriteFile(C("dst/.kestu-write-held"), "being written");
  fs::create_directories(C("dst/.kestu-copy-folder"));
  WriteFile(C("dst/.kestu-copyX"), "another program's");
  WriteFile(C("dst/kestu-copy-1"), "the user's");
  const LockHolder holder(C("dst/.kestu-write-held"));

  ASSERT_EQ(GetParam().replace(), ERROR_SUCCESS);
  EXPECT_EQ(Entries(C("dst")), (std::vector<std::string>{".kestu-copy-folder", ".kestu-copyX", ".kestu-write-held",
                                                         "big.bin", "kestu-copy-1", "new"}));
}

const LeftoverRow kLeftoverRows[] = {
    {"a copy",
     [] { return CopyFileA("C:\\src\\small.txt", "C:\\dst\\new", FALSE) ? ERROR_SUCCESS : GetLastError(); }},
    {"a written file, as a shortcut save writes it",
     [] {
       win32::ResolvedPath path;
       win32::ResolvePath("C:\\dst\\new", path);
       return win32::WriteFileAtomically(path, "shortcut bytes");
     }},
};
INSTANTIATE_TEST_SUITE_P(Rows, LeftoverTest, ::testing::ValuesIn(kLeftoverRows), testing_support::RowName());

// --- Flags and modes ----------------------------------------------------------

TEST_F(ReplacementTest, EveryFileOfACopyIsOpenedCloseOnExec) {
  const std::string base = fs::canonical(prefix.Base()).string();
  std::vector<std::pair<std::string, bool>> seen;  // target, close-on-exec
  win32::SetCopyFaultForTesting({[&](std::uint64_t) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      const std::string target = fs::read_symlink(entry.path(), error).string();
      if (error || !target.starts_with(base)) continue;
      const int fd = std::stoi(entry.path().filename());
      seen.emplace_back(target, (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0);
    }
    return true;
  }});
  ASSERT_TRUE(CopyFileA("C:\\src\\big.bin", "C:\\dst\\big.bin", FALSE)) << GetLastError();
  // The source, the destination's folder and the new file.
  EXPECT_GE(seen.size(), 3u);
  for (const auto& [target, closeOnExec] : seen) EXPECT_TRUE(closeOnExec) << target;
}

TEST_F(ReplacementTest, ANewFilesModeFollowsTheReadOnlyAttributeAlone) {
  struct Row {
    const char* name;
    mode_t sourceMode;
    mode_t umask;
    mode_t expected;
  } rows[] = {
      {"a source of mode 000, read as root", 0000, 022, 0644},
      {"an executable source", 0755, 022, 0644},
      {"a read-only source", 0444, 022, 0644},
      {"a private umask", 0644, 077, 0600},
      {"a umask that takes the owner's write", 0644, 0277, 0600},
      {"an open umask gives others no write", 0666, 000, 0644},
  };
  const mode_t saved = ::umask(022);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.sourceMode == 0 && ::geteuid() != 0) continue;  // only root reads such a source
    ::chmod(C("src/small.txt").c_str(), row.sourceMode);
    ::umask(row.umask);
    ASSERT_TRUE(CopyFileA("C:\\src\\small.txt", "C:\\dst\\small.txt", FALSE)) << GetLastError();
    struct stat copied {};
    ASSERT_EQ(::stat(C("dst/small.txt").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mode & 07777, row.expected);
    EXPECT_EQ(GetFileAttributesA("C:\\dst\\small.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  }
  // A written file gets the same.
  ::umask(022);
  win32::ResolvedPath path;
  ASSERT_EQ(win32::ResolvePath("C:\\dst\\saved.lnk", path), ERROR_SUCCESS);
  ASSERT_EQ(win32::WriteFileAtomically(path, "x"), ERROR_SUCCESS);
  struct stat written {};
  ASSERT_EQ(::stat(C("dst/saved.lnk").c_str(), &written), 0);
  EXPECT_EQ(written.st_mode & 07777, 0644u);
  ::umask(saved);
}

}  // namespace

// Text-file output: the bytes written, and EInOutError with the system's code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/vcl/TextFiles.h"
#include "tests/vcl/temporary_prefix.h"

namespace vcl {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryPrefixTest;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

using TextFileTest = TemporaryPrefixTest;

TEST_F(TextFileTest, WritesTheLineWithCarriageReturnAndLineFeedAndNothingElse) {
  fs::create_directories(driveC_ / "Kestu");
  const std::string line = "xcopy/y/I a:\\*.dat C:\\Kestu\\merge";
  {
    TextFile batch("C:\\Kestu\\Merge.bat");
    batch.Rewrite();
    batch.Writeln(line);
    batch.CloseFile();
    EXPECT_FALSE(batch.IsOpen());
  }
  EXPECT_EQ(Contents(driveC_ / "Kestu" / "Merge.bat"), line + "\r\n");
}

TEST_F(TextFileTest, RewriteEmptiesAnExistingFileFoundInAnyLetterCase) {
  std::ofstream(driveC_ / "MERGE.BAT") << "a much longer line from an earlier run\r\nsecond\r\n";
  TextFile batch("C:\\merge.bat");
  batch.Rewrite();
  batch.Writeln("x\xE9");  // ANSI bytes go out unchanged
  batch.CloseFile();
  EXPECT_EQ(Contents(driveC_ / "MERGE.BAT"), "x\xE9\r\n");
  EXPECT_FALSE(fs::exists(driveC_ / "merge.bat")) << "the existing file is reused, not a twin";
}

TEST_F(TextFileTest, RewriteFailureRaisesTheSystemsCodeAndLeavesNothingOpen) {
  fs::create_directories(driveC_ / "Folder.bat");
  std::ofstream(driveC_ / "ReadOnly.bat") << "kept";
  fs::permissions(driveC_ / "ReadOnly.bat", fs::perms::owner_read | fs::perms::group_read |
                                                fs::perms::others_read);
  struct Row {
    const char* name;
    const char* fileName;
    DWORD code;
    const char* message;
  };
  const Row rows[] = {
      {"read-only file, refused also for root", "C:\\ReadOnly.bat", 5, "File access denied"},
      {"a folder of that name", "C:\\Folder.bat", 5, "File access denied"},
      {"missing folder", "C:\\Nowhere\\Merge.bat", 3, "Invalid filename"},
      {"unmapped drive", "Q:\\Merge.bat", 3, "Invalid filename"},
      {"invalid character in the name", "C:\\Mer<ge.bat", 123, "I/O error 123"},
      {"drive root", "C:\\", 5, "File access denied"},
  };
  const std::size_t descriptorsBefore = OpenDescriptors();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TextFile batch(row.fileName);
    try {
      batch.Rewrite();
      ADD_FAILURE() << "Rewrite succeeded";
    } catch (const EInOutError& error) {
      EXPECT_EQ(error.ErrorCode, row.code);
      EXPECT_EQ(error.Message(), row.message);
    }
    EXPECT_FALSE(batch.IsOpen());
  }
  EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
  EXPECT_EQ(Contents(driveC_ / "ReadOnly.bat"), "kept");
}

// A failed write leaves the file to be closed on the way out.
TEST_F(TextFileTest, FailedWriteRaisesAndTheFileIsStillClosed) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this host";
  const std::size_t descriptorsBefore = OpenDescriptors();
  try {
    TextFile full("Z:\\dev\\full");
    full.Rewrite();
    EXPECT_EQ(OpenDescriptors(), descriptorsBefore + 1);
    full.Writeln("xcopy/y/I a:\\*.dat C:\\Kestu\\merge");
    ADD_FAILURE() << "the write succeeded";
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.ErrorCode, ERROR_DISK_FULL);
    EXPECT_EQ(error.Message(), "I/O error 112");
  }
  EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
}

TEST_F(TextFileTest, TheNameHoldsTheOldFileUntilTheNewOneIsClosed) {
  const fs::path folder = driveC_ / "Kestu";
  fs::create_directories(folder);
  std::ofstream(folder / "Merge.bat") << "the old line\r\n";
  {
    TextFile batch("C:\\Kestu\\Merge.bat");
    batch.Rewrite();
    batch.Writeln("xcopy/y/I a:\\*.dat C:\\Kestu\\merge");
    EXPECT_EQ(Contents(folder / "Merge.bat"), "the old line\r\n");
    // Its descriptors are not handed to any program started meanwhile.
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      const auto target = fs::read_symlink(entry.path(), error).string();
      if (error || target.find(fs::canonical(folder).string()) != 0) continue;
      EXPECT_NE(::fcntl(std::stoi(entry.path().filename()), F_GETFD) & FD_CLOEXEC, 0) << target;
    }
  }  // never closed: given up
  EXPECT_EQ(Contents(folder / "Merge.bat"), "the old line\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "nothing left beside it";
}

TEST_F(TextFileTest, ALinkOfThatNameIsReplacedNeverWrittenThrough) {
  fs::create_directories(driveC_ / "elsewhere");
  std::ofstream(driveC_ / "elsewhere" / "notes.txt") << "precious";
  std::ofstream(driveC_ / "elsewhere" / "locked.txt") << "locked";
  fs::permissions(driveC_ / "elsewhere" / "locked.txt", fs::perms::owner_read | fs::perms::group_read);
  struct Row {
    const char* name;
    fs::path target;
    const char* error;  // nullptr: replaced
  };
  const Row rows[] = {
      {"a link to a file", driveC_ / "elsewhere" / "notes.txt", nullptr},
      {"a link to nowhere", driveC_ / "elsewhere" / "missing.txt", nullptr},
      {"a link to a read-only file", driveC_ / "elsewhere" / "locked.txt", "File access denied"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(driveC_ / "Link.bat");
    fs::create_symlink(row.target, driveC_ / "Link.bat");
    TextFile batch("C:\\Link.bat");
    try {
      batch.Rewrite();
      batch.Writeln("new");
      batch.CloseFile();
      EXPECT_EQ(row.error, nullptr);
      EXPECT_FALSE(fs::is_symlink(driveC_ / "Link.bat"));
      EXPECT_EQ(Contents(driveC_ / "Link.bat"), "new\r\n");
    } catch (const EInOutError& error) {
      ASSERT_NE(row.error, nullptr) << error.Message();
      EXPECT_EQ(error.Message(), row.error);
      EXPECT_TRUE(fs::is_symlink(driveC_ / "Link.bat"));
    }
  }
  EXPECT_EQ(Contents(driveC_ / "elsewhere" / "notes.txt"), "precious");
  EXPECT_FALSE(fs::exists(driveC_ / "elsewhere" / "missing.txt"));
  EXPECT_EQ(Contents(driveC_ / "elsewhere" / "locked.txt"), "locked");
}

TEST(TextFile, UsingAFileThatIsNotOpenRaises) {
  TextFile never("C:\\Merge.bat");
  EXPECT_THROW(never.Writeln("x"), EInOutError);
  EXPECT_THROW(never.CloseFile(), EInOutError);
}

TEST(InOutErrorMessage, MessageByCode) {
  struct Row {
    const char* name;
    DWORD code;
    const char* message;
  };
  const Row rows[] = {
      {"file not found", 2, "File not found"},
      {"path not found", 3, "Invalid filename"},
      {"too many open files", 4, "Too many open files"},
      {"access denied", 5, "File access denied"},
      {"read past the end", 100, "Read beyond end of file"},
      {"short write", 101, "Disk full"},
      {"bad number", 106, "Invalid numeric input"},
      {"any other code in decimal", 112, "I/O error 112"},
      {"file not open", 103, "I/O error 103"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(InOutErrorMessage(row.code), row.message);
  }
}

}  // namespace
}  // namespace vcl

// Text-file output: the bytes written, and EInOutError with the system's code.
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

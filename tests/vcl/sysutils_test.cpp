// The file test and the system's error texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/vcl/SysUtils.h"
#include "tests/vcl/temporary_prefix.h"

namespace vcl {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryPrefixTest;

TEST_F(TemporaryPrefixTest, FileExistsOnlyForAnEntryThatIsNotAFolder) {
  std::ofstream(driveC_ / "read_me.txt") << "text";
  fs::create_directories(driveC_ / "Kestu" / "calendar.dat");

  struct Row {
    const char* name;
    const char* fileName;
    bool exists;
  };
  const Row rows[] = {
      {"bare name in the current folder", "read_me.txt", true},
      {"drive path", "C:\\read_me.txt", true},
      {"other letter case", "C:\\READ_ME.TXT", true},
      {"folder does not count", "C:\\windows", false},
      {"folder with a file's name does not count", "C:\\Kestu\\calendar.dat", false},
      {"missing file", "C:\\calendar.txt", false},
      {"file in a missing folder", "C:\\Nowhere\\read_me.txt", false},
      {"unmapped drive", "Q:\\read_me.txt", false},
      {"empty name", "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FileExists(row.fileName), row.exists);
  }
}

TEST(SysErrorMessage, SystemTextWithoutItsLineEnd) {
  EXPECT_EQ(SysErrorMessage(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
  EXPECT_EQ(SysErrorMessage(ERROR_ACCESS_DENIED), "Access is denied.");
  EXPECT_EQ(SysErrorMessage(0xDEAD), "") << "a code the system has no text for";
}

}  // namespace
}  // namespace vcl

// The file test and the system's error texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/vcl/SysUtils.h"
#include "platform/win32/prefix.h"

namespace vcl {
namespace {

namespace fs = std::filesystem;

// A prefix of its own in a temporary folder, with drive C:'s root as the
// current folder; the environment and the folder are restored afterwards.
class TemporaryPrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vcl-prefix-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    temporary_ = pattern;
    if (const char* old = std::getenv("WINEPREFIX")) oldPrefix_ = old;
    oldDirectory_ = fs::current_path();
    setenv("WINEPREFIX", (temporary_ / "prefix").c_str(), 1);
    driveC_ = win32::Prefix::Current().Root() / "drive_c";
    ASSERT_TRUE(fs::is_directory(driveC_));
    fs::current_path(driveC_);
  }
  void TearDown() override {
    fs::current_path(oldDirectory_);
    if (oldPrefix_)
      setenv("WINEPREFIX", oldPrefix_->c_str(), 1);
    else
      unsetenv("WINEPREFIX");
    std::error_code ignored;
    fs::remove_all(temporary_, ignored);
  }

  fs::path driveC_;

 private:
  fs::path temporary_;
  fs::path oldDirectory_;
  std::optional<std::string> oldPrefix_;
};

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

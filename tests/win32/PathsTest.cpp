#include <gtest/gtest.h>

#include <string>

#include "platform/win32/codepage.h"
#include "platform/win32/paths.h"
#include "platform/win32/prefix.h"
#include "tests/support/TempPrefix.h"

namespace fs = std::filesystem;
using testing_support::TempPrefix;
using testing_support::WriteFile;

namespace {

class PathsTest : public ::testing::Test {
 protected:
  PathsTest() {
    fs::create_directories(prefix.DriveC() / "work" / "sub");
    prefix.MapDrive('d', prefix.Base() / "d-drive");
    prefix.MapShare("server", "share", prefix.Base() / "share");
    prefix.Enter(prefix.DriveC() / "work" / "sub");
  }
  TempPrefix prefix;
};

TEST_F(PathsTest, ResolvesEveryFormToItsFullWindowsPath) {
  struct Row {
    const char* name;
    const char* input;
    const char* windows;
  } rows[] = {
      {"drive-absolute", "C:\\a\\b", "C:\\a\\b"},
      {"lower-case drive letter", "c:\\a", "C:\\a"},
      {"drive-relative on the current drive", "C:a", "C:\\work\\sub\\a"},
      {"drive-relative on another drive starts at its root", "D:a", "D:\\a"},
      {"rooted on the current drive", "\\a", "C:\\a"},
      {"relative to the current folder", "a\\b", "C:\\work\\sub\\a\\b"},
      {"forward slashes and doubled separators", "C:/a//b/", "C:\\a\\b"},
      {"dot-dot never climbs above the root", "C:\\a\\..\\..\\..\\b", "C:\\b"},
      {"single dots vanish", "C:\\.\\a\\.", "C:\\a"},
      {"trailing dots and blanks dropped", "C:\\a\\name. .", "C:\\a\\name"},
      {"drive root keeps its backslash", "C:\\", "C:\\"},
      {"drive letter alone is the root or current folder", "D:", "D:\\"},
      {"UNC path", "\\\\server\\share\\x\\y", "\\\\server\\share\\x\\y"},
      {"UNC share root", "\\\\server\\share", "\\\\server\\share\\"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    win32::ResolvedPath resolved;
    ASSERT_EQ(win32::ResolvePath(row.input, resolved), ERROR_SUCCESS);
    EXPECT_EQ(resolved.windows, row.windows);
  }
}

TEST_F(PathsTest, RefusesInvalidNamesLongPathsAndUnmappedDrives) {
  struct Row {
    const char* name;
    std::string input;
    DWORD error;
  } rows[] = {
      {"reserved character", "C:\\a<b", ERROR_INVALID_NAME},
      {"wildcard", "C:\\a*", ERROR_INVALID_NAME},
      {"colon inside a name", "C:\\a:b", ERROR_INVALID_NAME},
      {"control character", "C:\\a\tb", ERROR_INVALID_NAME},
      {"device name", "C:\\CON", ERROR_INVALID_NAME},
      {"device name with an extension", "C:\\dir\\lpt1.txt", ERROR_INVALID_NAME},
      {"no drive letter before the colon", "1:\\a", ERROR_INVALID_NAME},
      {"UNC without a share", "\\\\server", ERROR_INVALID_NAME},
      {"unmapped drive", "Q:\\a", ERROR_PATH_NOT_FOUND},
      {"unmapped share", "\\\\other\\share\\a", ERROR_PATH_NOT_FOUND},
      {"empty path", "", ERROR_PATH_NOT_FOUND},
      {"259 characters fit", "C:\\" + std::string(256, 'x'), ERROR_SUCCESS},
      {"260 characters are too long", "C:\\" + std::string(257, 'x'), ERROR_FILENAME_EXCED_RANGE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    win32::ResolvedPath resolved;
    EXPECT_EQ(win32::ResolvePath(row.input, resolved), row.error);
  }
}

TEST_F(PathsTest, LooksUpExistingEntriesWithoutRegardToCase) {
  WriteFile(prefix.DriveC() / "Kestu" / "Read_Me.TXT", "x");
  win32::ResolvedPath resolved;
  ASSERT_EQ(win32::ResolvePath("c:\\KESTU\\read_me.txt", resolved), ERROR_SUCCESS);
  EXPECT_EQ(resolved.host, prefix.Root() / "dosdevices" / "c:" / "Kestu" / "Read_Me.TXT");
  EXPECT_TRUE(resolved.parentExists);

  // A new name keeps the case it was given; a missing folder on the way is told.
  ASSERT_EQ(win32::ResolvePath("C:\\kestu\\Missing\\New.txt", resolved), ERROR_SUCCESS);
  EXPECT_EQ(resolved.host.filename(), "New.txt");
  EXPECT_FALSE(resolved.parentExists);
}

TEST_F(PathsTest, ExactMatchWinsOverOtherCases) {
  WriteFile(prefix.DriveC() / "file.txt", "lower");
  WriteFile(prefix.DriveC() / "FILE.TXT", "upper");
  for (const char* name : {"file.txt", "FILE.TXT"}) {
    SCOPED_TRACE(name);
    win32::ResolvedPath resolved;
    ASSERT_EQ(win32::ResolvePath(std::string("C:\\") + name, resolved), ERROR_SUCCESS);
    EXPECT_EQ(resolved.host.filename(), name);
  }
}

TEST_F(PathsTest, ConvertsNamesBetweenTheAnsiCodePageAndUtf8) {
  WriteFile(prefix.DriveC() / "Caf\xC3\xA9" / "\xE2\x82\xAC.txt", "x");  // Café/€.txt on the host
  win32::ResolvedPath resolved;
  ASSERT_EQ(win32::ResolvePath("C:\\CAF\xC9\\\x80.TXT", resolved), ERROR_SUCCESS);  // 1252 bytes
  EXPECT_TRUE(fs::exists(resolved.host));
  EXPECT_EQ(win32::Prefix::Current().HostToWindows(resolved.host), "C:\\Caf\xE9\\\x80.txt");
}

TEST_F(PathsTest, MapsHostPathsToTheClosestDrive) {
  const win32::Prefix& current = win32::Prefix::Current();
  struct Row {
    const char* name;
    fs::path host;
    std::string windows;
  } rows[] = {
      {"inside drive C", prefix.DriveC() / "work" / "sub", "C:\\work\\sub"},
      {"drive root", prefix.Base() / "d-drive", "D:\\"},
      {"a deeper drive wins over Z:", prefix.Base() / "d-drive" / "x", "D:\\x"},
      {"anything else is on Z:", "/usr/bin", "Z:\\usr\\bin"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(current.HostToWindows(row.host), row.windows);
  }
  EXPECT_EQ(win32::CurrentDirectory(), "C:\\work\\sub");
}

TEST(PrefixTest, FirstUseLaysOutAMinimalCompletePrefix) {
  TempPrefix prefix;
  const fs::path root = prefix.Root();
  EXPECT_EQ(fs::read_symlink(root / "dosdevices" / "c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(root / "dosdevices" / "z:"), "/");
  EXPECT_TRUE(fs::is_directory(root / "drive_c" / "windows" / "Start Menu" / "Programs"));
  EXPECT_TRUE(fs::is_directory(root / "drive_c" / "windows" / "desktop"));
  const std::string hive = testing_support::ReadFile(root / "user.reg");
  EXPECT_NE(hive.find("Explorer\\\\Shell Folders]"), std::string::npos);
  EXPECT_NE(hive.find("\"Programs\"=\"C:\\\\windows\\\\Start Menu\\\\Programs\""), std::string::npos);
  EXPECT_NE(hive.find("\"Desktop\"=\"C:\\\\windows\\\\desktop\""), std::string::npos);
}

TEST(PrefixTest, APrefixBeingSetUpKeepsItsMappedDrivesAndGetsTheRest) {
  TempPrefix outer;
  const fs::path root = outer.Base() / "fresh";
  fs::create_directories(root / "dosdevices");
  fs::create_symlink(outer.Base(), root / "dosdevices" / "a:");
  const win32::Prefix fresh(root);
  EXPECT_EQ(fresh.DriveRoot('A'), root / "dosdevices" / "a:");
  EXPECT_TRUE(fresh.DriveRoot('c').has_value());
  EXPECT_TRUE(fs::exists(root / "user.reg"));
  EXPECT_TRUE(fs::is_directory(root / "drive_c" / "windows" / "desktop"));
}

TEST(CodePageTest, EveryAnsiByteSurvivesTheRoundTrip) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(win32::Utf8ToAnsi(win32::AnsiToUtf8(all)), all);
  EXPECT_EQ(win32::Utf16ToAnsi(win32::AnsiToUtf16(all)), all);
}

TEST(CodePageTest, CharactersWithoutAnAnsiFormBecomeQuestionMarks) {
  EXPECT_EQ(win32::Utf8ToAnsi("a\xE2\x88\x9E" "b"), "a?b");   // infinity sign
  EXPECT_EQ(win32::Utf8ToAnsi("\xFF\xC3"), "??");            // broken UTF-8
  EXPECT_EQ(win32::Utf8ToAnsi("\xE2\x82\xAC"), "\x80");      // euro sign
  EXPECT_TRUE(win32::AnsiEqualsIgnoreCase("\xE9t\xE9", "\xC9T\xC9"));
  EXPECT_FALSE(win32::AnsiEqualsIgnoreCase("a", "b"));
}

}  // namespace

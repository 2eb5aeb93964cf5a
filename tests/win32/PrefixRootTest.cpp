// Where the prefix is, and what a prefix that cannot be laid out tells.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <tuple>

#include "platform/win32/prefix.h"
#include "tests/support/DiskSnapshot.h"
#include "tests/support/PrivateTmpfs.h"
#include "tests/support/RowNames.h"
#include "tests/support/ScopedVariable.h"
#include "tests/support/TempPrefix.h"

namespace fs = std::filesystem;
using testing_support::SnapshotOf;
using testing_support::TemporariesIn;

namespace {

using testing_support::PrintTo;

fs::path PasswordDatabaseHome() {
  const struct passwd* user = ::getpwuid(::getuid());
  return user != nullptr ? fs::path(user->pw_dir) : fs::path();
}

TEST(PrefixRootTest, WinePrefixElseHomeElseThePasswordDatabase) {
  const fs::path databaseHome = PasswordDatabaseHome();
  ASSERT_FALSE(databaseHome.empty());
  struct Row {
    const char* name;
    const char* winePrefix;
    const char* home;
    fs::path expected;
  } rows[] = {
      {"WINEPREFIX wins", "/srv/prefix", "/home/someone", "/srv/prefix"},
      {"HOME where WINEPREFIX is unset", nullptr, "/home/someone", "/home/someone/.wine"},
      {"an empty WINEPREFIX counts as unset", "", "/home/someone", "/home/someone/.wine"},
      {"the password database where HOME is unset", nullptr, nullptr, databaseHome / ".wine"},
      {"the password database where HOME is empty", nullptr, "", databaseHome / ".wine"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const testing_support::ScopedVariable prefix("WINEPREFIX", row.winePrefix);
    const testing_support::ScopedVariable home("HOME", row.home);
    EXPECT_EQ(win32::Prefix::ChosenRoot(), row.expected);
    EXPECT_NE(win32::Prefix::ChosenRoot(), "/.wine");
  }
}

struct UnmadeRow {
  const char* name;
  // The root to open, and the folder and the reason the message then names.
  std::function<std::tuple<fs::path, std::string, std::string>(const testing_support::TempPrefix&)> choose;
  bool hasRoot;  // a host folder the prefix keeps, with no drives in it
};

class UnmadePrefixTest : public ::testing::TestWithParam<UnmadeRow> {
 protected:
  testing_support::TempPrefix base;
};

TEST_P(UnmadePrefixTest, SaysWhereAndWhyAndLooksUpNothingElsewhere) {
  const UnmadeRow& row = GetParam();
  const auto [root, named, reason] = row.choose(base);
  const auto before = SnapshotOf(base.Base());
  const win32::Prefix prefix(root);
  EXPECT_EQ(prefix.CreationFailure(), "Could not create the prefix folder " + named + ": " + reason);
  EXPECT_EQ(prefix.Root().empty(), !row.hasRoot);
  EXPECT_FALSE(prefix.DriveRoot('c').has_value());
  EXPECT_FALSE(prefix.ShareRoot("server", "share").has_value());
  if (!row.hasRoot) {
    EXPECT_TRUE(prefix.UserHive().empty()) << "no hive looked up in the current folder";
    EXPECT_TRUE(prefix.SystemHive().empty());
  }
  EXPECT_EQ(SnapshotOf(base.Base()), before);
}

const UnmadeRow kUnmadeRows[] = {
    {"below a file",
     [](const testing_support::TempPrefix& t) {
       const fs::path root = t.Root() / "user.reg" / "prefix";
       return std::tuple{root, root.string(), std::string("Not a directory.")};
     },
     true},
    {"a relative folder",
     [](const testing_support::TempPrefix&) {
       return std::tuple{fs::path("relative/prefix"), std::string("relative/prefix"),
                         std::string("it is not a full path.")};
     },
     false},
    {"no home folder known",
     [](const testing_support::TempPrefix&) {
       // The user as the process is now: a user namespace of an earlier test may have changed it.
       return std::tuple{fs::path(), std::string("~/.wine"),
                         "no home folder is known for user " + std::to_string(::getuid()) + "."};
     },
     false},
};
INSTANTIATE_TEST_SUITE_P(Rows, UnmadePrefixTest, ::testing::ValuesIn(kUnmadeRows), testing_support::RowName());

TEST(PrefixRootTest, AHiveThatDoesNotFitIsNotLeftHalfWrittenAndTheNextStartLaysItOut) {
  testing_support::TempPrefix base;
  const fs::path root = base.Base() / "full";
  testing_support::PrivateTmpfs disk(root, 64 << 10);
  if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
  disk.Fill(root / "filler");
  {
    const win32::Prefix prefix(root);
    EXPECT_EQ(prefix.CreationFailure(),
              "Could not create the prefix folder " + root.string() + ": There is not enough space on the disk.");
    EXPECT_FALSE(fs::exists(root / "user.reg"));
    EXPECT_TRUE(TemporariesIn(SnapshotOf(root)).empty());
  }
  fs::remove(root / "filler");
  const win32::Prefix prefix(root);
  EXPECT_EQ(prefix.CreationFailure(), "");
  EXPECT_NE(testing_support::ReadFile(root / "user.reg").find("\"Programs\"="), std::string::npos);
  EXPECT_TRUE(prefix.DriveRoot('c').has_value());
}

}  // namespace

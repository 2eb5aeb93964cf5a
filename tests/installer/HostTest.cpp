// The installer on a host that does not play along: sources that are no
// regular files, and a prefix that cannot be made or lies in the home folder
// the password database names. Each row runs in a prefix of its own.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "shelllinks/ShellLinks.h"
#include "tests/installer/InstallerFixture.h"
#include "tests/support/DiskSnapshot.h"
#include "tests/support/PrivateTmpfs.h"
#include "tests/support/RowNames.h"
#include "tests/support/ScopedVariable.h"

namespace installer_testing {
namespace {

using testing_support::PrintTo;
using testing_support::DiskSnapshot;
using testing_support::ReadFile;
using testing_support::SnapshotOf;
using testing_support::WriteFile;
using vcl::mrNo;
using vcl::mrOk;

// --- Sources that are no regular files ----------------------------------------

struct SourceRow {
  const char* name;
  std::function<void(const fs::path& source)> replace;  // makes calendar.hlp on the medium something else
};

class SourceTest : public InstallerTest, public ::testing::WithParamInterface<SourceRow> {};

TEST_P(SourceTest, FailsThatCopyWithoutBlockingAndGoesOn) {
  const SourceRow& row = GetParam();
  const fs::path source = Medium() / "calendar.hlp";
  fs::remove(source);
  row.replace(source);
  Start();
  Answer(mrOk);
  Answer(mrNo);
  ::alarm(60);  // a copy that blocks ends the test instead of hanging it
  Install("C:\\Kestu");
  ::alarm(0);

  EXPECT_EQ(backend.Beeps().size(), 1u);
  EXPECT_FALSE(fs::exists(C("Kestu/calendar.hlp")));
  EXPECT_EQ(ReadFile(C("Kestu/calendar.exe")), kMediumFiles[1].second);
  EXPECT_EQ(Caption(), "Missing files calendar.hlp .");
  EXPECT_EQ(EditText(), "Kestu Dereviza Razozire installation not completed, but it may run ok.");
  EXPECT_TRUE(State("Button3").Visible);
}

const SourceRow kSourceRows[] = {
    {"a FIFO nobody writes to", [](const fs::path& source) { ASSERT_EQ(::mkfifo(source.c_str(), 0644), 0); }},
    {"a link to a device that never ends",
     [](const fs::path& source) { fs::create_symlink("/dev/zero", source); }},
    {"a folder", [](const fs::path& source) { fs::create_directories(source); }},
};
INSTANTIATE_TEST_SUITE_P(Rows, SourceTest, ::testing::ValuesIn(kSourceRows), testing_support::RowName());

// --- A prefix that cannot be made ---------------------------------------------

struct PrefixRow {
  const char* name;
  // Sets WINEPREFIX, and returns the folder the message names.
  std::function<std::string(const testing_support::TempPrefix&)> choose;
  const char* reason;
};

class UnmadePrefixTest : public InstallerTest, public ::testing::WithParamInterface<PrefixRow> {
 protected:
  testing_support::ScopedVariable savedPrefix{"WINEPREFIX"};
};

TEST_P(UnmadePrefixTest, IsToldOnceBeforeTheWindowThenInstallFindsNoDrive) {
  const PrefixRow& row = GetParam();
  const DiskSnapshot before = SnapshotOf(prefix.Base());
  const std::string folder = row.choose(prefix);

  Answer(mrOk);
  application = std::make_unique<vcl::TApplication>(backend);
  ASSERT_EQ(backend.Dialogs().size(), 1u) << "the message comes before the window";
  const auto& box = backend.Dialogs()[0].Request;
  EXPECT_EQ(box.Kind, vcl::DialogKind::Error);
  EXPECT_EQ(box.Title, vcl::Application->Title());
  EXPECT_EQ(box.Text, "Could not create the prefix folder " + folder + ": " + row.reason);
  ShellLinks::InitializeShellLinks();
  vcl::Application->Initialize();
  form = vcl::Application->CreateForm<TForm1>();
  EXPECT_EQ(EditText(), "C:\\Kestu");

  // The program goes on; with no drive C, Install says the directory cannot be made.
  Answer(mrOk);
  Install("C:\\Kestu");
  EXPECT_EQ(backend.Dialogs().size(), 2u);
  EXPECT_EQ(backend.Dialogs().back().Request.Text,
            "Directory C:\\Kestu could not be created. The system cannot find the path specified.");
  EXPECT_EQ(SnapshotOf(prefix.Base()), before);
}

const PrefixRow kPrefixRows[] = {
    {"below a file",
     [](const testing_support::TempPrefix& p) {
       const fs::path chosen = p.Root() / "user.reg" / "prefix";
       ::setenv("WINEPREFIX", chosen.c_str(), 1);
       return chosen.string();
     },
     "Not a directory."},
    {"a relative folder, which would be the medium",
     [](const testing_support::TempPrefix&) {
       ::setenv("WINEPREFIX", "wine-prefix", 1);
       return std::string("wine-prefix");
     },
     "it is not a full path."},
};
INSTANTIATE_TEST_SUITE_P(Rows, UnmadePrefixTest, ::testing::ValuesIn(kPrefixRows), testing_support::RowName());

// --- HOME unset ------------------------------------------------------------------

class HomeTest : public InstallerTest {
 protected:
  testing_support::ScopedVariable savedPrefix{"WINEPREFIX"};
  testing_support::ScopedVariable savedHome{"HOME"};
};

TEST_F(HomeTest, WithoutHomeThePrefixIsInThePasswordDatabasesHomeFolder) {
  // First the namespace, in which the user may be another one.
  std::string whyNot;
  if (!testing_support::EnterPrivateMountNamespace(whyNot)) GTEST_SKIP() << whyNot;
  const struct passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  const fs::path home = user->pw_dir;
  ASSERT_NE(home, "/") << "a home at the root would not tell the two apart";
  const bool rootPrefixBefore = fs::exists("/.wine");
  // The real home folder stays out of reach: a tmpfs covers it for this process alone.
  testing_support::PrivateTmpfs hidden(home, 16 << 20);
  if (!hidden.Mounted()) GTEST_SKIP() << hidden.WhyNot();
  ::unsetenv("WINEPREFIX");
  ::unsetenv("HOME");
  const DiskSnapshot mediumBefore = SnapshotOf(Medium());

  Start();
  Answer(mrOk);
  Answer(mrNo);
  Install("C:\\Kestu");
  EXPECT_EQ(backend.Dialogs().size(), 2u) << "no message about the prefix";
  for (const auto& [name, content] : kMediumFiles) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadFile(home / ".wine/drive_c/Kestu" / name), content);
  }
  EXPECT_TRUE(fs::exists(home / ".wine/user.reg"));
  EXPECT_TRUE(fs::exists(home / ".wine/drive_c/windows/Start Menu/Programs/Kestu Graphics/Calendar.lnk"));
  EXPECT_EQ(fs::exists("/.wine"), rootPrefixBefore);
  EXPECT_EQ(SnapshotOf(Medium()), mediumBefore);
  Stop();
}

}  // namespace
}  // namespace installer_testing

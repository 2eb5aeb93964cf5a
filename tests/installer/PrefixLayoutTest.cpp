// The installer at home in both kinds of prefix: the minimal one the layer
// lays out at first use, and one of Wine's size and shape (a system.reg of
// megabytes, Programs under C:\users\<user>, no C:\windows\desktop).
#include <gtest/gtest.h>

#include "tests/installer/InstallerFixture.h"
#include "tests/support/LinkReaders.h"
#include "tests/support/WinePrefix.h"

namespace installer_testing {
namespace {

using testing_support::PrefixLayout;
using testing_support::ReadFile;
using vcl::mrOk;
using vcl::mrYes;

struct Layout {
  const char* name;
  PrefixLayout layout;
  fs::path programs;   // the Programs folder the user hive names, below drive C:
  bool windowsFolders;  // whether C:\windows has a Start Menu and a desktop
};

const Layout kLayouts[] = {
    {"Minimal", PrefixLayout::Minimal, "windows/Start Menu/Programs", true},
    {"Wine", PrefixLayout::Wine,
     fs::path("users") / testing_support::WinePrefixOptions{}.user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
     false},
};

class PrefixLayoutTest : public InstallerTest, public ::testing::WithParamInterface<Layout> {
 protected:
  PrefixLayoutTest() : InstallerTest(GetParam().layout) {}

  fs::path ProgramGroup() const { return C(GetParam().programs / "Kestu Graphics"); }
};

TEST_P(PrefixLayoutTest, StartsWithTheWindowsDirectoryOfTheSystemHive) {
  Start();
  EXPECT_EQ(WindowsDir, "C:\\windows");
  EXPECT_EQ(EditText(), "C:\\Kestu");
  EXPECT_EQ(Caption(), "Enter desired Kestu Calendar directory path.");
  EXPECT_TRUE(backend.Dialogs().empty());
  // The group folder goes under the Windows directory's Start Menu where there is one; none is made.
  EXPECT_EQ(fs::is_directory(C("windows/Start Menu/Programs/Kestu Graphics")), GetParam().windowsFolders);
  EXPECT_EQ(fs::exists(C("windows/Start Menu")), GetParam().windowsFolders);
}

TEST_P(PrefixLayoutTest, ShortcutsGoToTheProgramsFolderThatTheUserHiveNames) {
  Start();
  Answer(mrOk);   // the new directory
  Answer(mrYes);  // a desktop icon
  Install("C:\\Kestu");
  for (const char* name : {"Read_me", "PrintCal", "Calendar"}) {
    SCOPED_TRACE(name);
    const fs::path link = ProgramGroup() / (std::string(name) + ".lnk");
    ASSERT_TRUE(fs::exists(link));
    const auto fields = testing_support::ReadWithLnkinfo(link);
    EXPECT_EQ(fields.at("Working directory"), "C:\\Kestu");
    EXPECT_EQ(fields.at("Description"), "C:\\Kestu");
  }
  EXPECT_EQ(testing_support::ReadWithLnkinfo(ProgramGroup() / "Calendar.lnk").at("Local path"),
            "C:\\Kestu\\Calendar.exe");
  // The desktop is always the Windows directory's; Wine's prefix has none there.
  EXPECT_EQ(fs::exists(C("windows/desktop/Calendar.lnk")), GetParam().windowsFolders);
  EXPECT_EQ(EditText(), GetParam().windowsFolders ? "Use [Start Menu][Kestu Graphics] or the desktop [Icon] to run Calendar."
                                                  : "Use [Start Menu][Kestu Graphics] to run Calendar.");
  EXPECT_EQ(Caption(), "Kestu Dereviza Razozire is installed in [C:\\Kestu]");
}

TEST_P(PrefixLayoutTest, AWholeRunThroughTheProgramEndsWithOkAndExitCodeZero) {
  Answer(mrOk);
  Answer(mrYes);
  backend.Post([this] { Install("C:\\Kestu"); });
  backend.Post([this] { backend.Click("Button3"); });
  EXPECT_EQ(RunInstaller(backend), 0);
  EXPECT_TRUE(backend.QuitCalled());
  EXPECT_FALSE(backend.LoopRanDry());
  for (const auto& [name, content] : kMediumFiles) EXPECT_EQ(ReadFile(C("Kestu") / name), content);
  EXPECT_EQ(ReadFile(C("Kestu/Merge.bat")), "xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n");
  EXPECT_TRUE(fs::exists(ProgramGroup() / "Calendar.lnk"));
}

INSTANTIATE_TEST_SUITE_P(BothPrefixes, PrefixLayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace installer_testing

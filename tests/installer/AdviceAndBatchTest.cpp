// The completion's advice where shortcuts could not be saved, and Merge.bat
// on a full disk and as a link. Each row runs in a prefix of its own.
#include <gtest/gtest.h>

#include <functional>

#include "tests/installer/InstallerFixture.h"
#include "tests/support/DiskSnapshot.h"
#include "tests/support/PrivateTmpfs.h"
#include "tests/support/RowNames.h"

namespace installer_testing {
namespace {

using testing_support::PrintTo;
using testing_support::DiskSnapshot;
using testing_support::MakeReadOnly;
using testing_support::ReadFile;
using testing_support::SnapshotOf;
using testing_support::TemporariesIn;
using testing_support::WriteFile;
using vcl::mrNo;
using vcl::mrOk;
using vcl::mrYes;

constexpr const char* kInstalled = "Kestu Dereviza Razozire is installed in [C:\\Kestu]";

// A user hive in Wine's format whose Shell Folders key holds the given lines.
std::string ShellFoldersHive(const std::string& valueLines) {
  return "WINE REGISTRY Version 2\n\n"
         "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 0\n" +
         valueLines;
}

// --- The advice names only the shortcuts that exist ---------------------------

struct AdviceRow {
  const char* name;
  std::function<void(const testing_support::TempPrefix&)> prepare;
  vcl::ModalResult desktopAnswer;
  const char* advice;
  bool startMenuShortcut;  // Calendar.lnk in the program group afterwards
  bool desktopIcon;
};

class AdviceTest : public InstallerTest, public ::testing::WithParamInterface<AdviceRow> {};

TEST_P(AdviceTest, NamesWhatExistsAfterTheSaves) {
  const AdviceRow& row = GetParam();
  if (row.prepare) row.prepare(prefix);
  const DiskSnapshot mediumBefore = SnapshotOf(Medium());
  Start();
  Answer(mrOk);
  Answer(row.desktopAnswer);
  Install("C:\\Kestu");

  EXPECT_EQ(EditText(), row.advice);
  EXPECT_EQ(Caption(), kInstalled);
  EXPECT_TRUE(State("Button3").Visible);
  EXPECT_EQ(fs::exists(C("windows/Start Menu/Programs/Kestu Graphics/Calendar.lnk")), row.startMenuShortcut);
  EXPECT_EQ(fs::exists(C("windows/desktop/Calendar.lnk")), row.desktopIcon);
  // No shortcut went anywhere else, the medium least of all.
  std::size_t links = 0;
  for (const auto& [name, content] : SnapshotOf(prefix.Base()))
    if (fs::path(name).extension() == ".lnk") ++links;
  EXPECT_EQ(links, (row.startMenuShortcut ? 3u : 0u) + (row.desktopIcon ? 1u : 0u));
  EXPECT_EQ(SnapshotOf(Medium()), mediumBefore);
}

const AdviceRow kAdviceRows[] = {
    {"both shortcuts saved", {}, mrYes, "Use [Start Menu][Kestu Graphics] or the desktop [Icon] to run Calendar.",
     true, true},
    {"the Start menu alone", {}, mrNo, "Use [Start Menu][Kestu Graphics] to run Calendar.", true, false},
    {"the Programs folder missing, the desktop icon made",
     [](const testing_support::TempPrefix& p) { fs::remove_all(p.DriveC() / "windows/Start Menu/Programs"); },
     mrYes, "Use the desktop [Icon] to run Calendar.", false, true},
    {"the Programs folder missing, no desktop icon",
     [](const testing_support::TempPrefix& p) { fs::remove_all(p.DriveC() / "windows/Start Menu/Programs"); },
     mrNo, "Calendar is installed in [C:\\Kestu].", false, false},
    {"a relative Programs folder",
     [](const testing_support::TempPrefix& p) {
       WriteFile(p.Root() / "user.reg", ShellFoldersHive("\"Programs\"=\"Start Menu\\\\Programs\"\n"));
     },
     mrYes, "Use the desktop [Icon] to run Calendar.", false, true},
    {"an unexpanded Programs folder",
     [](const testing_support::TempPrefix& p) {
       WriteFile(p.Root() / "user.reg",
                 ShellFoldersHive("\"Programs\"=str(2):\"%USERPROFILE%\\\\Start Menu\\\\Programs\"\n"));
     },
     mrNo, "Calendar is installed in [C:\\Kestu].", false, false},
    {"Kestu Graphics cannot be made: a file of that name",
     [](const testing_support::TempPrefix& p) {
       WriteFile(p.DriveC() / "windows/Start Menu/Programs/Kestu Graphics", "not a folder");
     },
     mrYes, "Use the desktop [Icon] to run Calendar.", false, true},
    {"neither folder there",
     [](const testing_support::TempPrefix& p) {
       fs::remove_all(p.DriveC() / "windows/Start Menu/Programs");
       fs::remove_all(p.DriveC() / "windows/desktop");
     },
     mrYes, "Calendar is installed in [C:\\Kestu].", false, false},
};
INSTANTIATE_TEST_SUITE_P(Rows, AdviceTest, ::testing::ValuesIn(kAdviceRows), testing_support::RowName());

// --- Merge.bat is the old file or the whole new line, and never written through a link

struct MergeBatRow {
  const char* name;
  // Lays out an earlier Merge.bat; false where the host cannot.
  std::function<bool(InstallerTest&, testing_support::TempPrefix&)> prepare;
  const char* directory;
  const char* line;    // Merge.bat afterwards, nullptr where the run ends in the message
  const char* message;  // the exception box's, or nullptr
  bool targetUnchanged;  // every file of the target folder as it was
};

class MergeBatTest : public InstallerTest, public ::testing::WithParamInterface<MergeBatRow> {
 public:
  std::unique_ptr<testing_support::PrivateTmpfs> disk;
};

TEST_P(MergeBatTest, ReplacesItWholeInOneStep) {
  const MergeBatRow& row = GetParam();
  if (!row.prepare(*this, prefix)) GTEST_SKIP() << disk->WhyNot();
  const fs::path batch = prefix.Base() / "target" / "Merge.bat";
  const DiskSnapshot before = SnapshotOf(prefix.Base() / "target");
  const DiskSnapshot elsewhereBefore = SnapshotOf(prefix.Base() / "elsewhere");
  Start();
  Answer(mrYes);  // the existing directory
  Answer(mrNo);   // no desktop icon
  if (row.message != nullptr) Answer(mrOk);
  Install(row.directory);

  if (row.line != nullptr) {
    EXPECT_FALSE(fs::is_symlink(batch));
    EXPECT_EQ(ReadFile(batch), row.line);
    EXPECT_TRUE(State("Button3").Visible);
  } else {
    EXPECT_EQ(backend.Dialogs().back().Request.Text, row.message);
    EXPECT_TRUE(State("Button1").Visible && State("Button1").Enabled);
    EXPECT_EQ(SnapshotOf(prefix.Base() / "target").at("Merge.bat"), before.at("Merge.bat"));
  }
  if (row.targetUnchanged) {
    EXPECT_EQ(SnapshotOf(prefix.Base() / "target"), before);
  }
  EXPECT_EQ(SnapshotOf(prefix.Base() / "elsewhere"), elsewhereBefore);
  EXPECT_TRUE(TemporariesIn(SnapshotOf(prefix.Base())).empty());
}

// An earlier installation in the target folder, with the user's data and a Merge.bat.
void LayOutEarlierInstallation(const fs::path& target) {
  for (const auto& [name, content] : kMediumFiles) WriteFile(target / name, "old " + name);
  WriteFile(target / "calendar.dat", "my reminders");
  fs::create_directories(target / "merge");
}

const MergeBatRow kMergeBatRows[] = {
    {"a full disk keeps the old Merge.bat",
     [](InstallerTest& test, testing_support::TempPrefix& p) {
       auto& self = static_cast<MergeBatTest&>(test);
       self.disk = std::make_unique<testing_support::PrivateTmpfs>(p.Base() / "target", 256 << 10);
       if (!self.disk->Mounted()) return false;
       p.MapDrive('d', p.Base() / "target");
       LayOutEarlierInstallation(p.Base() / "target");
       WriteFile(p.Base() / "target/Merge.bat", "xcopy/y/I a:\\*.dat D:\\merge\r\n");
       self.disk->Fill(p.Base() / "target" / "filler");
       return true;
     },
     "D:\\", nullptr, "I/O error 112.", true},
    {"a link to a file elsewhere is replaced, the file kept",
     [](InstallerTest&, testing_support::TempPrefix& p) {
       p.MapDrive('d', p.Base() / "target");
       WriteFile(p.Base() / "elsewhere/notes.txt", "precious\r\n");
       fs::create_symlink(p.Base() / "elsewhere/notes.txt", p.Base() / "target/Merge.bat");
       return true;
     },
     "D:\\", "xcopy/y/I a:\\*.dat D:\\merge\r\n", nullptr, false},
    {"a link to nowhere is replaced, nothing made where it points",
     [](InstallerTest&, testing_support::TempPrefix& p) {
       p.MapDrive('d', p.Base() / "target");
       fs::create_directories(p.Base() / "elsewhere");
       fs::create_symlink(p.Base() / "elsewhere/new.bat", p.Base() / "target/Merge.bat");
       return true;
     },
     "D:\\", "xcopy/y/I a:\\*.dat D:\\merge\r\n", nullptr, false},
    {"a link to a read-only file is refused as the file would be",
     [](InstallerTest&, testing_support::TempPrefix& p) {
       p.MapDrive('d', p.Base() / "target");
       WriteFile(p.Base() / "elsewhere/locked.bat", "kept\r\n");
       MakeReadOnly(p.Base() / "elsewhere/locked.bat");
       fs::create_symlink(p.Base() / "elsewhere/locked.bat", p.Base() / "target/Merge.bat");
       return true;
     },
     "D:\\", nullptr, "File access denied.", false},
};
INSTANTIATE_TEST_SUITE_P(Rows, MergeBatTest, ::testing::ValuesIn(kMergeBatRows), testing_support::RowName());

}  // namespace
}  // namespace installer_testing

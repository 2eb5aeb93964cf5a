// The installation directory through the Install button: the user's data
// where the target exists in two spellings, entries that name no root or
// leave no room for the file names, and a second press after an error.
// Each row runs in a prefix of its own.
#include <gtest/gtest.h>

#include <functional>

#include "platform/win32/codepage.h"
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
using testing_support::WriteFile;
using vcl::mrNo;
using vcl::mrOk;
using vcl::mrYes;

constexpr const char* kFullPathReason = "The directory must be a full path, such as C:\\Kestu.";
constexpr const char* kTooLongReason = "The filename or extension is too long.";
constexpr const char* kSample = "1999-01-01 Sample reminder\r\n";

class TargetTest : public InstallerTest {
 protected:
  // The dialog that refuses a directory, and the window as after No.
  void ExpectRefused(const std::string& typed, const std::string& reason) const {
    ASSERT_FALSE(backend.Dialogs().empty());
    const auto& dialog = backend.Dialogs().back().Request;
    EXPECT_EQ(dialog.Kind, vcl::DialogKind::Error);
    EXPECT_EQ(dialog.Title, "Error");
    EXPECT_EQ(dialog.Text, "Directory " + InstallDir + " could not be created. " + reason);
    EXPECT_TRUE(State("Button2").Visible && State("Button2").Enabled);
    EXPECT_TRUE(State("Button1").Visible && State("Button1").Enabled);
    EXPECT_FALSE(State("Button3").Visible);
    EXPECT_EQ(EditText(), typed);
  }
};

// --- The target in two spellings --------------------------------------------

struct TwoSpellingsRow {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // on drive C, before the run
  const char* question;                                     // about the existing directory
  std::vector<std::pair<std::string, std::string>> after;  // on drive C, after it
  const char* caption;
};

class TwoSpellingsTest : public TargetTest, public ::testing::WithParamInterface<TwoSpellingsRow> {};

TEST_P(TwoSpellingsTest, TheUsersCalendarInTheFolderTheCopyWritesToIsKept) {
  const TwoSpellingsRow& row = GetParam();
  fs::create_directories(C("Kestu"));
  fs::create_directories(C("KESTU"));
  for (const auto& [name, content] : row.files) WriteFile(C(name), content);
  const DiskSnapshot upperBefore = SnapshotOf(C("KESTU"));
  Start();
  Answer(mrYes);  // the existing directory
  Answer(mrNo);   // no desktop icon
  Install("C:\\Kestu");

  EXPECT_EQ(DialogTitles().front(), "Confirm");
  EXPECT_EQ(backend.Dialogs().front().Request.Text, row.question);
  for (const auto& [name, content] : row.after) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadFile(C(name)), content);
  }
  // The user's file keeps its own name: no twin in other letters beside it.
  std::size_t dataFiles = 0;
  for (const auto& entry : fs::directory_iterator(C("Kestu")))
    if (win32::AnsiEqualsIgnoreCase(entry.path().filename().string(), "calendar.dat")) ++dataFiles;
  EXPECT_LE(dataFiles, 1u);
  EXPECT_EQ(SnapshotOf(C("KESTU")), upperBefore);
  EXPECT_EQ(Caption(), row.caption);
}

const TwoSpellingsRow kTwoSpellingsRows[] = {
    {"calendar.dat in Kestu, an empty KESTU beside it",
     {{"Kestu/calendar.dat", "my reminders"}},
     "Directory C:\\Kestu already exists. Proceed with installation?",
     {{"Kestu/calendar.dat", "my reminders"}},
     "Kestu Dereviza Razozire is installed in [C:\\Kestu]"},
    {"CALENDAR.DAT in other letters in Kestu",
     {{"Kestu/CALENDAR.DAT", "my reminders"}},
     "Directory C:\\Kestu already exists. Proceed with installation?",
     {{"Kestu/CALENDAR.DAT", "my reminders"}},
     "Kestu Dereviza Razozire is installed in [C:\\Kestu]"},
    {"calendar.txt in Kestu, an empty KESTU beside it",
     {{"Kestu/calendar.txt", "my text reminders"}},
     "Directory C:\\Kestu already exists. Proceed with installation?",
     {{"Kestu/calendar.txt", "my text reminders"}},
     "Missing files calendar.dat ."},
    {"a prior copy with data in Kestu, the program in KESTU",
     {{"Kestu/calendar.dat", "my reminders"}, {"Kestu/calendar.exe", "old"}, {"KESTU/calendar.exe", "other"}},
     "A prior copy of Kestu Calendar found. Proceed with installation?",
     {{"Kestu/calendar.dat", "my reminders"}, {"KESTU/calendar.exe", "other"}},
     "Kestu Dereviza Razozire is installed in [C:\\Kestu]"},
    {"the data file only in KESTU, which the test under the upper-case name finds",
     {{"KESTU/calendar.dat", "reminders elsewhere"}},
     "Directory C:\\Kestu already exists. Proceed with installation?",
     {{"KESTU/calendar.dat", "reminders elsewhere"}},
     "Missing files calendar.dat ."},
    {"no data file in either: the sample goes to Kestu",
     {},
     "Directory C:\\Kestu already exists. Proceed with installation?",
     {{"Kestu/calendar.dat", kSample}},
     "Kestu Dereviza Razozire is installed in [C:\\Kestu]"},
};
INSTANTIATE_TEST_SUITE_P(Rows, TwoSpellingsTest, ::testing::ValuesIn(kTwoSpellingsRows),
                         testing_support::RowName());

// --- Entries that are refused before anything is made -----------------------

struct RefusedRow {
  const char* name;
  std::string typed;
  const char* reason;
};

class RefusedEntryTest : public TargetTest, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedEntryTest, IsReportedAndNothingIsCreatedAnywhere) {
  const RefusedRow& row = GetParam();
  Start();
  const DiskSnapshot mediumBefore = SnapshotOf(Medium());
  const DiskSnapshot prefixBefore = SnapshotOf(prefix.Root());
  Answer(mrOk);
  Install(row.typed);

  ASSERT_EQ(backend.Dialogs().size(), 1u);
  ExpectRefused(row.typed, row.reason);
  EXPECT_TRUE(backend.Repaints().empty());
  EXPECT_TRUE(backend.Beeps().empty());
  EXPECT_EQ(Caption(), "Enter desired Kestu Calendar directory path.");
  EXPECT_EQ(SnapshotOf(Medium()), mediumBefore);
  EXPECT_EQ(SnapshotOf(prefix.Root()), prefixBefore);
}

const RefusedRow kRefusedRows[] = {
    {"a bare name", "Kestu", kFullPathReason},
    {"a name under the current folder", "Kestu\\Data", kFullPathReason},
    {"up from the current folder", "..\\Kestu", kFullPathReason},
    {"drive-relative on drive C", "C:Kestu", kFullPathReason},
    {"drive-relative on the medium's drive", "A:Kestu", kFullPathReason},
    {"a forward slash after the drive", "C:/Kestu", kFullPathReason},
    {"a leading blank", " C:\\Kestu", kFullPathReason},
    {"the start-menu advice read back", "Use [Start Menu][Kestu Graphics] to run Calendar.", kFullPathReason},
    {"the report read back", "Kestu Dereviza Razozire installation not completed, but it may run ok.",
     kFullPathReason},
    {"the progress display read back", std::string(132, '|'), kFullPathReason},
    {"147 characters", "C:\\" + std::string(144, 'k'), kTooLongReason},
    {"147 characters once the trailing backslash is gone", "C:\\" + std::string(144, 'k') + "\\",
     kTooLongReason},
    {"256 characters", "C:\\" + std::string(253, 'k'), kTooLongReason},
    {"a UNC name of 147 characters", "\\\\server\\share\\" + std::string(132, 'k'), kTooLongReason},
};
INSTANTIATE_TEST_SUITE_P(Rows, RefusedEntryTest, ::testing::ValuesIn(kRefusedRows), testing_support::RowName());

// --- Full paths that are taken ------------------------------------------------

struct AcceptedRow {
  const char* name;
  std::string typed;
  std::string installDir;
  fs::path host;  // the directory on the host, relative to the test's base folder
};

class AcceptedEntryTest : public TargetTest, public ::testing::WithParamInterface<AcceptedRow> {};

TEST_P(AcceptedEntryTest, InstallsEveryFileAndTheBatchLine) {
  const AcceptedRow& row = GetParam();
  prefix.MapShare("server", "share", prefix.Base() / "share");
  Start();
  Answer(mrOk);  // the new directory
  Answer(mrNo);  // no desktop icon
  Install(row.typed);

  EXPECT_EQ(InstallDir, row.installDir);
  EXPECT_EQ(backend.Dialogs().front().Request.Text, "New directory " + row.installDir + " created ");
  const fs::path target = prefix.Base() / row.host;
  for (const auto& [name, content] : kMediumFiles) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadFile(target / name), content);
  }
  EXPECT_TRUE(fs::is_directory(target / "merge"));
  EXPECT_EQ(ReadFile(target / "Merge.bat"), "xcopy/y/I a:\\*.dat " + row.installDir + "\\merge\r\n");
  EXPECT_EQ(Caption(), "Kestu Dereviza Razozire is installed in [" + row.installDir + "]");
  EXPECT_TRUE(backend.Beeps().empty());
}

const AcceptedRow kAcceptedRows[] = {
    {"146 characters, the longest that fits", "C:\\" + std::string(143, 'k'), "C:\\" + std::string(143, 'k'),
     fs::path("prefix/drive_c") / std::string(143, 'k')},
    {"146 characters with a trailing backslash", "C:\\" + std::string(143, 'k') + "\\",
     "C:\\" + std::string(143, 'k'), fs::path("prefix/drive_c") / std::string(143, 'k')},
    {"a lower-case drive letter", "c:\\Kestu", "c:\\Kestu", "prefix/drive_c/Kestu"},
    {"a UNC name", "\\\\server\\share\\Kestu", "\\\\server\\share\\Kestu", "share/Kestu"},
};
INSTANTIATE_TEST_SUITE_P(Rows, AcceptedEntryTest, ::testing::ValuesIn(kAcceptedRows), testing_support::RowName());

// --- A second press of Install after an error --------------------------------

enum class ErrorAtMergeBat { ReadOnly, DiskFull, PathTooLong };

struct SecondPressRow {
  const char* name;
  const char* directory;  // of the good installation before the error
  ErrorAtMergeBat error;
  const char* message;  // the exception box's
};

class SecondPressTest : public TargetTest, public ::testing::WithParamInterface<SecondPressRow> {
 protected:
  // Starts the program anew and runs it into the error, with the exception
  // box answered: the window then stands as after an exception, Install
  // still there.
  void RunIntoTheError(ErrorAtMergeBat error) {
    if (error == ErrorAtMergeBat::ReadOnly) MakeReadOnly(C("Kestu/Merge.bat"));
    if (error == ErrorAtMergeBat::DiskFull) disk->Fill(prefix.Base() / "d-drive" / "filler");
    Stop();
    Start();
    if (error == ErrorAtMergeBat::PathTooLong) {
      // Install refuses such a directory now; the completion alone runs on it.
      const std::string name(250, 'm');
      fs::create_directories(C(name));
      InstallDir = "C:\\" + name;
      Answer(mrOk);
      vcl::Application->HandleEvent([this] { Form().CompleteInstallation(""); });
      return;
    }
    Answer(mrYes);  // the prior copy
    Answer(mrYes);  // the desktop icon
    Answer(mrOk);
    Install(GetParam().directory);
  }

  std::unique_ptr<testing_support::PrivateTmpfs> disk;
};

TEST_P(SecondPressTest, ReadsTheWindowsTextAsADirectoryAndRefusesIt) {
  const SecondPressRow& row = GetParam();
  if (row.error == ErrorAtMergeBat::DiskFull) {
    disk = std::make_unique<testing_support::PrivateTmpfs>(prefix.Base() / "d-drive", 256 << 10);
    if (!disk->Mounted()) GTEST_SKIP() << disk->WhyNot();
    prefix.MapDrive('d', prefix.Base() / "d-drive");
  }
  // A good installation first, with its shortcuts in the Start menu and on the desktop.
  Start();
  Answer(mrOk);
  Answer(mrYes);
  Install(row.directory);
  ASSERT_TRUE(fs::exists(C("windows/Start Menu/Programs/Kestu Graphics/Calendar.lnk")));

  RunIntoTheError(row.error);
  ASSERT_EQ(backend.Dialogs().back().Request.Kind, vcl::DialogKind::Stop);
  EXPECT_EQ(backend.Dialogs().back().Request.Text, row.message);
  const std::string left = EditText();
  const DiskSnapshot mediumBefore = SnapshotOf(Medium());
  const DiskSnapshot machineBefore = SnapshotOf(prefix.Base());

  Answer(mrOk);
  backend.Click("Button1");
  ExpectRefused(left, kFullPathReason);
  EXPECT_EQ(SnapshotOf(Medium()), mediumBefore);
  EXPECT_EQ(SnapshotOf(prefix.Base()), machineBefore);
}

const SecondPressRow kSecondPressRows[] = {
    {"a read-only Merge.bat", "C:\\Kestu", ErrorAtMergeBat::ReadOnly, "File access denied."},
    {"a full disk at Merge.bat", "D:\\Kestu", ErrorAtMergeBat::DiskFull, "I/O error 112."},
    {"a Merge.bat path over 259 characters", "C:\\Kestu", ErrorAtMergeBat::PathTooLong, "I/O error 206."},
};
INSTANTIATE_TEST_SUITE_P(Rows, SecondPressTest, ::testing::ValuesIn(kSecondPressRows), testing_support::RowName());

}  // namespace
}  // namespace installer_testing

#include <gtest/gtest.h>

#include "platform/win32/hooks.h"
#include "tests/installer/InstallerFixture.h"

namespace installer_testing {
namespace {

using testing_support::MakeReadOnly;
using testing_support::ReadFile;
using testing_support::WriteFile;
using vcl::mrCancel;
using vcl::mrNo;
using vcl::mrOk;
using vcl::mrYes;

class TransferTest : public InstallerTest {
 protected:
  TransferTest() { Start(); }
  ~TransferTest() override { win32::SetCopyFaultForTesting({}); }

  // Runs the transfer phase alone on the typed directory.
  std::string Transfer(const std::string& directory, bool expectGoOn = true) {
    backend.Type("Edit1", directory);
    std::string missing = "stale";
    EXPECT_EQ(Form().TransferFiles(missing), expectGoOn);
    return missing;
  }
  // The lengths of the path edit's text at each immediate repaint.
  std::vector<std::size_t> RepaintedEditLengths() const {
    std::vector<std::size_t> lengths;
    for (const auto& repaint : backend.Repaints()) lengths.push_back(repaint.Texts.at("Edit1").size());
    return lengths;
  }
};

TEST_F(TransferTest, TakesTheDirectoryFromTheEditLessOneTrailingBackslash) {
  fs::create_directories(C("Cal"));
  struct Row {
    const char* name;
    const char* typed;
    const char* installDir;
    vcl::ModalResult answer;  // to the dialog that follows
  } rows[] = {
      {"one trailing backslash goes", "C:\\Cal\\", "C:\\Cal", mrNo},
      {"only one of two goes", "C:\\Cal\\\\", "C:\\Cal\\", mrNo},
      {"drive root becomes the bare drive", "C:\\", "C:", mrNo},
      {"blanks and slashes stay", " C:/Cal ", " C:/Cal ", mrOk},
      {"empty stays empty", "", "", mrOk},
      {"a lone backslash becomes empty", "\\", "", mrOk},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Answer(row.answer);
    Transfer(row.typed, false);
    EXPECT_EQ(InstallDir, row.installDir);
    EXPECT_EQ(EditText(), row.typed);
  }
}

TEST_F(TransferTest, ANewDirectoryIsAnnouncedThenFilledWithMergeAndTheFiles) {
  Answer(mrOk);
  EXPECT_EQ(Transfer("C:\\Cal\\"), "");
  ASSERT_EQ(backend.Dialogs().size(), 1u);
  const auto& dialog = backend.Dialogs()[0].Request;
  EXPECT_EQ(dialog.Title, "Information");
  EXPECT_EQ(dialog.Kind, vcl::DialogKind::Information);
  EXPECT_EQ(dialog.Text, "New directory C:\\Cal created ");
  ASSERT_EQ(dialog.Buttons.size(), 1u);
  EXPECT_EQ(dialog.Buttons[0].Caption, "OK");

  EXPECT_TRUE(fs::is_directory(C("Cal/merge")));
  for (const auto& [name, content] : kMediumFiles) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadFile(C("Cal") / name), content);
  }
  EXPECT_EQ(Caption(), "Please wait, files are being transfred to [C:\\Cal]");
  EXPECT_EQ(EditText(), std::string(132, '|'));
  EXPECT_FALSE(State("Button2").Visible);
  EXPECT_FALSE(State("Button2").Enabled);
  EXPECT_TRUE(backend.Beeps().empty());
}

TEST_F(TransferTest, AnExistingDirectoryIsConfirmedFirst) {
  fs::create_directories(C("Empty"));
  WriteFile(C("Prior/Calendar.EXE"), "old");
  struct Row {
    const char* name;
    const char* typed;
    vcl::ModalResult answer;
    const char* question;
    bool goesOn;
  } rows[] = {
      {"prior copy answered No", "C:\\Prior", mrNo,
       "A prior copy of Kestu Calendar found. Proceed with installation?", false},
      {"plain directory answered No (or Escape)", "C:\\Empty", mrNo,
       "Directory C:\\Empty already exists. Proceed with installation?", false},
      {"closed by its title bar goes on as Yes", "C:\\Empty", mrCancel,
       "Directory C:\\Empty already exists. Proceed with installation?", true},
      {"prior copy answered Yes", "C:\\Prior", mrYes,
       "A prior copy of Kestu Calendar found. Proceed with installation?", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t before = backend.Dialogs().size();
    Answer(row.answer);
    Transfer(row.typed, row.goesOn);
    ASSERT_EQ(backend.Dialogs().size(), before + 1);
    const auto& dialog = backend.Dialogs().back().Request;
    EXPECT_EQ(dialog.Title, "Confirm");
    EXPECT_EQ(dialog.Kind, vcl::DialogKind::Confirmation);
    EXPECT_EQ(dialog.Text, row.question);
    EXPECT_EQ(dialog.DefaultResult, mrYes);
    EXPECT_EQ(dialog.CancelResult, mrNo);
    const fs::path target = C(std::string(row.typed).substr(3));
    EXPECT_EQ(fs::exists(target / "merge"), row.goesOn);
    EXPECT_EQ(fs::exists(target / "read_me.txt"), row.goesOn);
    // After No: Ready again, with the user's text and Cancel back.
    EXPECT_EQ(State("Button2").Visible, !row.goesOn);
    EXPECT_EQ(State("Button2").Enabled, !row.goesOn);
    if (!row.goesOn) {
      EXPECT_EQ(EditText(), row.typed);
      EXPECT_EQ(Caption(), "Enter desired Kestu Calendar directory path.");
    }
  }
}

TEST_F(TransferTest, ADirectoryThatCannotBeCreatedIsReportedAndNothingIsCopied) {
  struct Row {
    const char* name;
    const char* typed;
    const char* reason;
  } rows[] = {
      {"missing parent", "C:\\missing\\Kestu", "The system cannot find the path specified."},
      {"empty name", "", "The system cannot find the path specified."},
      {"lone backslash", "\\", "The system cannot find the path specified."},
      {"invalid name", "C:\\Ke|stu", "The filename, directory name, or volume label syntax is incorrect."},
      {"missing drive", "Q:\\Kestu", "The system cannot find the path specified."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Answer(mrOk);
    Transfer(row.typed, false);
    const auto& dialog = backend.Dialogs().back().Request;
    EXPECT_EQ(dialog.Title, "Error");
    EXPECT_EQ(dialog.Kind, vcl::DialogKind::Error);
    EXPECT_EQ(dialog.Text, "Directory " + InstallDir + " could not be created. " + row.reason);
    EXPECT_TRUE(State("Button2").Visible && State("Button2").Enabled);
    EXPECT_EQ(EditText(), row.typed);
    EXPECT_TRUE(backend.Repaints().empty());
  }
  // Nothing spread over the root of the current drive.
  EXPECT_FALSE(fs::exists(Medium() / "merge"));
  EXPECT_FALSE(fs::exists(C("merge")));
}

TEST_F(TransferTest, ShowsTheProgressAtEachStepWithOrWithoutTheDataFile) {
  const std::vector<std::size_t> expected = {11, 33, 55, 66, 77, 88, 132};
  Answer(mrOk);
  Transfer("C:\\Fresh");
  EXPECT_EQ(RepaintedEditLengths(), expected);
  for (const auto& repaint : backend.Repaints())
    EXPECT_EQ(repaint.Texts.at("GroupBox1"), "Please wait, files are being transfred to [C:\\Fresh]");

  WriteFile(C("Kept/CALENDAR.TXT"), "the user's calendar");
  const std::size_t before = backend.Repaints().size();
  Answer(mrYes);
  Transfer("C:\\Kept");
  const auto lengths = RepaintedEditLengths();
  EXPECT_EQ(std::vector<std::size_t>(lengths.begin() + static_cast<long>(before), lengths.end()), expected);
}

TEST_F(TransferTest, TheUsersDataFileIsNeverOverwritten) {
  WriteFile(C("HasDat/Calendar.Dat"), "my reminders");
  WriteFile(C("HasTxt/calendar.txt"), "my text reminders");
  struct Row {
    const char* name;
    const char* typed;
    fs::path kept;
    const char* content;
  } rows[] = {
      {"calendar.dat in any case", "C:\\HasDat", C("HasDat/Calendar.Dat"), "my reminders"},
      {"only calendar.txt", "C:\\HasTxt", C("HasTxt/calendar.txt"), "my text reminders"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Answer(mrYes);
    EXPECT_EQ(Transfer(row.typed), "");
    EXPECT_EQ(ReadFile(row.kept), row.content);
  }
  EXPECT_FALSE(fs::exists(C("HasTxt/calendar.dat")));
}

TEST_F(TransferTest, FailedCopiesBeepOnceEachAndAreListedInCopyOrder) {
  fs::create_directories(C("Target/calendar.dat"));  // a folder does not count as the data file
  WriteFile(C("Target/printcal.txt"), "read-only");
  MakeReadOnly(C("Target/printcal.txt"));
  fs::create_directories(C("Target/calendar.hlp"));
  fs::remove(Medium() / "read_me.txt");
  SetLastError(ERROR_ACCESS_DENIED);

  Answer(mrYes);
  EXPECT_EQ(Transfer("C:\\Target"), "read_me.txt, calendar.hlp, printcal.txt, calendar.dat, ");
  EXPECT_EQ(backend.Beeps(), std::vector<unsigned>(4, MB_OK));
  EXPECT_EQ(ReadFile(C("Target/printcal.txt")), "read-only");
  EXPECT_EQ(ReadFile(C("Target/calendar.exe")), kMediumFiles[1].second);
}

TEST_F(TransferTest, AnEarlierErrorDoesNotLeakIntoASuccessfulRun) {
  SetLastError(ERROR_ACCESS_DENIED);
  Answer(mrOk);
  EXPECT_EQ(Transfer("C:\\Clean"), "");
  EXPECT_TRUE(backend.Beeps().empty());
}

TEST_F(TransferTest, ACopyFailingMidwayKeepsTheOldProgramFileWhole) {
  WriteFile(C("Old/calendar.exe"), "the old program");
  win32::SetCopyFaultForTesting({[](std::uint64_t) { return false; }, ERROR_DISK_FULL});
  Answer(mrYes);
  EXPECT_EQ(Transfer("C:\\Old"), "read_me.txt, calendar.exe, calendar.hlp, printcal.txt, calendar.dat, ");
  EXPECT_EQ(ReadFile(C("Old/calendar.exe")), "the old program");
  std::vector<std::string> entries;
  for (const auto& entry : fs::directory_iterator(C("Old"))) entries.push_back(entry.path().filename());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"calendar.exe", "merge"}));
}

TEST_F(TransferTest, DestinationsLongerThanTheirBufferFailWithoutOverrunningIt) {
  // C:\ and a name: 146 characters give destinations of at most 159.
  const std::string fits = "C:\\" + std::string(143, 'f');
  const std::string tooLong = "C:\\" + std::string(144, 't');
  Answer(mrOk);
  EXPECT_EQ(Transfer(fits), "");
  // 147 characters leave no room for the longest names: refused before anything is made.
  Answer(mrOk);
  Transfer(tooLong, false);
  EXPECT_EQ(backend.Dialogs().back().Request.Text,
            "Directory " + tooLong + " could not be created. The filename or extension is too long.");
  EXPECT_FALSE(fs::exists(C(std::string(144, 't'))));

  // The copy still refuses, as a failed copy, a destination over its buffer.
  fs::create_directories(C(std::string(144, 't')));
  InstallDir = tooLong;
  for (const char* name : {"calendar.exe", "calendar.hlp", "printcal.txt", "calendar.dat"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CopyProgramFile(name), ERROR_FILENAME_EXCED_RANGE);
  }
  // read_me.txt is one character shorter than the others, so it still fits.
  EXPECT_EQ(CopyProgramFile("read_me.txt"), ERROR_SUCCESS);
  EXPECT_TRUE(fs::exists(C(std::string(144, 't')) / "read_me.txt"));
  EXPECT_EQ(backend.Beeps().size(), 4u);
}

class SkipTest : public InstallerTest {};

TEST_F(SkipTest, RunningFromTheTargetSkipsTheTransferMatchingByteForByte) {
  // The running program's own folder is the root of drive A:, as a floppy's would be.
  const fs::path programFolder = fs::read_symlink("/proc/self/exe").parent_path();
  prefix.MapDrive('a', programFolder);
  prefix.MapDrive('d', programFolder.parent_path());
  const std::string programFolderName = programFolder.filename();
  Start();

  std::string missing = "stale";
  backend.Type("Edit1", "a:\\");
  EXPECT_TRUE(Form().TransferFiles(missing));
  EXPECT_EQ(missing, "");
  EXPECT_EQ(InstallDir, "a:");
  EXPECT_TRUE(backend.Dialogs().empty());
  EXPECT_TRUE(backend.Repaints().empty());
  EXPECT_EQ(Caption(), "Enter desired Kestu Calendar directory path.");
  EXPECT_FALSE(State("Button2").Visible);
  EXPECT_FALSE(fs::exists(programFolder / "merge"));

  // The same folder in other letters is no match: the transfer runs.
  Answer(mrNo);
  backend.Type("Edit1", "D:\\" + programFolderName);
  EXPECT_FALSE(Form().TransferFiles(missing));
  ASSERT_EQ(backend.Dialogs().size(), 1u);
  EXPECT_EQ(backend.Dialogs()[0].Request.Title, "Confirm");
}

}  // namespace
}  // namespace installer_testing

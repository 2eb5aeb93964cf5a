#include <gtest/gtest.h>

#include <functional>

#include "tests/support/LinkReaders.h"
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

constexpr const char* kInstalled = "Kestu Dereviza Razozire is installed in [C:\\Kestu]";
constexpr const char* kUseStartMenuOrDesktop =
    "Use [Start Menu][Kestu Graphics] or the desktop [Icon] to run Calendar.";
constexpr const char* kUseStartMenu = "Use [Start Menu][Kestu Graphics] to run Calendar.";
constexpr const char* kMayRun = "Kestu Dereviza Razozire installation not completed, but it may run ok.";
constexpr const char* kWillNotRun = "Kestu Dereviza Razozire installation is not complete and will not run.";
constexpr const char* kDesktopQuestion = "Do you want a desktop icon for Calendar?";

class CompletionTest : public InstallerTest {
 protected:
  CompletionTest() { Start(); }

  fs::path ProgramsFolder() const { return C("windows/Start Menu/Programs/Kestu Graphics"); }
  fs::path DesktopLink() const { return C("windows/desktop/Calendar.lnk"); }
  bool HasFolderLink(const char* name) const { return fs::exists(ProgramsFolder() / name); }
  // Texts of the dialogs shown so far, from the first-th on.
  std::vector<std::string> DialogTexts(std::size_t first = 0) const {
    std::vector<std::string> texts;
    for (std::size_t i = first; i < backend.Dialogs().size(); ++i) texts.push_back(backend.Dialogs()[i].Request.Text);
    return texts;
  }
  void ExpectFinished() const {
    EXPECT_FALSE(State("Button1").Visible || State("Button1").Enabled);
    EXPECT_FALSE(State("Button2").Visible || State("Button2").Enabled);
    EXPECT_TRUE(State("Button3").Visible && State("Button3").Enabled);
    EXPECT_TRUE(State("Edit1").ReadOnly);
    ASSERT_FALSE(backend.Repaints().empty());
    EXPECT_EQ(backend.Repaints().back().Texts.at("Edit1"), EditText());
    EXPECT_EQ(backend.Repaints().back().Texts.at("GroupBox1"), Caption());
  }
  // After an exception: the report as it stood, Install still there, OK not.
  void ExpectFailedState() const {
    EXPECT_TRUE(State("Button1").Visible && State("Button1").Enabled);
    EXPECT_FALSE(State("Button2").Visible);
    EXPECT_FALSE(State("Button3").Visible || State("Button3").Enabled);
    EXPECT_FALSE(State("Edit1").ReadOnly);
  }
};

TEST_F(CompletionTest, ReportsEachOutcomeInTheWindow) {
  struct Row {
    const char* name;
    std::function<void(CompletionTest&)> prepare;
    std::vector<vcl::ModalResult> answers;  // after the new-directory or existing-directory dialog
    const char* caption;
    const char* advice;
    bool desktopQuestion;
    bool desktopLink;
  } rows[] = {
      {"all present, desktop icon wanted", {}, {mrYes}, kInstalled, kUseStartMenuOrDesktop, true, true},
      {"all present, no desktop icon", {}, {mrNo}, kInstalled, kUseStartMenu, true, false},
      {"all present, question closed by its title bar", {}, {mrCancel}, kInstalled, kUseStartMenu, true, false},
      {"a failed copy of a file that is there",
       [](CompletionTest& t) {
         WriteFile(t.C("Kestu/printcal.txt"), "old");
         MakeReadOnly(t.C("Kestu/printcal.txt"));
       },
       {mrNo}, "Missing updates for printcal.txt .", kMayRun, true, false},
      {"only missing files are reported when both lists have entries",
       [](CompletionTest& t) { fs::remove(t.Medium() / "calendar.hlp"); }, {mrNo},
       "Missing files calendar.hlp .", kMayRun, true, false},
      {"the data file kept as calendar.txt, desktop icon made all the same",
       [](CompletionTest& t) { WriteFile(t.C("Kestu/calendar.txt"), "mine"); }, {mrYes},
       "Missing files calendar.dat .", kMayRun, true, true},
      {"several files missing, in the order of the tests",
       [](CompletionTest& t) {
         fs::remove(t.Medium() / "read_me.txt");
         fs::remove(t.Medium() / "calendar.hlp");
       },
       {mrNo}, "Missing files calendar.hlp, read_me.txt .", kMayRun, true, false},
      {"the program missing: no question, will not run",
       [](CompletionTest& t) { fs::remove(t.Medium() / "calendar.exe"); }, {}, "Missing files calendar.exe .",
       kWillNotRun, false, false},
      {"the desktop folder missing: the advice claims no icon",
       [](CompletionTest& t) { fs::remove_all(t.C("windows/desktop")); }, {mrYes}, kInstalled, kUseStartMenu,
       true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CompletionTest& self = *this;
    const std::size_t firstDialog = backend.Dialogs().size();
    if (row.prepare) row.prepare(self);
    Answer(fs::exists(C("Kestu")) ? mrYes : mrOk);
    for (auto answer : row.answers) Answer(answer);
    Install("C:\\Kestu");

    EXPECT_EQ(Caption(), row.caption);
    EXPECT_EQ(EditText(), row.advice);
    const auto texts = DialogTexts(firstDialog);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), kDesktopQuestion), row.desktopQuestion ? 1 : 0);
    EXPECT_EQ(fs::exists(DesktopLink()), row.desktopLink);
    EXPECT_EQ(HasFolderLink("Calendar.lnk"), row.desktopQuestion);
    ExpectFinished();

    // A fresh machine for the next row.
    Stop();
    fs::remove_all(C("Kestu"));
    fs::remove_all(ProgramsFolder());
    fs::create_directories(C("windows/desktop"));
    fs::remove(DesktopLink());
    EnterMedium();
    Start();
  }
}

TEST_F(CompletionTest, TheDesktopQuestionIsAConfirmationWithYesAsDefaultAndNoOnEscape) {
  Answer(mrOk);
  Answer(mrNo);
  Install("C:\\Kestu");
  ASSERT_EQ(backend.Dialogs().size(), 2u);
  const auto& question = backend.Dialogs()[1].Request;
  EXPECT_EQ(question.Text, kDesktopQuestion);
  EXPECT_EQ(question.Title, "Confirm");
  EXPECT_EQ(question.Kind, vcl::DialogKind::Confirmation);
  ASSERT_EQ(question.Buttons.size(), 2u);
  EXPECT_EQ(question.Buttons[0].Caption, "&Yes");
  EXPECT_EQ(question.Buttons[1].Caption, "&No");
  EXPECT_EQ(question.DefaultResult, mrYes);
  EXPECT_EQ(question.CancelResult, mrNo);
  // While it is asked, the window still shows the transfer's texts.
  EXPECT_EQ(backend.Repaints().at(6).Texts.at("Edit1"), std::string(132, '|'));
}

TEST_F(CompletionTest, WritesShortcutsThatIndependentReadersReadBack) {
  Answer(mrOk);
  Answer(mrYes);
  Install("C:\\Kestu");

  struct Row {
    const char* name;
    fs::path link;
    const char* target;
    bool description;
  } rows[] = {
      {"read-me in the program group", ProgramsFolder() / "Read_me.lnk", "C:\\Kestu\\Read_me.txt", true},
      {"printing notes in the program group", ProgramsFolder() / "PrintCal.lnk", "C:\\Kestu\\PrintCal.txt", true},
      {"program in the program group", ProgramsFolder() / "Calendar.lnk", "C:\\Kestu\\Calendar.exe", true},
      {"program on the desktop", DesktopLink(), "C:\\Kestu\\Calendar.exe", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(fs::exists(row.link));
    const auto lnkinfo = testing_support::ReadWithLnkinfo(row.link);
    const auto exiftool = testing_support::ReadWithExiftool(row.link);
    EXPECT_EQ(lnkinfo.at("Local path"), row.target);
    EXPECT_EQ(exiftool.at("LocalBasePath"), row.target);
    EXPECT_EQ(lnkinfo.at("Working directory"), "C:\\Kestu");
    EXPECT_EQ(exiftool.at("WorkingDirectory"), "C:\\Kestu");
    EXPECT_EQ(lnkinfo.count("Description"), row.description ? 1u : 0u);
    EXPECT_EQ(exiftool.count("Description"), row.description ? 1u : 0u);
    if (row.description) {
      EXPECT_EQ(lnkinfo.at("Description"), "C:\\Kestu");
      EXPECT_EQ(exiftool.at("Description"), "C:\\Kestu");
    }
  }
  // The files on disk are in lower case; the shortcuts are named as tested.
  EXPECT_TRUE(fs::exists(C("Kestu/read_me.txt")));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(ProgramsFolder())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Calendar.lnk", "PrintCal.lnk", "Read_me.lnk"}));
}

TEST_F(CompletionTest, WritesMergeBatByteForByte) {
  prefix.MapDrive('d', prefix.Base() / "d-drive");
  struct Row {
    const char* name;
    const char* typed;
    fs::path batch;
    const char* line;
  } rows[] = {
      {"new directory", "C:\\Kestu", C("Kestu/Merge.bat"), "xcopy/y/I a:\\*.dat C:\\Kestu\\merge"},
      {"drive root", "D:\\", prefix.Base() / "d-drive/Merge.bat", "xcopy/y/I a:\\*.dat D:\\merge"},
      {"blank in the name is quoted", "C:\\My Calendar", C("My Calendar/Merge.bat"),
       "xcopy/y/I a:\\*.dat \"C:\\My Calendar\\merge\""},
      {"operators are quoted", "C:\\A&B(1)", C("A&B(1)/Merge.bat"), "xcopy/y/I a:\\*.dat \"C:\\A&B(1)\\merge\""},
      {"a per cent sign is doubled", "C:\\100%", C("100%/Merge.bat"), "xcopy/y/I a:\\*.dat C:\\100%%\\merge"},
      // cmd reads the file in the OEM code page 437: 1252's bytes would name another folder.
      {"e acute in the OEM code page", "C:\\Caf\xE9", C("Caf\xC3\xA9/Merge.bat"), "xcopy/y/I a:\\*.dat C:\\Caf\x82\\merge"},
      {"u umlaut in the OEM code page", "C:\\M\xFCller", C("M\xC3\xBCller/Merge.bat"),
       "xcopy/y/I a:\\*.dat C:\\M\x81ller\\merge"},
      {"sharp s in the OEM code page", "C:\\Stra\xDF" "e", C("Stra\xC3\x9F" "e/Merge.bat"),
       "xcopy/y/I a:\\*.dat C:\\Stra\xE1" "e\\merge"},
      {"the euro sign, which 437 lacks, keeps its 1252 byte", "C:\\Preis\x80", C("Preis\xE2\x82\xAC/Merge.bat"),
       "xcopy/y/I a:\\*.dat C:\\Preis\x80\\merge"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Stop();
    Start();
    Answer(fs::exists(row.batch.parent_path()) ? mrYes : mrOk);
    Answer(mrNo);
    Install(row.typed);
    EXPECT_EQ(ReadFile(row.batch), std::string(row.line) + "\r\n");
  }
  EXPECT_EQ(ReadFile(C("Kestu/Merge.bat")).size(), std::string("C:\\Kestu").size() + 27);
}

TEST_F(CompletionTest, ReplacesMergeBatFromAnEarlierRun) {
  WriteFile(C("Kestu/Merge.bat"), "xcopy/y/I a:\\*.dat C:\\Somewhere\\Much\\Longer\\merge\r\nsecond line\r\n");
  Answer(mrYes);
  Answer(mrNo);
  Install("C:\\Kestu");
  EXPECT_EQ(ReadFile(C("Kestu/Merge.bat")), "xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n");
}

TEST_F(CompletionTest, AReadOnlyMergeBatIsReportedAndInstallStaysAvailable) {
  WriteFile(C("Kestu/Merge.bat"), "kept");
  MakeReadOnly(C("Kestu/Merge.bat"));
  Answer(mrYes);
  Answer(mrNo);
  Answer(mrOk);  // the exception box
  Install("C:\\Kestu");
  const auto& error = backend.Dialogs().back().Request;
  EXPECT_EQ(error.Text, "File access denied.");
  EXPECT_EQ(error.Kind, vcl::DialogKind::Stop);
  EXPECT_EQ(error.Title, vcl::Application->Title());
  EXPECT_EQ(ReadFile(C("Kestu/Merge.bat")), "kept");
  EXPECT_EQ(Caption(), kInstalled);
  EXPECT_EQ(EditText(), kUseStartMenu);
  ExpectFailedState();

  // Install again is a new run from the start, reading the edit afresh.
  fs::permissions(C("Kestu/Merge.bat"), fs::perms::owner_write, fs::perm_options::add);
  Answer(mrYes);
  Answer(mrNo);
  Install("C:\\Kestu");
  EXPECT_EQ(DialogTexts().at(3), "A prior copy of Kestu Calendar found. Proceed with installation?");
  EXPECT_EQ(ReadFile(C("Kestu/Merge.bat")), "xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n");
  ExpectFinished();
}

TEST_F(CompletionTest, AFailingShellFolderLookupLeavesTheTextsOfEntry) {
  WriteFile(prefix.Root() / "user.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"x\"=\"y\"\n");
  Answer(mrOk);
  Answer(mrOk);  // the exception box
  Install("C:\\Kestu");
  const auto& error = backend.Dialogs().back().Request;
  EXPECT_EQ(error.Text,
            "Folder key \"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\" not found.");
  EXPECT_EQ(Caption(), "Please wait, files are being transfred to [C:\\Kestu]");
  EXPECT_EQ(EditText(), std::string(132, '|'));
  EXPECT_FALSE(fs::exists(C("Kestu/Merge.bat")));
  ExpectFailedState();
}

TEST_F(CompletionTest, RunningFromTheTargetChecksWhatIsThereAndWritesOnlyTheBatchFile) {
  const fs::path programFolder = fs::read_symlink("/proc/self/exe").parent_path();
  prefix.MapDrive('a', programFolder);
  struct RemoveBatch {
    fs::path batch;
    ~RemoveBatch() { fs::remove(batch); }
  } cleanup{programFolder / "Merge.bat"};
  Stop();
  Start();

  Install("a:\\");
  EXPECT_TRUE(backend.Dialogs().empty());
  EXPECT_EQ(Caption(), "Missing files calendar.dat, calendar.hlp, read_me.txt, printcal.txt, calendar.exe .");
  EXPECT_EQ(EditText(), kWillNotRun);
  EXPECT_EQ(ReadFile(programFolder / "Merge.bat"), "xcopy/y/I a:\\*.dat a:\\merge\r\n");
  EXPECT_FALSE(fs::exists(programFolder / "merge"));
  EXPECT_FALSE(HasFolderLink("Calendar.lnk"));
  ExpectFinished();
}

TEST_F(CompletionTest, AWholeRunThroughTheProgramEndsWithOkAndExitCodeZero) {
  Stop();
  Answer(mrOk);
  Answer(mrYes);
  backend.Post([this] { Install("C:\\Kestu"); });
  backend.Post([this] { backend.Click("Button3"); });
  EXPECT_EQ(RunInstaller(backend), 0);
  EXPECT_TRUE(backend.QuitCalled());
  EXPECT_FALSE(backend.LoopRanDry());
  EXPECT_TRUE(fs::exists(DesktopLink()));
  EXPECT_EQ(ReadFile(C("Kestu/Merge.bat")), "xcopy/y/I a:\\*.dat C:\\Kestu\\merge\r\n");
}

}  // namespace
}  // namespace installer_testing

#include <gtest/gtest.h>

#include "platform/com/objbase.h"
#include "platform/com/shlobj.h"
#include "tests/installer/InstallerFixture.h"

namespace installer_testing {
namespace {

using StartupTest = InstallerTest;

TEST(DrivePartTest, TakesTheDriveOrTheShareOfAPath) {
  struct Row {
    const char* name;
    const char* path;
    const char* drivePart;
  } rows[] = {
      {"drive letter", "C:\\WINDOWS", "C:"},
      {"drive root", "D:\\", "D:"},
      {"share with a folder", "\\\\server\\share\\WINDOWS", "\\\\server\\share"},
      {"share root with its backslash", "\\\\server\\share\\", "\\\\server\\share"},
      {"share without a trailing backslash", "\\\\server\\share", "\\\\server\\share"},
      {"server alone", "\\\\server", "\\\\server"},
      {"no drive", "WINDOWS", ""},
      {"rooted without a drive", "\\WINDOWS", ""},
      {"empty", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DrivePart(row.path), row.drivePart);
  }
}

TEST_F(StartupTest, ProposesTheDirectoryOnTheWindowsDrive) {
  struct Row {
    const char* name;
    const char* windowsDirectory;
    fs::path startMenu;  // host folder of the Start Menu's Programs, or empty where there is none
    const char* proposed;
  } rows[] = {
      {"Windows on C: with a Start Menu", "C:\\WINDOWS", C("WINDOWS/Start Menu/Programs"), "C:\\Kestu"},
      {"Windows on D: without a Start Menu", "D:\\WINNT", {}, "D:\\Kestu"},
      {"Windows on a network share", "\\\\server\\share\\WINDOWS",
       prefix.Base() / "share/WINDOWS/Start Menu/Programs", "\\\\server\\share\\Kestu"},
  };
  prefix.MapDrive('d', prefix.Base() / "d-drive");
  prefix.MapShare("server", "share", prefix.Base() / "share");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (!row.startMenu.empty()) fs::create_directories(row.startMenu);
    prefix.SetWindowsDirectory(row.windowsDirectory);
    Start();
    EXPECT_EQ(WindowsDir, row.windowsDirectory);
    EXPECT_EQ(InstallDir, row.proposed);
    EXPECT_EQ(EditText(), row.proposed);
    if (!row.startMenu.empty()) {
      EXPECT_TRUE(fs::is_directory(row.startMenu / "Kestu Graphics"));
    }
    EXPECT_TRUE(backend.Dialogs().empty());
    application.reset();
  }
  EXPECT_FALSE(fs::exists(prefix.Base() / "d-drive" / "WINNT"));
}

TEST_F(StartupTest, LeavesTheWindowReadyWithOkHiddenAndASecondStartSilent) {
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    Start();
    EXPECT_TRUE(fs::is_directory(C("windows/Start Menu/Programs/Kestu Graphics")));
    EXPECT_EQ(Caption(), "Enter desired Kestu Calendar directory path.");
    EXPECT_FALSE(State("Button3").Visible);
    EXPECT_FALSE(State("Button3").Enabled);
    EXPECT_TRUE(State("Button1").Visible && State("Button1").Enabled);
    EXPECT_TRUE(State("Button2").Visible && State("Button2").Enabled);
    EXPECT_FALSE(State("Edit1").ReadOnly);
    EXPECT_TRUE(backend.Dialogs().empty());
    EXPECT_EQ(PathBufA, nullptr);
    application.reset();
  }
}

TEST_F(StartupTest, AWindowsDirectoryTooLongForTheFirstQueryIsTakenWhole) {
  const std::string longName(160, 'w');
  prefix.SetWindowsDirectory("C:\\" + longName);
  fs::create_directories(C(longName + "/Start Menu/Programs"));
  Start();
  EXPECT_EQ(WindowsDir, "C:\\" + longName);
  EXPECT_EQ(EditText(), "C:\\Kestu");
  EXPECT_TRUE(fs::is_directory(C(longName + "/Start Menu/Programs/Kestu Graphics")));
}

// OLE is up from before the window is made until after it is gone.
TEST_F(StartupTest, TheProgramHoldsOleForTheLifeOfItsWindow) {
  auto linkObjectCreation = [] {
    IShellLinkA* link = nullptr;
    const HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                            reinterpret_cast<void**>(&link));
    if (link != nullptr) link->Release();
    return result;
  };
  HRESULT whileRunning = E_FAIL;
  backend.Post([&] {
    whileRunning = linkObjectCreation();
    backend.Click("Button2");
  });
  EXPECT_EQ(RunInstaller(backend), 0);
  EXPECT_EQ(whileRunning, S_OK);
  EXPECT_EQ(linkObjectCreation(), CO_E_NOTINITIALIZED);
  EXPECT_EQ(com::LiveObjectCount(), 0u);
}

TEST_F(StartupTest, CancelAndTheCloseBoxEndTheProgramHavingChangedNothingButTheGroupFolder) {
  for (const char* how : {"Cancel", "close box"}) {
    SCOPED_TRACE(how);
    const bool cancel = std::string(how) == "Cancel";
    backend.Post([this, cancel] {
      if (cancel)
        backend.Click("Button2");
      else
        backend.CloseBox("Form1");
    });
    EXPECT_EQ(RunInstaller(backend), 0);
    EXPECT_TRUE(backend.QuitCalled());
    EXPECT_FALSE(backend.LoopRanDry());
    EXPECT_TRUE(fs::is_directory(C("windows/Start Menu/Programs/Kestu Graphics")));
    EXPECT_FALSE(fs::exists(C("Kestu")));
  }
}

}  // namespace
}  // namespace installer_testing

#include "shelllinks/ShellLinks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/registry/winreg.h"
#include "tests/support/LinkReaders.h"
#include "tests/support/TempPrefix.h"

namespace {

namespace fs = std::filesystem;
using namespace ShellLinks;
using testing_support::TempPrefix;

constexpr const char* kFolderKeyMessage =
    "Folder key \"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\" not found";

// A user.reg in Wine's format whose Shell Folders key holds the given lines.
std::string ShellFoldersHive(const std::string& valueLines) {
  return "WINE REGISTRY Version 2\n\n"
         "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 0\n" +
         valueLines;
}

TEST(ShellLinksNamesTest, ReplaceExtensionGivesTheShortcutName) {
  struct Row {
    const char* name;
    const char* fileName;
    const char* expected;
  };
  const Row rows[] = {
      {"text file", "C:\\Kestu\\Read_me.txt", "Read_me.lnk"},
      {"mixed case", "C:\\Kestu\\PrintCal.txt", "PrintCal.lnk"},
      {"a dot in a directory name only", "C:\\Kestu.old\\README", "README.lnk"},
      {"several dots", "archive.tar.gz", "archive.tar.lnk"},
      {"no dot", "README", "README.lnk"},
      {"dot at the end", "README.", "README.lnk"},
      {"the only dot is the first character", ".profile", ".lnk"},
      {"no file-name part", "C:\\Kestu\\", ".lnk"},
      {"drive and name, no backslash", "C:Calendar.exe", "Calendar.lnk"},
      {"a forward slash is no separator", "dir/prog.exe", "dir/prog.lnk"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ReplaceExtension(row.fileName, "lnk"), row.expected);
  }
}

TEST(ShellLinksNamesTest, LastPosFindsTheLastOccurrence) {
  struct Row {
    const char* name;
    std::string subStr;
    std::string text;
    int expected;
  };
  const Row rows[] = {
      {"empty substring", "", "abc", 0},
      {"empty text", ".", "", 0},
      {"substring longer than the text", "abcd", "abc", 0},
      {"absent", "x", "abc", 0},
      {"whole text", "abc", "abc", 1},
      {"last of several", ".", "a.b.c", 4},
      {"overlapping repeats", "aa", "aaaa", 3},
      {"at the very end", "c", "abc", 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LastPos(row.subStr, row.text), row.expected);
  }
  const char* text = "x.y.z";
  EXPECT_EQ(StrLastPos(text, "."), text + 3);
  EXPECT_EQ(StrLastPos(text, "q"), nullptr);
}

TEST(ShellLinksNamesTest, ShellOleCheckFailsEveryResultButZero) {
  struct Row {
    const char* name;
    HRESULT result;
    DWORD lastError;
    const char* message;  // nullptr: no failure
  };
  const Row rows[] = {
      {"S_OK", S_OK, 5, nullptr},
      {"S_FALSE is a failure too", S_FALSE, 0, "OLE function call failed. HResult is $1. GetLastError is $0"},
      {"negative result in eight upper-case digits", CO_E_NOTINITIALIZED, 0x3e5,
       "OLE function call failed. HResult is $800401F0. GetLastError is $3E5"},
      {"small positive code", 0x0004000C, 2, "OLE function call failed. HResult is $4000C. GetLastError is $2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetLastError(row.lastError);
    if (row.message == nullptr) {
      EXPECT_NO_THROW(ShellOleCheck(row.result));
      continue;
    }
    try {
      ShellOleCheck(row.result);
      ADD_FAILURE() << "no exception";
    } catch (const EShellOleError& error) {
      EXPECT_EQ(error.Message(), row.message);
    }
  }
}

TEST(ShellFolderLookupTest, ReadsTheValueOrRaisesItsMessage) {
  struct Row {
    const char* name;
    std::string hive;
    bool readOnlyHive;
    const char* expected;  // the path, or the message raised
    bool raises;
  };
  const std::string programs = "C:\\\\WINDOWS\\\\Start Menu\\\\Programs";
  const Row rows[] = {
      {"plain value", ShellFoldersHive("\"Programs\"=\"" + programs + "\"\n"), false,
       "C:\\WINDOWS\\Start Menu\\Programs", false},
      {"trailing backslash kept", ShellFoldersHive("\"Programs\"=\"C:\\\\Menu\\\\\"\n"), false,
       "C:\\Menu\\", false},
      {"expandable text stays unexpanded",
       ShellFoldersHive("\"Programs\"=str(2):\"%USERPROFILE%\\\\Programs\"\n"), false,
       "%USERPROFILE%\\Programs", false},
      {"data with a NUL inside ends there",
       ShellFoldersHive("\"Programs\"=hex(1):43,00,3a,00,00,00,78,00,00,00\n"), false, "C:", false},
      {"value name in another case", ShellFoldersHive("\"PROGRAMS\"=\"" + programs + "\"\n"), false,
       "C:\\WINDOWS\\Start Menu\\Programs", false},
      {"a hive the user may only read", ShellFoldersHive("\"Programs\"=\"" + programs + "\"\n"), true,
       "C:\\WINDOWS\\Start Menu\\Programs", false},
      {"REGEDIT4 file",
       "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
       "Folders]\n\"Programs\"=\"C:\\\\Regedit4\"\n",
       false, "C:\\Regedit4", false},
      {"version 5.00 file",
       "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
       "CurrentVersion\\Explorer\\Shell Folders]\n\"Programs\"=\"C:\\\\Version5\"\n",
       false, "C:\\Version5", false},
      {"empty value", ShellFoldersHive("\"Programs\"=\"\"\n"), false,
       "\"Programs\" item not found in registry", true},
      {"zero-size value", ShellFoldersHive("\"Programs\"=hex:\n"), false,
       "\"Programs\" item not found in registry", true},
      {"missing value", ShellFoldersHive("\"Desktop\"=\"C:\\\\desk\"\n"), false,
       "\"Programs\" item not found in registry", true},
      {"number instead of text", ShellFoldersHive("\"Programs\"=dword:00000001\n"), false,
       "Invalid data type for 'Programs'", true},
      {"text list instead of text", ShellFoldersHive("\"Programs\"=hex(7):61,00,00\n"), false,
       "Invalid data type for 'Programs'", true},
      {"missing key", "WINE REGISTRY Version 2\n\n[Software\\\\Microsoft] 0\n", false, kFolderKeyMessage,
       true},
      {"a damaged file", "WINE REGISTRY Version 2\n[Software\\\\Microsoft\\\\Windows\\\\Curr", false,
       kFolderKeyMessage, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempPrefix prefix;
    testing_support::WriteFile(prefix.Root() / "user.reg", row.hive);
    if (row.readOnlyHive) testing_support::MakeReadOnly(prefix.Root() / "user.reg");
    try {
      const std::string path = GetShellFolderPath("Programs");
      EXPECT_FALSE(row.raises) << "returned " << path;
      EXPECT_EQ(path, row.expected);
    } catch (const vcl::ERegistryException& error) {
      EXPECT_TRUE(row.raises) << "raised " << error.Message();
      EXPECT_EQ(error.Message(), row.expected);
    }
    EXPECT_EQ(registry::OpenKeyCount(), 0u) << "the key was left open";
  }
}

TEST(ShellFolderLookupTest, NewPrefixNamesItsProgramsFolder) {
  TempPrefix prefix;
  EXPECT_EQ(GetShellFolderPath("Programs"), "C:\\windows\\Start Menu\\Programs");
  EXPECT_EQ(GetShellFolderPath("Desktop"), "C:\\windows\\desktop");
}

// OLE on the test's thread and a prefix whose Programs folder lies under C:\WINDOWS.
class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    testing_support::WriteFile(
        prefix_.Root() / "user.reg",
        ShellFoldersHive("\"Programs\"=\"C:\\\\WINDOWS\\\\Start Menu\\\\Programs\"\n"));
    fs::create_directories(Host("WINDOWS/Start Menu/Programs"));
    fs::create_directories(Host("WINDOWS/desktop"));
    testing_support::WriteFile(Host("Kestu/Calendar.exe"), "MZ program");
  }
  void TearDown() override {
    EXPECT_EQ(com::LiveObjectCount(), 0u) << "a link object was not released";
    OleUninitialize();
  }
  fs::path Host(const std::string& belowDriveC) const { return prefix_.DriveC() / belowDriveC; }

  TempPrefix prefix_;
};

TEST_F(ShortcutTest, CalendarShortcutInTheProgramGroup) {
  std::string linkPath;
  CreateShellFolderLink("C:\\Kestu\\Calendar.exe", "C:\\Kestu", "Programs", linkPath);
  EXPECT_EQ(linkPath, "C:\\WINDOWS\\Start Menu\\Programs\\Kestu Graphics\\Calendar.lnk");
  // The "Kestu Graphics" folder did not exist; the call made it.
  const fs::path saved = Host("WINDOWS/Start Menu/Programs/Kestu Graphics/Calendar.lnk");
  ASSERT_TRUE(fs::exists(saved));
  const auto lnkinfo = testing_support::ReadWithLnkinfo(saved);
  const auto exiftool = testing_support::ReadWithExiftool(saved);
  EXPECT_EQ(lnkinfo.at("Local path"), "C:\\Kestu\\Calendar.exe");
  EXPECT_EQ(exiftool.at("LocalBasePath"), "C:\\Kestu\\Calendar.exe");
  EXPECT_EQ(lnkinfo.at("Working directory"), "C:\\Kestu");
  EXPECT_EQ(exiftool.at("WorkingDirectory"), "C:\\Kestu");
  EXPECT_EQ(lnkinfo.at("Description"), "C:\\Kestu");
  EXPECT_EQ(exiftool.at("Description"), "C:\\Kestu");
  EXPECT_EQ(lnkinfo.at("Drive type"), "Fixed (3)");
  EXPECT_EQ(exiftool.at("DriveType"), "Fixed Disk");
  EXPECT_EQ(exiftool.at("TargetFileSize"), "10");
}

TEST_F(ShortcutTest, EmptyWorkingDirectorySetsNoDescription) {
  std::string linkPath;
  CreateShellFolderLink("C:\\Kestu\\Calendar.exe", "", "Programs", linkPath);
  const auto lnkinfo = testing_support::ReadWithLnkinfo(Host("WINDOWS/Start Menu/Programs/Kestu Graphics/Calendar.lnk"));
  EXPECT_EQ(lnkinfo.at("Local path"), "C:\\Kestu\\Calendar.exe");
  EXPECT_EQ(lnkinfo.count("Working directory"), 0u);
  EXPECT_EQ(lnkinfo.count("Description"), 0u);
}

TEST_F(ShortcutTest, DirectoryLinkJoinsDirectoryAndNameAsGiven) {
  struct Row {
    const char* name;
    const char* directory;
    const char* linkPath;
    const char* hostFile;
  };
  const Row rows[] = {
      {"desktop with its backslash", "C:\\WINDOWS\\desktop\\", "C:\\WINDOWS\\desktop\\Calendar.lnk",
       "WINDOWS/desktop/Calendar.lnk"},
      {"desktop without its backslash", "C:\\WINDOWS\\desktop", "C:\\WINDOWS\\desktopCalendar.lnk",
       "WINDOWS/desktopCalendar.lnk"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string linkPath;
    CreateDirectoryLink("C:\\Kestu\\Calendar.exe", "C:\\Kestu", row.directory, linkPath);
    EXPECT_EQ(linkPath, row.linkPath);
    ASSERT_TRUE(fs::exists(Host(row.hostFile)));
    const auto lnkinfo = testing_support::ReadWithLnkinfo(Host(row.hostFile));
    EXPECT_EQ(lnkinfo.at("Working directory"), "C:\\Kestu");
    EXPECT_EQ(lnkinfo.count("Description"), 0u);  // only the folder link sets one
  }
}

TEST_F(ShortcutTest, NetworkTargetNamesItsShare) {
  prefix_.MapShare("server", "apps", prefix_.Base() / "share");
  std::string linkPath;
  CreateDirectoryLink("\\\\server\\apps\\Kestu\\Calendar.exe", "\\\\server\\apps\\Kestu",
                      "C:\\WINDOWS\\desktop\\", linkPath);
  const fs::path saved = Host("WINDOWS/desktop/Calendar.lnk");
  EXPECT_EQ(testing_support::ReadWithLnkinfo(saved).at("Network path"),
            "\\\\server\\apps\\Kestu\\Calendar.exe");
  EXPECT_EQ(testing_support::ReadWithExiftool(saved).at("NetName"), "\\\\server\\apps");
}

TEST_F(ShortcutTest, TargetsTheLayerCannotResolveKeepTheirWindowsFormOrWriteNothing) {
  struct Row {
    const char* name;
    const char* fileName;
    const char* target;  // Local path as lnkinfo reads it; nullptr: no shortcut written
  };
  const Row rows[] = {
      {"an unmapped drive", "e:\\Kestu\\..\\Kestu\\Calendar.exe", "E:\\Kestu\\Calendar.exe"},
      {"an invalid name", "C:\\Ke|stu\\Calendar.exe", nullptr},
  };
  const fs::path saved = Host("WINDOWS/Start Menu/Programs/Kestu Graphics/Calendar.lnk");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(saved);
    std::string linkPath;
    EXPECT_NO_THROW(CreateShellFolderLink(row.fileName, "C:\\Kestu", "Programs", linkPath));
    ASSERT_EQ(fs::exists(saved), row.target != nullptr);
    if (row.target != nullptr) {
      EXPECT_EQ(testing_support::ReadWithLnkinfo(saved).at("Local path"), row.target);
      EXPECT_EQ(testing_support::ReadWithExiftool(saved).at("LocalBasePath"), row.target);
    }
  }
}

TEST_F(ShortcutTest, FailingLookupWritesNothingAndKeepsLinkPath) {
  testing_support::WriteFile(prefix_.Root() / "user.reg", ShellFoldersHive(""));
  std::string linkPath = "unchanged";
  try {
    CreateShellFolderLink("C:\\Kestu\\Calendar.exe", "C:\\Kestu", "Programs", linkPath);
    ADD_FAILURE() << "no exception";
  } catch (const vcl::ERegistryException& error) {
    EXPECT_EQ(error.Message(), "\"Programs\" item not found in registry");
  }
  EXPECT_EQ(linkPath, "unchanged");
  EXPECT_TRUE(fs::is_empty(Host("WINDOWS/Start Menu/Programs")));
  // TearDown sees both references released.
}

// The shortcut path reaches the save in a buffer of 260 wide characters: 259
// fit with the terminator, one more and the save gets an empty name.
TEST_F(ShortcutTest, PathOverTheBufferWritesNothingAndRaisesNothing) {
  // A deep folder keeps each host name well below the host's own limit.
  const std::string folder(130, 'd');
  const std::string directory = "C:\\" + folder + "\\";
  struct Row {
    const char* name;
    std::size_t pathLength;
    bool saved;
  };
  const Row rows[] = {
      {"259 characters fit", 259, true},
      {"260 characters do not", 260, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(Host(folder));
    fs::create_directories(Host(folder));
    const std::string stem(row.pathLength - directory.size() - 4, 'n');  // 4 for ".lnk"
    std::string linkPath;
    EXPECT_NO_THROW(CreateDirectoryLink("C:\\Kestu\\" + stem + ".exe", "C:\\Kestu", directory, linkPath));
    EXPECT_EQ(linkPath, directory + stem + ".lnk");
    EXPECT_EQ(linkPath.size(), row.pathLength);
    EXPECT_EQ(fs::exists(Host(folder + "/" + stem + ".lnk")), row.saved);
    // Nothing was written under another, shortened name either.
    EXPECT_EQ(std::distance(fs::directory_iterator(Host(folder)), fs::directory_iterator()), row.saved ? 1 : 0);
  }
}

TEST_F(ShortcutTest, WithoutOleOnTheThreadTheLinkObjectFails) {
  std::thread([] {
    std::string linkPath = "unchanged";
    try {
      CreateDirectoryLink("C:\\Kestu\\Calendar.exe", "C:\\Kestu", "C:\\WINDOWS\\desktop\\", linkPath);
      ADD_FAILURE() << "no exception";
    } catch (const EShellOleError& error) {
      EXPECT_EQ(error.Message(), "OLE function call failed. HResult is $800401F0. GetLastError is $0");
    }
    EXPECT_EQ(linkPath, "unchanged");
  }).join();
  EXPECT_TRUE(fs::is_empty(Host("WINDOWS/desktop")));
}

TEST(ShellLinksStartupTest, ShutdownStepUninitialisesOle) {
  std::thread([] {
    InitializeShellLinks();
    IShellLinkA* link = CreateShellLinkObject();
    ASSERT_NE(link, nullptr);
    link->Release();
    vcl::RunExitProcs();
    EXPECT_THROW(CreateShellLinkObject(), EShellOleError);
  }).join();
  EXPECT_EQ(com::LiveObjectCount(), 0u);
}

}  // namespace

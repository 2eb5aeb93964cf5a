#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/com/objbase.h"
#include "platform/com/shlobj.h"
#include "platform/win32/codepage.h"
#include "tests/support/LinkReaders.h"
#include "tests/support/TempPrefix.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

// Runs on a thread of its own, so OLE's per-thread state starts fresh.
void OnNewThread(const std::function<void()>& body) { std::thread(body).join(); }

TEST(ComTest, CoCreateInstanceResults) {
  const IID unknownId = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  struct Row {
    const char* name;
    bool oleInitialized;
    CLSID clsid;
    IID iid;
    HRESULT expected;
  };
  const Row rows[] = {
      {"a thread without OLE", false, CLSID_ShellLink, IID_IShellLinkA, CO_E_NOTINITIALIZED},
      {"a class nobody registered", true, unknownId, IID_IShellLinkA, REGDB_E_CLASSNOTREG},
      {"an interface the link lacks", true, CLSID_ShellLink, unknownId, E_NOINTERFACE},
      {"the link's own interface", true, CLSID_ShellLink, IID_IShellLinkA, S_OK},
      {"its file interface", true, CLSID_ShellLink, IID_IPersistFile, S_OK},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OnNewThread([&] {
      if (row.oleInitialized) OleInitialize(nullptr);
      void* object = reinterpret_cast<void*>(1);
      EXPECT_EQ(CoCreateInstance(row.clsid, nullptr, CLSCTX_INPROC_SERVER, row.iid, &object),
                row.expected);
      EXPECT_EQ(object != nullptr, row.expected == S_OK);
      if (object != nullptr) static_cast<IUnknown*>(object)->Release();
      EXPECT_EQ(com::LiveObjectCount(), 0u);
      if (row.oleInitialized) OleUninitialize();
    });
  }
}

TEST(ComTest, OleStateIsCountedPerThread) {
  OnNewThread([] {
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OnNewThread([] {
      void* object = nullptr;
      EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &object),
                CO_E_NOTINITIALIZED);
    });
    OleUninitialize();
    com::ComPtr<IShellLinkA> link;
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()),
              S_OK);
    link.Reset();
    OleUninitialize();
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()),
              CO_E_NOTINITIALIZED);
  });
}

TEST(ComTest, ReferencesAreCountedAcrossInterfaces) {
  OnNewThread([] {
    OleInitialize(nullptr);
    IShellLinkA* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    EXPECT_EQ(com::LiveObjectCount(), 1u);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    IUnknown* fromLink = nullptr;
    IUnknown* fromFile = nullptr;
    link->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromLink));
    file->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromFile));
    EXPECT_EQ(fromLink, fromFile);  // one object behind both
    EXPECT_EQ(fromFile->Release(), 3u);
    EXPECT_EQ(fromLink->Release(), 2u);
    EXPECT_EQ(link->Release(), 1u);
    EXPECT_EQ(com::LiveObjectCount(), 1u);
    EXPECT_EQ(file->Release(), 0u);
    EXPECT_EQ(com::LiveObjectCount(), 0u);
    OleUninitialize();
  });
}

TEST(ComTest, LinkPropertiesReadBack) {
  TempPrefix prefix;
  OleInitialize(nullptr);
  {
    com::ComPtr<IShellLinkA> link;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()),
              S_OK);
    char text[16];
    EXPECT_EQ(link->GetPath(text, sizeof text, nullptr, 0), S_FALSE);  // no target yet
    EXPECT_EQ(link->SetPath("c:\\kestu\\..\\Kestu\\Calendar.exe"), S_OK);
    char path[MAX_PATH];
    EXPECT_EQ(link->GetPath(path, MAX_PATH, nullptr, 0), S_OK);
    EXPECT_STREQ(path, "C:\\Kestu\\Calendar.exe");
    EXPECT_EQ(link->SetDescription("A long description"), S_OK);
    EXPECT_EQ(link->GetDescription(text, sizeof text), S_OK);
    EXPECT_STREQ(text, "A long descript");  // cut to the buffer with its terminator
    EXPECT_EQ(link->SetWorkingDirectory(nullptr), E_INVALIDARG);
  }
  OleUninitialize();
}

// A link saved through the object, with every field checked by both readers.
class ShellLinkSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link_.PutVoid()),
              S_OK);
    ASSERT_EQ(link_->QueryInterface(IID_IPersistFile, file_.PutVoid()), S_OK);
  }
  void TearDown() override {
    file_.Reset();
    link_.Reset();
    EXPECT_EQ(com::LiveObjectCount(), 0u);
    OleUninitialize();
  }
  HRESULT Save(const std::string& ansiName) {
    const std::u16string name = win32::AnsiToUtf16(ansiName);
    return file_->Save(name.c_str(), TRUE);
  }

  TempPrefix prefix_;
  com::ComPtr<IShellLinkA> link_;
  com::ComPtr<IPersistFile> file_;
};

TEST_F(ShellLinkSaveTest, ReadersSeeTargetFolderAndDescription) {
  testing_support::WriteFile(prefix_.DriveC() / "Kestu" / "Calendar.exe", std::string(1234, 'x'));
  testing_support::WriteFile(prefix_.Base() / "floppy" / "read_me.txt", "hello");
  prefix_.MapDrive('a', prefix_.Base() / "floppy");
  testing_support::WriteFile(prefix_.Base() / "server" / "apps" / "tool.exe", "tool");
  prefix_.MapShare("fileserver", "share", prefix_.Base() / "server");
  fs::create_directories(prefix_.DriveC() / "links");

  struct Row {
    const char* name;
    const char* target;
    const char* workingDirectory;
    const char* description;
    // What lnkinfo and exiftool say.
    const char* lnkinfoPath;  // "Local path", or "Network path" for a share
    const char* lnkinfoDrive;
    const char* exiftoolDrive;
    const char* netName;  // exiftool's NetName; nullptr for a drive
    const char* fileSize;
    const char* attributes;
  };
  const Row rows[] = {
      {"an existing program on C:", "C:\\Kestu\\Calendar.exe", "C:\\Kestu", "C:\\Kestu",
       "C:\\Kestu\\Calendar.exe", "Fixed (3)", "Fixed Disk", nullptr, "1234", "Archive"},
      {"a file on the floppy drive", "a:\\read_me.txt", "A:\\", "Read me", "A:\\read_me.txt",
       "Removable (2)", "Removable Media", nullptr, "5", "Archive"},
      {"a target that does not exist yet", "C:\\Later\\prog.exe", "C:\\Later", "Later",
       "C:\\Later\\prog.exe", "Fixed (3)", "Fixed Disk", nullptr, "0", "(none)"},
      {"a program on a network share", "\\\\fileserver\\share\\apps\\tool.exe",
       "\\\\fileserver\\share\\apps", "On the server", "\\\\fileserver\\share\\apps\\tool.exe",
       nullptr, nullptr, "\\\\fileserver\\share", "4", "Archive"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(link_->SetPath(row.target), S_OK);
    ASSERT_EQ(link_->SetWorkingDirectory(row.workingDirectory), S_OK);
    ASSERT_EQ(link_->SetDescription(row.description), S_OK);
    ASSERT_EQ(Save("C:\\links\\shortcut.lnk"), S_OK);
    const fs::path saved = prefix_.DriveC() / "links" / "shortcut.lnk";

    const std::string bytes = testing_support::ReadFile(saved);
    ASSERT_GE(bytes.size(), 76u);
    EXPECT_EQ(bytes.substr(0, 20),
              std::string("\x4c\0\0\0\x01\x14\x02\0\0\0\0\0\xc0\0\0\0\0\0\0\x46", 20));
    // HasLinkInfo, HasName, HasWorkingDir, IsUnicode.
    EXPECT_EQ(bytes.substr(20, 4), std::string("\x96\0\0\0", 4));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));  // terminal block

    const auto lnkinfo = testing_support::ReadWithLnkinfo(saved);
    const auto exiftool = testing_support::ReadWithExiftool(saved);
    EXPECT_EQ(lnkinfo.at("Working directory"), row.workingDirectory);
    EXPECT_EQ(exiftool.at("WorkingDirectory"), row.workingDirectory);
    EXPECT_EQ(lnkinfo.at("Description"), row.description);
    EXPECT_EQ(exiftool.at("Description"), row.description);
    EXPECT_EQ(exiftool.at("TargetFileSize"), row.fileSize);
    EXPECT_EQ(exiftool.at("FileAttributes"), row.attributes);
    if (row.netName == nullptr) {
      EXPECT_EQ(lnkinfo.at("Local path"), row.lnkinfoPath);
      EXPECT_EQ(exiftool.at("LocalBasePath"), row.lnkinfoPath);
      EXPECT_EQ(lnkinfo.at("Drive type"), row.lnkinfoDrive);
      EXPECT_EQ(exiftool.at("DriveType"), row.exiftoolDrive);
    } else {
      EXPECT_EQ(lnkinfo.at("Network path"), row.lnkinfoPath);
      EXPECT_EQ(exiftool.at("NetName"), row.netName);
    }
  }
  // Each save replaced the last one in a single step: nothing else is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(prefix_.DriveC() / "links"), fs::directory_iterator()), 1);
}

TEST_F(ShellLinkSaveTest, EmptyStringsWriteNoStrings) {
  ASSERT_EQ(link_->SetPath("C:\\prog.exe"), S_OK);
  ASSERT_EQ(link_->SetWorkingDirectory(""), S_OK);
  ASSERT_EQ(Save("C:\\bare.lnk"), S_OK);
  const fs::path saved = prefix_.DriveC() / "bare.lnk";
  EXPECT_EQ(testing_support::ReadFile(saved).substr(20, 4), std::string("\x82\0\0\0", 4));
  const auto lnkinfo = testing_support::ReadWithLnkinfo(saved);
  EXPECT_EQ(lnkinfo.count("Working directory"), 0u);
  EXPECT_EQ(lnkinfo.count("Description"), 0u);
  EXPECT_EQ(lnkinfo.at("Local path"), "C:\\prog.exe");
}

TEST_F(ShellLinkSaveTest, FailedSavesWriteNothing) {
  ASSERT_EQ(link_->SetPath("C:\\prog.exe"), S_OK);
  testing_support::WriteFile(prefix_.DriveC() / "locked" / "old.lnk", "old");
  testing_support::MakeReadOnly(prefix_.DriveC() / "locked" / "old.lnk");
  fs::create_directories(prefix_.DriveC() / "locked" / "folder.lnk");
  struct Row {
    const char* name;
    std::string fileName;
    HRESULT expected;
  };
  const Row rows[] = {
      {"a missing folder", "C:\\missing\\new.lnk", STG_E_PATHNOTFOUND},
      {"a read-only shortcut", "C:\\locked\\old.lnk", STG_E_ACCESSDENIED},
      {"a name that is a folder", "C:\\locked\\folder.lnk", STG_E_ACCESSDENIED},
      {"an empty name", "", STG_E_INVALIDNAME},
      {"a name with a wildcard", "C:\\locked\\a?b.lnk", STG_E_INVALIDNAME},
      {"an unmapped drive", "Q:\\new.lnk", STG_E_PATHNOTFOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Save(row.fileName), row.expected);
  }
  EXPECT_FALSE(fs::exists(prefix_.DriveC() / "missing"));
  EXPECT_EQ(testing_support::ReadFile(prefix_.DriveC() / "locked" / "old.lnk"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(prefix_.DriveC() / "locked"), fs::directory_iterator()), 2);
}

TEST_F(ShellLinkSaveTest, SetPathKeepsTheWindowsFormWhetherOrNotTheDriveIsMapped) {
  fs::create_directories(prefix_.DriveC() / "links");
  struct Row {
    const char* name;
    const char* target;
    const char* kept;
  };
  const Row rows[] = {
      {"an unmapped drive with forward slashes", "E:/Kestu/Calendar.exe", "E:\\Kestu\\Calendar.exe"},
      {"dots on an unmapped drive", "e:\\a\\..\\Kestu\\.\\Calendar.exe", "E:\\Kestu\\Calendar.exe"},
      {"an unmapped share", "//other/share/apps/tool.exe", "\\\\other\\share\\apps\\tool.exe"},
      {"a name in the current folder", "Calendar.exe", "C:\\Calendar.exe"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(link_->SetPath(row.target), S_OK);
    char path[MAX_PATH];
    EXPECT_EQ(link_->GetPath(path, MAX_PATH, nullptr, 0), S_OK);
    EXPECT_STREQ(path, row.kept);
    ASSERT_EQ(Save("C:\\links\\target.lnk"), S_OK);
    const fs::path saved = prefix_.DriveC() / "links" / "target.lnk";
    const auto lnkinfo = testing_support::ReadWithLnkinfo(saved);
    const bool share = row.kept[1] == '\\';
    EXPECT_EQ(lnkinfo.at(share ? "Network path" : "Local path"), row.kept);
  }
}

TEST_F(ShellLinkSaveTest, ALinkWithoutATargetIsNotSaved) {
  fs::create_directories(prefix_.DriveC() / "links");
  struct Row {
    const char* name;
    std::optional<std::string> target;  // nothing: SetPath never called
  };
  const Row rows[] = {
      {"no path set", std::nullopt},
      {"an empty path", ""},
      {"an invalid name", "C:\\Ke|stu\\Calendar.exe"},
      {"a device name", "C:\\Kestu\\CON"},
      {"a share without its name", "\\\\server"},
      {"a path over 259 characters", "C:\\" + std::string(260, 'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    com::ComPtr<IShellLinkA> link;
    com::ComPtr<IPersistFile> file;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()),
              S_OK);
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.PutVoid()), S_OK);
    if (row.target) {
      EXPECT_EQ(link->SetPath(row.target->c_str()), S_OK);
    }
    const std::u16string name = win32::AnsiToUtf16("C:\\links\\none.lnk");
    EXPECT_EQ(file->Save(name.c_str(), TRUE), STG_E_INVALIDPARAMETER);
  }
  EXPECT_TRUE(fs::is_empty(prefix_.DriveC() / "links"));
}

}  // namespace

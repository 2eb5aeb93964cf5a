#include "platform/registry/winreg.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry/Registry.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/WinePrefix.h"

namespace {

using testing_support::TempPrefix;

constexpr const char* kUserHive =
    "WINE REGISTRY Version 2\n"
    "[Software\\\\Kestu] 0\n"
    "\"Name\"=\"Calendar\"\n"
    "\"Lines\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
    "\"Count\"=dword:00000007\n"
    "[Software\\\\Kestu\\\\Sub] 0\n"
    "\"Deep\"=\"yes\"\n";

class WinRegTest : public ::testing::Test {
 protected:
  void SetUp() override { testing_support::WriteFile(prefix_.Root() / "user.reg", kUserHive); }
  void TearDown() override { EXPECT_EQ(registry::OpenKeyCount(), 0u) << "a key was left open"; }

  TempPrefix prefix_;
};

TEST_F(WinRegTest, QueryGivesTypeAndSizeThenTheData) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\KESTU", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, registry::REG_SZ);
  EXPECT_EQ(size, 9u);  // with its terminator

  char small[4] = {'x', 'x', 'x', 'x'};
  DWORD smallSize = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(small),
                             &smallSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(smallSize, 9u);

  std::string data(size, 'x');
  ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<LPBYTE>(data.data()),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(data, std::string("Calendar\0", 9));

  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(data.data()),
                             nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(WinRegTest, OpenFollowsKeysAndTheHiveFileRights) {
  struct Row {
    const char* name;
    HKEY root;
    const char* path;
    REGSAM access;
    bool readOnlyHive;
    LONG expected;
  };
  const Row rows[] = {
      {"full access to a writable hive", HKEY_CURRENT_USER, "Software\\Kestu", KEY_ALL_ACCESS, false,
       ERROR_SUCCESS},
      {"full access to a read-only hive", HKEY_CURRENT_USER, "Software\\Kestu", KEY_ALL_ACCESS, true,
       ERROR_ACCESS_DENIED},
      {"any write right to a read-only hive", HKEY_CURRENT_USER, "Software\\Kestu", KEY_SET_VALUE,
       true, ERROR_ACCESS_DENIED},
      {"reading a read-only hive", HKEY_CURRENT_USER, "Software\\Kestu", KEY_READ, true, ERROR_SUCCESS},
      {"a missing key", HKEY_CURRENT_USER, "Software\\Nothing", KEY_READ, false, ERROR_FILE_NOT_FOUND},
      {"a missing key of a read-only hive", HKEY_CURRENT_USER, "Software\\Nothing", KEY_ALL_ACCESS,
       true, ERROR_FILE_NOT_FOUND},
      {"a leading backslash names no key", HKEY_CURRENT_USER, "\\Software\\Kestu", KEY_READ, false,
       ERROR_FILE_NOT_FOUND},
      {"the machine's hive is another file", HKEY_LOCAL_MACHINE, "Software\\Kestu", KEY_READ, false,
       ERROR_FILE_NOT_FOUND},
      {"the root itself", HKEY_CURRENT_USER, "", KEY_READ, false, ERROR_SUCCESS},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto hive = prefix_.Root() / "user.reg";
    std::filesystem::permissions(hive, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    if (row.readOnlyHive) testing_support::MakeReadOnly(hive);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(row.root, row.path, 0, row.access, &key), row.expected);
    EXPECT_EQ(key != nullptr, row.expected == ERROR_SUCCESS);
    if (key != nullptr) RegCloseKey(key);
  }
}

TEST_F(WinRegTest, SubkeyOpensFromAnOpenKey) {
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &parent), ERROR_SUCCESS);
  HKEY child = nullptr;
  ASSERT_EQ(RegOpenKeyExA(parent, "Kestu\\Sub", 0, KEY_READ, &child), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(child, "Deep", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  RegCloseKey(child);
  RegCloseKey(parent);
}

TEST_F(WinRegTest, RegistryObjectReportsRealTypesAndPaths) {
  vcl::TRegistry registry(KEY_READ);
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.OpenKey("\\Software\\Kestu"));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Kestu");

  vcl::TRegDataInfo info;
  ASSERT_TRUE(registry.GetDataInfo("Lines", info));
  EXPECT_EQ(info.DataType, registry::REG_MULTI_SZ);
  EXPECT_EQ(info.RegData, vcl::TRegDataType::rdUnknown);
  EXPECT_EQ(info.DataSize, 5);
  EXPECT_EQ(registry.GetDataType("Count"), vcl::TRegDataType::rdInteger);
  EXPECT_EQ(registry.GetDataSize("Count"), 4);
  EXPECT_EQ(registry.GetDataSize("Missing"), -1);
  EXPECT_THROW(registry.ReadString("Count"), vcl::ERegistryException);
  EXPECT_EQ(registry.ReadString("Missing"), "");

  // Without a leading backslash a path continues from the open key.
  ASSERT_TRUE(registry.OpenKey("Sub"));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Kestu\\Sub");
  EXPECT_EQ(registry.ReadString("Deep"), "yes");
  EXPECT_FALSE(registry.OpenKey("\\Software\\Nothing", true));  // the registry is never written
  EXPECT_EQ(registry.CurrentPath(), "Software\\Kestu\\Sub");

  registry.SetRootKey(HKEY_LOCAL_MACHINE);  // a new root closes the key
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry::OpenKeyCount(), 0u);
}

// The user hive laid out at first use is one Wine takes: its own format, and
// no #arch= line, which a Wine of the other architecture refuses.
TEST(PrefixHiveTest, TheUserHiveOfAFirstUseIsInWinesFormatByteForByte) {
  TempPrefix prefix;
  EXPECT_EQ(testing_support::ReadFile(prefix.Root() / "user.reg"),
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
            "\n"
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 0\n"
            "\"Desktop\"=\"C:\\\\windows\\\\desktop\"\n"
            "\"Programs\"=\"C:\\\\windows\\\\Start Menu\\\\Programs\"\n");
}

// Both kinds of prefix answer the calls the installer makes: the Shell
// Folders of the user, and the Windows directory in the machine's hive.
TEST(PrefixHiveTest, BothPrefixesAnswerForTheUserAndTheMachine) {
  struct Row {
    const char* name;
    testing_support::PrefixLayout layout;
    std::string programs;
  } rows[] = {
      {"minimal prefix of a first use", testing_support::PrefixLayout::Minimal, "C:\\windows\\Start Menu\\Programs"},
      {"prefix of Wine's size and shape", testing_support::PrefixLayout::Wine,
       testing_support::WineProgramsFolder(testing_support::WinePrefixOptions{}.user)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempPrefix prefix(row.layout);
    {
      vcl::TRegistry registry;
      ASSERT_TRUE(registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
      EXPECT_EQ(registry.ReadString("Programs"), row.programs);
    }
    HKEY key = nullptr;
    if (row.layout == testing_support::PrefixLayout::Wine) {
      ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ,
                              &key),
                ERROR_SUCCESS);
      char data[32] = {};
      DWORD size = sizeof data;
      EXPECT_EQ(RegQueryValueExA(key, "SystemRoot", nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &size),
                ERROR_SUCCESS);
      EXPECT_STREQ(data, "C:\\windows");
      EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    // A read-only hive still refuses full access, however large.
    testing_support::MakeReadOnly(prefix.Root() / "user.reg");
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry::OpenKeyCount(), 0u);
  }
}

}  // namespace

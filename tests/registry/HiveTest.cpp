#include "platform/registry/hive.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/TempPrefix.h"

namespace {

using registry::Hive;
using registry::HiveSyntax;

const std::filesystem::path kSamples = KESTU_HIVE_SAMPLES;
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Sample(const char* name) { return testing_support::ReadFile(kSamples / name); }

struct SampleFile {
  const char* name;
  const char* file;
  HiveSyntax syntax;
};

const SampleFile kSampleFiles[] = {
    {"REGEDIT4 in ANSI", "regedit4.reg", HiveSyntax::Regedit4},
    {"version 5.00 in UTF-16LE with its mark", "regedit5-utf16.reg", HiveSyntax::Regedit5},
    {"version 5.00 in UTF-8", "regedit5-utf8.reg", HiveSyntax::Regedit5},
    {"Wine's own format", "wine.reg", HiveSyntax::Wine},
};

// Every syntax holds the same values; the reader gives them as the A calls
// return them: ANSI text with its terminator.
TEST(HiveTest, EachSyntaxGivesTheSameValues) {
  struct Expected {
    const char* name;
    DWORD type;
    std::string data;
  };
  const Expected expected[] = {
      {"", registry::REG_SZ, std::string("default\0", 8)},
      {"Programs", registry::REG_SZ, std::string("C:\\WINDOWS\\Start Menu\\Programs\0", 31)},
      {"Trailing", registry::REG_SZ, std::string("C:\\WINDOWS\\\0", 12)},
      {"Quoted", registry::REG_SZ, std::string("say \"hi\"\0", 9)},
      {"Caf\xE9", registry::REG_SZ, std::string("\xE9t\xE9\0", 4)},
      {"Expand", registry::REG_EXPAND_SZ, std::string("%USERPROFILE%\\Prog\0", 19)},
      {"Count", registry::REG_DWORD, std::string("\x2a\0\0\0", 4)},
      {"Blob", registry::REG_BINARY, std::string("\x01\x02\xff", 3)},
      {"Embedded", registry::REG_SZ, std::string("A\0B\0", 4)},
  };
  for (const SampleFile& sample : kSampleFiles) {
    SCOPED_TRACE(sample.name);
    const Hive hive = Hive::Parse(Sample(sample.file));
    EXPECT_EQ(hive.Syntax(), sample.syntax);
    const registry::Key* key = hive.FindKey(kShellFolders);
    ASSERT_NE(key, nullptr);
    for (const Expected& value : expected) {
      SCOPED_TRACE(value.name);
      const auto found = key->values.find(value.name);
      ASSERT_NE(found, key->values.end());
      EXPECT_EQ(found->second.type, value.type);
      EXPECT_EQ(found->second.data, value.data);
    }
    // Lines that cannot be read are skipped, and reading goes on after them.
    EXPECT_EQ(key->values.size(), std::size(expected));
    const registry::Key* other = hive.FindKey("software\\OTHER");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->values.at("X").data, std::string("y\0", 2));
    // The folders on the way are keys too, and the hive's name is no part of a path.
    EXPECT_NE(hive.FindKey("Software\\Microsoft\\Windows"), nullptr);
    EXPECT_EQ(hive.FindKey("HKEY_CURRENT_USER\\Software"), nullptr);
  }
}

TEST(HiveTest, KeyLinesAndHeaders) {
  struct Row {
    const char* name;
    std::string text;
    const char* key;
    bool present;
  };
  const Row rows[] = {
      {"a file without a known header is empty", "REGEDIT5\n[HKEY_CURRENT_USER\\A]\n", "A", false},
      {"values before any key belong to none", "REGEDIT4\n\"V\"=\"x\"\n[HKEY_CURRENT_USER\\A]\n", "A", true},
      {"a removed key goes with the keys below it",
       "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n[-HKEY_CURRENT_USER\\A]\n", "A\\B", false},
      {"a Wine key ends at its bracket, before the timestamp",
       "WINE REGISTRY Version 2\n[A\\\\B] 1700000000\n", "A\\B", true},
      {"a key line without its bracket is skipped", "REGEDIT4\n[HKEY_CURRENT_USER\\A\n", "A", false},
      {"leading blank lines before the header", "\n\n  REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", "A", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Hive hive = Hive::Parse(row.text);
    EXPECT_EQ(hive.FindKey(row.key) != nullptr, row.present);
  }
  const Hive early = Hive::Parse("REGEDIT4\n\"V\"=\"x\"\n[HKEY_CURRENT_USER\\A]\n");
  EXPECT_TRUE(early.FindKey("A")->values.empty());
}

TEST(HiveTest, LoadFailsOnlyForAFileThatCannotBeRead) {
  testing_support::TempPrefix prefix;
  EXPECT_FALSE(Hive::Load(prefix.Base() / "missing.reg").has_value());
  EXPECT_FALSE(Hive::Load(prefix.Base()).has_value());
  const auto hive = Hive::Load(kSamples / "wine.reg");
  ASSERT_TRUE(hive.has_value());
  EXPECT_NE(hive->FindKey(kShellFolders), nullptr);
}

// Cut short anywhere, or with bytes changed, inserted and removed at random,
// a file still gives a hive: never a crash, never a read past its data (the
// sanitizer build watches the latter).
TEST(HiveTest, DamagedFilesNeverCrashTheReader) {
  std::mt19937 random(20240611);
  const std::string troublemakers = "\\\"[]=@;#:,()\r\n\0x\xff";
  for (const SampleFile& sample : kSampleFiles) {
    SCOPED_TRACE(sample.name);
    const std::string text = Sample(sample.file);
    for (std::size_t length = 0; length <= text.size(); ++length) {
      // The copy ends where the data does, so a read beyond it is seen.
      const std::string cut = text.substr(0, length);
      (void)Hive::Parse(cut);
    }
    for (int round = 0; round < 2000; ++round) {
      std::string damaged = text;
      const int changes = 1 + static_cast<int>(random() % 8);
      for (int change = 0; change < changes && !damaged.empty(); ++change) {
        const std::size_t at = random() % damaged.size();
        const char c = random() % 2 ? troublemakers[random() % troublemakers.size()]
                                    : static_cast<char>(random());
        switch (random() % 3) {
          case 0: damaged[at] = c; break;
          case 1: damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(at), c); break;
          default: damaged.erase(at, 1 + random() % 16); break;
        }
      }
      (void)Hive::Parse(damaged);
    }
  }
}

}  // namespace

#include "platform/registry/hive.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/codepage.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/WinePrefix.h"

namespace {

using registry::Hive;
using registry::HiveSyntax;

const std::filesystem::path kSamples = KESTU_HIVE_SAMPLES;
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Sample(const char* name) { return testing_support::ReadFile(kSamples / name); }

// A key's values in a form a table can state: "name=text" for a string with
// its one terminator, "name=dword:N", else "name=hex(type):bytes"; "@" is
// the default value.
std::vector<std::string> Rendered(const registry::Key& key) {
  std::vector<std::string> rendered;
  for (const auto& [name, value] : key.values) {
    const std::string& data = value.data;
    std::string text = (name.empty() ? "@" : name) + "=";
    if (value.type == registry::REG_SZ && data.find('\0') == data.size() - 1) {
      text += data.substr(0, data.size() - 1);
    } else if (value.type == registry::REG_DWORD && data.size() == 4) {
      std::uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = number * 256 + static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
      text += "dword:" + std::to_string(number);
    } else {
      text += "hex(" + std::to_string(value.type) + "):";
      static constexpr char kDigits[] = "0123456789abcdef";
      for (unsigned char c : data) text += std::string{kDigits[c >> 4], kDigits[c & 15], ','};
    }
    rendered.push_back(text);
  }
  return rendered;
}

// The key at path as the two readers see it: the whole file indexed, and the
// key read alone from the file in pieces. Nothing where the key is missing.
struct BothReadings {
  std::optional<std::vector<std::string>> whole;
  std::optional<std::vector<std::string>> alone;
};

BothReadings ReadBothWays(const std::filesystem::path& file, std::string_view path) {
  BothReadings readings;
  const auto hive = Hive::Load(file);
  if (const registry::Key* key = hive ? hive->FindKey(path) : nullptr) readings.whole = Rendered(*key);
  const auto single = Hive::LoadKey(file, path);
  if (const registry::Key* key = single ? single->FindKey(path) : nullptr) readings.alone = Rendered(*key);
  return readings;
}

// Version 5.00's other encoding: UTF-16LE with its mark, from UTF-8 text.
std::string AsUtf16WithMark(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : win32::AnsiToUtf16(win32::Utf8ToAnsi(utf8))) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

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
  const auto fifo = prefix.Base() / "fifo.reg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Row {
    const char* name;
    std::filesystem::path file;
  } rows[] = {
      {"a missing file", prefix.Base() / "missing.reg"},
      {"a folder", prefix.Base()},
      {"a FIFO, refused without waiting for a writer", fifo},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(Hive::Load(row.file).has_value());
    EXPECT_FALSE(Hive::LoadKey(row.file, kShellFolders).has_value());
  }
  const auto hive = Hive::Load(kSamples / "wine.reg");
  ASSERT_TRUE(hive.has_value());
  EXPECT_NE(hive->FindKey(kShellFolders), nullptr);
  // A file without a known header can be read; it holds no key, not even the root.
  testing_support::WriteFile(prefix.Base() / "other.reg", "REGEDIT5\n[HKEY_CURRENT_USER\\A]\n");
  const auto other = Hive::LoadKey(prefix.Base() / "other.reg", "");
  ASSERT_TRUE(other.has_value());
  EXPECT_EQ(other->Syntax(), HiveSyntax::Unknown);
  EXPECT_EQ(other->FindKey(""), nullptr);
}

// Files of Wine's size and shape, and an import with deletions, read back
// exactly as the generator wrote them, by both readers.
TEST(HiveTest, GeneratedFilesReadBackAsTheyWereWritten) {
  testing_support::TempPrefix prefix;
  struct Row {
    const char* name;
    std::string text;
    testing_support::HiveModel model;
  };
  std::vector<Row> rows(4);
  rows[0].name = "Wine's system.reg";
  rows[0].text = testing_support::WineSystemHive(400'000, &rows[0].model);
  rows[1].name = "Wine's user.reg";
  rows[1].text = testing_support::WineUserHive("kestu", &rows[1].model);
  rows[2].name = "a version 5.00 import with deletions";
  rows[2].text = testing_support::RegImportFile(200'000, &rows[2].model);
  rows[3].name = "the same import in UTF-16LE with its mark";
  rows[3].text = AsUtf16WithMark(rows[2].text);
  rows[3].model = rows[2].model;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_GT(row.model.keys.size(), 100u);
    const auto file = prefix.Base() / "generated.reg";
    testing_support::WriteFile(file, row.text);
    const auto hive = Hive::Load(file);
    ASSERT_TRUE(hive.has_value());
    EXPECT_GE(hive->KeyCount(), row.model.keys.size());
    std::size_t index = 0;
    for (const auto& [path, expected] : row.model.keys) {
      SCOPED_TRACE(path);
      const registry::Key* key = hive->FindKey(path);
      ASSERT_NE(key, nullptr);
      EXPECT_EQ(Rendered(*key), Rendered(expected));
      // The key read alone agrees; every key would take a pass over the file each.
      if (index++ % 16 == 0) {
        EXPECT_EQ(ReadBothWays(file, path).alone, Rendered(expected));
      }
    }
    for (const std::string& path : row.model.removed) {
      SCOPED_TRACE("removed " + path);
      EXPECT_EQ(hive->FindKey(path), nullptr);
      EXPECT_EQ(ReadBothWays(file, path).alone, std::nullopt);
    }
    if (row.model.keys.contains("Software\\Microsoft\\Windows NT\\CurrentVersion")) {
      EXPECT_EQ(hive->FindKey("software\\microsoft\\windows nt\\currentversion")->values.at("SystemRoot").data,
                std::string("C:\\windows\0", 11));
    }
  }
  EXPECT_FALSE(rows[2].model.removed.empty());
}

// The key read alone, from a file in pieces, is the key of the whole file
// however its lines fall on the pieces.
TEST(HiveTest, AKeyReadAloneIsTheKeyOfTheWholeFile) {
  testing_support::TempPrefix prefix;
  const std::string longString = "WINE REGISTRY Version 2\n[A] 0\n\"Long\"=\"" + std::string(300'000, 'x') +
                                 "\"\r\n[B] 0\r\n\"Short\"=\"y\"\r\n";
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::string> paths;
  } rows[] = {
      {"two values of a megabyte and a half over continuation lines", testing_support::HiveOfLongHexValues(3'000'000),
       {"Software\\Blobs", "Software"}},
      {"a string on one line longer than a piece, with CR LF line ends", longString, {"A", "B"}},
      {"every key listed deleted again", testing_support::HiveOfDeletions(200'000),
       {"Software\\Old Vendor", "Software\\Old Vendor\\Component 7", ""}},
      {"REGEDIT4 sample", Sample("regedit4.reg"), {kShellFolders, "Software\\Other", "Software", ""}},
      {"version 5.00 sample in UTF-16LE", Sample("regedit5-utf16.reg"), {kShellFolders, "software\\other"}},
      {"version 5.00 sample in UTF-8", Sample("regedit5-utf8.reg"), {kShellFolders, "Software\\Other"}},
      {"Wine sample", Sample("wine.reg"), {kShellFolders, "Software\\Other", "Software\\Missing"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto file = prefix.Base() / "file.reg";
    testing_support::WriteFile(file, row.text);
    for (const std::string& path : row.paths) {
      SCOPED_TRACE(path);
      const BothReadings readings = ReadBothWays(file, path);
      EXPECT_EQ(readings.whole, readings.alone);
    }
  }
  // Each value of the long file came through whole.
  testing_support::WriteFile(prefix.Base() / "long.reg", rows[0].text);
  const auto blobs = Hive::LoadKey(prefix.Base() / "long.reg", "Software\\Blobs");
  ASSERT_TRUE(blobs.has_value() && blobs->FindKey("Software\\Blobs") != nullptr);
  const auto& values = blobs->FindKey("Software\\Blobs")->values;
  EXPECT_EQ(values.at("First").data.size(), 500'000u);
  EXPECT_EQ(values.at("Second").data, std::string(250'000, 'x'));
  EXPECT_EQ(ReadBothWays(prefix.Base() / "long.reg", "Software\\Blobs").whole->size(), 2u);
}

// Deletions, value removals and repeated keys take effect in the order of
// the file's lines, in both readers.
TEST(HiveTest, DeletionsAndRepeatsApplyInFileOrder) {
  testing_support::TempPrefix prefix;
  using Values = std::vector<std::string>;
  struct Row {
    const char* name;
    std::string lines;  // after the header, HKEY_CURRENT_USER as H
    const char* path;
    std::optional<Values> expected;
  } rows[] = {
      {"a deleted key goes with the keys below it", "[H\\A\\B]\n\"x\"=\"1\"\n[-H\\A]\n", "A\\B", std::nullopt},
      {"a deleted key goes itself", "[H\\A\\B]\n[-H\\A]\n", "A", std::nullopt},
      {"deleting a key below keeps the key above and its values",
       "[H\\A]\n\"x\"=\"1\"\n[H\\A\\B]\n[-H\\A\\B]\n", "A", Values{"x=1"}},
      {"a folder on the way to a deleted key stays", "[H\\A\\B]\n[-H\\A\\B]\n", "A", Values{}},
      {"a key listed again after its deletion starts empty",
       "[H\\A]\n\"x\"=\"1\"\n[-H\\A]\n[H\\A]\n\"y\"=\"2\"\n", "A", Values{"y=2"}},
      {"a key below a deleted one, listed again, brings its folders back",
       "[H\\A]\n\"x\"=\"1\"\n[-H\\A]\n[H\\A\\C]\n", "A", Values{}},
      {"a deletion in another letter case", "[H\\Caf\xE9\\B]\n[-H\\CAF\xC9]\n", "caf\xE9\\b", std::nullopt},
      {"deleting what is not there changes nothing", "[H\\A]\n\"x\"=\"1\"\n[-H\\Z]\n[-H\\AB]\n", "A",
       Values{"x=1"}},
      {"deleting the hive's root changes nothing", "[H\\A]\n[-H]\n", "A", Values{}},
      {"values after a deletion line belong to no key", "[H\\A]\n[-H\\B]\n\"x\"=\"1\"\n", "A", Values{}},
      {"a later value replaces an earlier one across two listings",
       "[H\\A]\n\"x\"=\"1\"\n\"y\"=\"1\"\n[H\\B]\n[H\\A]\n\"x\"=dword:00000002\n", "A",
       Values{"x=dword:2", "y=1"}},
      {"name=- removes the value given before", "[H\\A]\n\"x\"=\"1\"\n\"X\"=-\n\"y\"=\"2\"\n", "A",
       Values{"y=2"}},
  };
  for (const auto& row : rows) {
    for (const char* header : {"REGEDIT4", "Windows Registry Editor Version 5.00"}) {
      SCOPED_TRACE(std::string(row.name) + ", " + header);
      std::string text = std::string(header) + "\n\n";
      for (char c : row.lines) text += c == 'H' ? std::string("HKEY_CURRENT_USER") : std::string(1, c);
      // Version 5.00 is UTF-8 on disk.
      if (header[0] == 'W') text = win32::AnsiToUtf8(text);
      const auto file = prefix.Base() / "order.reg";
      testing_support::WriteFile(file, text);
      const BothReadings readings = ReadBothWays(file, row.path);
      EXPECT_EQ(readings.whole, row.expected);
      EXPECT_EQ(readings.alone, row.expected);
    }
  }
}

// A line that cannot be read takes nothing with it that it does not hold,
// and gives nothing to a key it does not name.
TEST(HiveTest, UnreadableLinesTakeOnlyThemselves) {
  testing_support::TempPrefix prefix;
  using Values = std::vector<std::string>;
  struct Row {
    const char* name;
    std::string text;
    Values expected;  // of key A
  } rows[] = {
      {"values after a key line without its bracket belong to no key",
       "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\B\n\"y\"=\"2\"\n", {"x=1"}},
      {"values after a Wine key line that cannot be read belong to no key",
       "WINE REGISTRY Version 2\n[A] 0\n\"x\"=\"1\"\n[B\\\\C 0\n\"y\"=\"2\"\n", {"x=1"}},
      {"a hex value that the end of the file cuts short is not read",
       "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\"h\"=hex:01,\\", {"x=1"}},
      {"a blank line ends a hex value that promised more",
       "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"h\"=hex:01,02,\\\n\n\"y\"=\"2\"\n", {"h=hex(3):01,02,", "y=2"}},
      {"a name holding =hex does not make its line go on",
       "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"n=hex\"=dword:00000001 ; \\\n\"y\"=\"2\"\n", {"n=hex=dword:1", "y=2"}},
      {"a continuation line is data even where it looks like a key",
       "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"h\"=hex:01,\\\n[HKEY_CURRENT_USER\\B]\n\"y\"=\"2\"\n", {"y=2"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto file = prefix.Base() / "lines.reg";
    testing_support::WriteFile(file, row.text);
    const BothReadings readings = ReadBothWays(file, "A");
    EXPECT_EQ(readings.whole, row.expected);
    EXPECT_EQ(readings.alone, row.expected);
  }
}

// Cut short anywhere, or with bytes changed, inserted and removed at random,
// a file still gives a hive: never a crash, never a read past its data (the
// sanitizer build watches the latter).
TEST(HiveTest, DamagedFilesNeverCrashTheReader) {
  testing_support::TempPrefix prefix;
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
      if (round % 50 == 0) {
        testing_support::WriteFile(prefix.Base() / "damaged.reg", damaged);
        (void)Hive::LoadKey(prefix.Base() / "damaged.reg", kShellFolders);
      }
    }
  }
}

}  // namespace

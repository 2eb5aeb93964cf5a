// A prefix of Wine's real size and shape, made by this generator from what
// the formats are publicly known to be (nothing is copied from Wine): the
// drive links and the folders Wine lays out, a system.reg of megabytes in
// WINE REGISTRY Version 2 (thousands of keys, #time= lines, str(2): strings,
// hex: values over continuation lines), a user.reg with the user's Shell
// Folders, and a version 5.00 import file with [-key] deletions. The same
// options give the same bytes on every run.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/hive.h"

namespace testing_support {

// What a generated hive file holds, as the generator meant it: every key it
// listed (path below the hive's root) with its values as RegQueryValueExA
// returns them, once the deletions are applied; and the keys it deleted and
// never listed again.
struct HiveModel {
  std::map<std::string, registry::Key, registry::CaseInsensitiveLess> keys;
  std::vector<std::string> removed;
};

struct WinePrefixOptions {
  double systemHiveMegabytes = 1.7;  // the size of system.reg, in millions of bytes
  std::string user = "kestu";        // the folder name under C:\users
};

// The system.reg of a prefix: about the size asked for, keys in Wine's order.
// Its Windows NT\CurrentVersion key holds SystemRoot "C:\windows".
std::string WineSystemHive(std::size_t bytes, HiveModel* model = nullptr);
// The user.reg of a prefix, about 30 KB; Shell Folders name the user's folders.
std::string WineUserHive(std::string_view user, HiveModel* model = nullptr);
// A version 5.00 export (UTF-8, no mark) of about the size asked for, in
// which [-key] lines delete keys listed before them, some listed again after.
std::string RegImportFile(std::size_t bytes, HiveModel* model = nullptr);

// Shapes that only a reader with a quadratic step would find slow: a Wine
// hive of a few values, each of about a megabyte over continuation lines;
// and a REGEDIT4 file whose keys are each deleted again, one line later.
std::string HiveOfLongHexValues(std::size_t bytes);
std::string HiveOfDeletions(std::size_t bytes);

// C:\users\<user>\AppData\Roaming\Microsoft\Windows\Start Menu\Programs
std::string WineProgramsFolder(std::string_view user);
// The host folder of that Programs folder in a prefix.
std::filesystem::path WineProgramsHostFolder(const std::filesystem::path& root, std::string_view user);

// Lays out a prefix at root as Wine would: dosdevices/c: -> ../drive_c and
// z: -> /, drive_c with users\<user>, ProgramData, Program Files and windows
// (system32 and the rest, but no windows\desktop and no windows\Start Menu),
// system.reg, user.reg and userdef.reg, and the import file
// drive_c/users/<user>/Documents/settings.reg. Files already there are replaced.
void MakeWinePrefix(const std::filesystem::path& root, const WinePrefixOptions& options = {});

}  // namespace testing_support

// Lays out a prefix of Wine's real size and shape, the same on every run:
//
//   make_wine_prefix DIR [--scale MB] [--user NAME]
//
// DIR gets dosdevices/c: -> ../drive_c and z: -> /, the folders of drive_c
// (users/NAME with AppData\Roaming\Microsoft\Windows\Start Menu\Programs,
// windows/system32 and the rest; no windows/desktop), a system.reg of MB
// megabytes (default 1.7) whose SystemRoot is C:\windows, a user.reg of about
// 30 KB whose Shell Folders name Programs
// C:\users\NAME\AppData\Roaming\Microsoft\Windows\Start Menu\Programs, a
// userdef.reg, and a version 5.00 import file with [-key] deletions at
// drive_c/users/NAME/Documents/settings.reg. NAME defaults to "kestu".
// Run WINEPREFIX=DIR setup against it. Exit code 0; 1 when the prefix cannot
// be written; 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tests/support/WinePrefix.h"

namespace {

int Usage(const char* program) {
  std::fprintf(stderr, "usage: %s DIR [--scale MB] [--user NAME]\n", program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(argv[0]);
  testing_support::WinePrefixOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage(argv[0]);
    const char* value = argv[++i];
    if (option == "--scale") {
      char* end = nullptr;
      options.systemHiveMegabytes = std::strtod(value, &end);
      if (end == value || *end != '\0' || options.systemHiveMegabytes <= 0) return Usage(argv[0]);
    } else if (option == "--user" && *value != '\0') {
      options.user = value;
    } else {
      return Usage(argv[0]);
    }
  }
  try {
    testing_support::MakeWinePrefix(argv[1], options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 1;
  }
  return 0;
}

#include "tests/support/DiskSnapshot.h"

#include <vector>

#include "tests/support/TempPrefix.h"

namespace fs = std::filesystem;

namespace testing_support {

DiskSnapshot SnapshotOf(const fs::path& folder) {
  DiskSnapshot snapshot;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    const std::string name = it->path().lexically_relative(folder).string();
    if (it->is_symlink()) {
      snapshot[name] = "link to " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      snapshot[name] = "folder";
    } else {
      snapshot[name] = "file " + ReadFile(it->path());
    }
  }
  return snapshot;
}

std::vector<std::string> TemporariesIn(const DiskSnapshot& snapshot) {
  std::vector<std::string> temporaries;
  for (const auto& [name, content] : snapshot) {
    const std::string last = fs::path(name).filename().string();
    if (last.starts_with(".kestu-copy-") || last.starts_with(".kestu-write-")) temporaries.push_back(name);
  }
  return temporaries;
}

}  // namespace testing_support

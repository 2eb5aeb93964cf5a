#include "tests/support/TempPrefix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/prefix.h"
#include "tests/support/WinePrefix.h"

namespace fs = std::filesystem;

namespace testing_support {

TempPrefix::TempPrefix(PrefixLayout layout) {
  std::string pattern = (fs::temp_directory_path() / "kestu-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  base_ = pattern;
  savedFolder_ = fs::current_path();
  if (const char* prefix = std::getenv("WINEPREFIX")) {
    hadPrefix_ = true;
    savedPrefix_ = prefix;
  }
  ::setenv("WINEPREFIX", Root().c_str(), 1);
  if (layout == PrefixLayout::Wine) MakeWinePrefix(Root());
  win32::Prefix::Current();  // lays a minimal prefix out where there is none
  Enter(DriveC());
}

TempPrefix::~TempPrefix() {
  std::error_code ignored;
  fs::current_path(savedFolder_, ignored);
  if (hadPrefix_)
    ::setenv("WINEPREFIX", savedPrefix_.c_str(), 1);
  else
    ::unsetenv("WINEPREFIX");
  // Read-only entries would stop the removal of their folder's contents for a non-root user.
  for (auto it = fs::recursive_directory_iterator(base_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (!it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(base_, ignored);
}

fs::path TempPrefix::MapDrive(char letter, const fs::path& hostFolder) const {
  fs::create_directories(hostFolder);
  const fs::path link = Root() / "dosdevices" / (std::string(1, static_cast<char>(std::tolower(letter))) + ":");
  std::error_code ignored;
  fs::remove(link, ignored);
  fs::create_symlink(fs::absolute(hostFolder), link);
  return hostFolder;
}

fs::path TempPrefix::MapShare(std::string_view server, std::string_view share,
                              const fs::path& hostFolder) const {
  fs::create_directories(hostFolder);
  const fs::path serverFolder = Root() / "dosdevices" / "unc" / server;
  fs::create_directories(serverFolder);
  fs::create_symlink(fs::absolute(hostFolder), serverFolder / share);
  return hostFolder;
}

void TempPrefix::SetWindowsDirectory(std::string_view windowsDirectory) const {
  std::string escaped;
  for (char c : windowsDirectory) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  WriteFile(Root() / "system.reg",
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
            "\"SystemRoot\"=\"" + escaped + "\"\n");
}

void TempPrefix::Enter(const fs::path& hostFolder) const { fs::current_path(hostFolder); }

void WriteFile(const fs::path& path, std::string_view content) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

}  // namespace testing_support

#include "platform/win32/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/win32/codepage.h"
#include "platform/win32/prefix.h"

namespace fs = std::filesystem;

namespace win32 {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDeviceName(std::string_view name) {
  // A device name stays one with an extension (CON.txt).
  const std::string_view stem = name.substr(0, name.find('.'));
  static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  for (auto device : kDevices)
    if (AnsiEqualsIgnoreCase(stem, device)) return true;
  if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9')
    return AnsiEqualsIgnoreCase(stem.substr(0, 3), "COM") ||
           AnsiEqualsIgnoreCase(stem.substr(0, 3), "LPT");
  return false;
}

bool IsValidName(std::string_view name) {
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
        c == '*')
      return false;
  }
  return !IsDeviceName(name);
}

// The root a path starts from: a drive letter or a \\server\share.
struct Root {
  char drive = 0;
  std::string server;
  std::string share;

  std::string Text() const {
    return drive != 0 ? std::string(1, AnsiToUpper(drive)) + ":" : "\\\\" + server + "\\" + share;
  }
};

struct Parsed {
  Root root;
  std::vector<std::string> names;
};

std::vector<std::string_view> SplitNames(std::string_view text) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || IsSeparator(text[i])) {
      if (i > start) names.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return names;
}

DWORD AppendNames(std::string_view text, std::vector<std::string>& names) {
  for (std::string_view name : SplitNames(text)) {
    if (name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();  // never above the root
      continue;
    }
    // Windows drops trailing dots and blanks of a name.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    if (name.empty()) continue;
    if (!IsValidName(name)) return ERROR_INVALID_NAME;
    names.emplace_back(name);
  }
  return ERROR_SUCCESS;
}

// Splits the current folder, which is always drive-absolute, into its root and names.
Parsed ParseCurrentDirectory() {
  Parsed parsed;
  const std::string text = CurrentDirectory();
  parsed.root.drive = text[0];
  AppendNames(std::string_view(text).substr(2), parsed.names);
  return parsed;
}

DWORD Parse(std::string_view path, Parsed& parsed) {
  const bool unc = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  if (unc) {
    const auto parts = SplitNames(path);
    if (parts.size() < 2) return ERROR_INVALID_NAME;
    if (!IsValidName(parts[0]) || !IsValidName(parts[1])) return ERROR_INVALID_NAME;
    parsed.root.server = parts[0];
    parsed.root.share = parts[1];
    const std::size_t shareEnd = parts[1].data() + parts[1].size() - path.data();
    return AppendNames(path.substr(shareEnd), parsed.names);
  }
  const Parsed current = ParseCurrentDirectory();
  if (path.size() >= 2 && path[1] == ':') {
    const char letter = AnsiToUpper(path[0]);
    if (letter < 'A' || letter > 'Z') return ERROR_INVALID_NAME;
    parsed.root.drive = letter;
    path.remove_prefix(2);
    // Drive-relative (C:a) starts in the current folder when it is on that drive.
    if ((path.empty() || !IsSeparator(path[0])) && AnsiToUpper(current.root.drive) == letter)
      parsed.names = current.names;
    return AppendNames(path, parsed.names);
  }
  parsed.root = current.root;
  if (path.empty() || !IsSeparator(path[0])) parsed.names = current.names;
  return AppendNames(path, parsed.names);
}

bool IsDirectory(const fs::path& host) {
  struct stat info {};
  return ::stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const fs::path& host) {
  struct stat info {};
  return ::lstat(host.c_str(), &info) == 0;
}

// The entry of folder whose name matches name without regard to case; the
// exact match wins where several do.
std::optional<std::string> FindEntry(const fs::path& folder, std::string_view ansiName) {
  const std::string exact = AnsiToUtf8(ansiName);
  if (Exists(folder / exact)) return exact;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string hostName = entry.path().filename().string();
    if (AnsiEqualsIgnoreCase(Utf8ToAnsi(hostName), ansiName)) return hostName;
  }
  return std::nullopt;
}

// The full Windows form of a path, by text alone.
DWORD Normalise(std::string_view path, Parsed& parsed, std::string& windows) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  if (const DWORD error = Parse(path, parsed); error != ERROR_SUCCESS) return error;
  windows = parsed.root.Text();
  for (const auto& name : parsed.names) windows += "\\" + name;
  if (parsed.names.empty()) windows += "\\";
  if (windows.size() > MAX_PATH - 1) return ERROR_FILENAME_EXCED_RANGE;
  return ERROR_SUCCESS;
}

}  // namespace

std::string CurrentDirectory() {
  std::error_code error;
  const fs::path here = fs::current_path(error);
  return Prefix::Current().HostToWindows(error ? fs::path("/") : here);
}

DWORD FullPathName(std::string_view windowsPath, std::string& fullPath) {
  Parsed parsed;
  return Normalise(windowsPath, parsed, fullPath);
}

DWORD ResolvePath(std::string_view windowsPath, ResolvedPath& resolved) {
  Parsed parsed;
  resolved = ResolvedPath{};
  if (const DWORD error = Normalise(windowsPath, parsed, resolved.windows); error != ERROR_SUCCESS) return error;
  resolved.isRoot = parsed.names.empty();

  const Prefix& prefix = Prefix::Current();
  const auto rootHost = parsed.root.drive != 0
                            ? prefix.DriveRoot(parsed.root.drive)
                            : prefix.ShareRoot(parsed.root.server, parsed.root.share);
  if (!rootHost) return ERROR_PATH_NOT_FOUND;

  fs::path host = *rootHost;
  bool folderExists = IsDirectory(host);
  resolved.parentExists = folderExists;
  for (std::size_t i = 0; i < parsed.names.size(); ++i) {
    const bool last = i + 1 == parsed.names.size();
    std::optional<std::string> found;
    if (folderExists) found = FindEntry(host, parsed.names[i]);
    host /= found ? *found : AnsiToUtf8(parsed.names[i]);
    if (!last) {
      folderExists = folderExists && found && IsDirectory(host);
      resolved.parentExists = folderExists;
    }
  }
  resolved.host = host;
  return ERROR_SUCCESS;
}

bool IsReadOnly(const fs::path& host) {
  struct stat info {};
  return ::stat(host.c_str(), &info) == 0 && (info.st_mode & 0222) == 0;
}

}  // namespace win32

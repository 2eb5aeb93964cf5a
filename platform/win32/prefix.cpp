#include "platform/win32/prefix.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/registry/hive.h"
#include "platform/win32/codepage.h"
#include "platform/win32/replacement.h"
#include "platform/win32/win32.h"

namespace fs = std::filesystem;

namespace win32 {
namespace {

// HOME, else the password database's entry for the user; empty where neither names one.
fs::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  constexpr std::size_t kLargestEntry = std::size_t{1} << 20;
  std::vector<char> buffer(1024);
  struct passwd entry {};
  struct passwd* found = nullptr;
  int error = 0;
  while ((error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < kLargestEntry)
    buffer.resize(buffer.size() * 2);
  if (error != 0 || found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0') return {};
  return found->pw_dir;
}

// The system's text for a Win32 code, without its line end.
std::string SystemReason(DWORD code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                      0, text, sizeof text, nullptr);
  return length >= 2 ? std::string(text, length - 2) : "error " + std::to_string(code);
}

// The part of host below base, or nothing where host does not lie under it.
std::optional<fs::path> RelativeUnder(const fs::path& host, const fs::path& base) {
  auto h = host.begin();
  for (auto b = base.begin(); b != base.end(); ++b, ++h) {
    if (b->empty()) continue;  // a trailing separator of base
    if (h == host.end() || *h != *b) return std::nullopt;
  }
  fs::path rest;
  for (; h != host.end(); ++h) rest /= *h;
  return rest;
}

std::size_t Depth(const fs::path& p) { return static_cast<std::size_t>(std::distance(p.begin(), p.end())); }

// In Wine's own format, and nothing in it ties the prefix to one
// architecture: Wine ignores a hive whose #arch= line is not its own.
constexpr const char* kUserHive =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 0\n"
    "\"Desktop\"=\"C:\\\\windows\\\\desktop\"\n"
    "\"Programs\"=\"C:\\\\windows\\\\Start Menu\\\\Programs\"\n";

}  // namespace

const Prefix& Prefix::Current() {
  static std::unique_ptr<Prefix> current;
  static fs::path chosen;
  const fs::path root = ChosenRoot();
  if (!current || chosen != root) {
    current = std::make_unique<Prefix>(root);
    chosen = root;
  }
  return *current;
}

fs::path Prefix::ChosenRoot() {
  if (const char* chosen = std::getenv("WINEPREFIX"); chosen != nullptr && *chosen != '\0')
    return chosen;
  const fs::path home = HomeFolder();
  return home.empty() ? fs::path() : home / ".wine";
}

Prefix::Prefix(fs::path root) : root_(std::move(root)) {
  // Anything but a full path would put the machine into the current folder.
  if (root_.empty()) {
    Failed("~/.wine", "no home folder is known for user " + std::to_string(::getuid()));
    return;
  }
  if (root_.is_relative()) {
    Failed(std::exchange(root_, {}), "it is not a full path");
    return;
  }
  std::error_code ignored;
  if (!fs::exists(UserHive(), ignored)) CreateMinimal();
}

void Prefix::Failed(const fs::path& folder, const std::string& reason) {
  if (!creationFailure_.empty()) return;  // the first failure is the one to tell
  creationFailure_ = "Could not create the prefix folder " + Utf8ToAnsi(folder.string()) + ": " + reason;
  if (creationFailure_.back() != '.') creationFailure_ += '.';
}

// A prefix made here is minimal and complete: drives C: and Z:, the Windows
// folder with its Start Menu and desktop, and the user's Shell Folders. What a
// prefix being set up already holds (a drive mapped beforehand) is kept.
void Prefix::CreateMinimal() {
  std::error_code error;
  // A drive mapped beforehand is no failure.
  const auto check = [&] {
    if (error && error != std::errc::file_exists) Failed(root_, error.message());
    error.clear();
  };
  fs::create_directories(DosDevices(), error);
  check();
  fs::create_directories(root_ / "drive_c" / "windows" / "Start Menu" / "Programs", error);
  check();
  fs::create_directories(root_ / "drive_c" / "windows" / "desktop", error);
  check();
  fs::create_symlink("../drive_c", DosDevices() / "c:", error);
  check();
  fs::create_symlink("/", DosDevices() / "z:", error);
  check();
  if (!fs::exists(UserHive(), error))
    if (const DWORD code = WriteHostFileAtomically(UserHive(), kUserHive); code != ERROR_SUCCESS)
      Failed(root_, SystemReason(code));
}

std::optional<fs::path> Prefix::DriveRoot(char letter) const {
  const char lower = AnsiToLower(letter);
  if (root_.empty() || lower < 'a' || lower > 'z') return std::nullopt;
  fs::path link = DosDevices() / (std::string(1, lower) + ":");
  std::error_code error;
  if (!fs::is_symlink(link, error) && !fs::exists(link, error)) return std::nullopt;
  return link;
}

std::optional<fs::path> Prefix::ShareRoot(std::string_view server, std::string_view share) const {
  if (root_.empty()) return std::nullopt;
  std::error_code error;
  fs::path found = DosDevices() / "unc";
  for (std::string_view name : {server, share}) {
    bool matched = false;
    for (const auto& entry : fs::directory_iterator(found, error)) {
      if (AnsiEqualsIgnoreCase(Utf8ToAnsi(entry.path().filename().string()), name)) {
        found = entry.path();
        matched = true;
        break;
      }
    }
    if (!matched) return std::nullopt;
  }
  return found;
}

std::string Prefix::HostToWindows(const fs::path& hostPath) const {
  std::error_code error;
  const fs::path host = fs::weakly_canonical(fs::absolute(hostPath, error), error);
  char bestLetter = 0;
  fs::path bestRest;
  std::size_t bestDepth = 0;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const auto link = DriveRoot(letter);
    if (!link) continue;
    const fs::path target = fs::weakly_canonical(*link, error);
    if (error) continue;
    const auto rest = RelativeUnder(host, target);
    if (!rest) continue;
    // The drive whose root is the longest prefix wins; Z: only where nothing closer does.
    const std::size_t depth = Depth(target);
    if (bestLetter == 0 || depth > bestDepth || (depth == bestDepth && bestLetter == 'z')) {
      bestLetter = letter;
      bestRest = *rest;
      bestDepth = depth;
    }
  }
  if (bestLetter == 0) {
    bestLetter = 'z';
    bestRest = host.relative_path();
  }
  std::string windows = std::string(1, AnsiToUpper(bestLetter)) + ":\\";
  bool first = true;
  for (const auto& part : bestRest) {
    if (part.empty()) continue;
    if (!first) windows += '\\';
    windows += Utf8ToAnsi(part.string());
    first = false;
  }
  return windows;
}

std::string Prefix::WindowsDirectory() const {
  constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
  // Read at start-up: only the one key is parsed, however large the hive.
  if (const auto hive = registry::Hive::LoadKey(SystemHive(), kCurrentVersion)) {
    if (const auto* key = hive->FindKey(kCurrentVersion)) {
      if (const auto value = key->values.find("SystemRoot"); value != key->values.end()) {
        const auto& v = value->second;
        if (v.type == registry::REG_SZ || v.type == registry::REG_EXPAND_SZ) {
          std::string text = v.data.substr(0, v.data.find('\0'));
          if (!text.empty()) return text;
        }
      }
    }
  }
  return "C:\\windows";
}

}  // namespace win32

#include "platform/win32/prefix.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <system_error>

#include "platform/registry/hive.h"
#include "platform/win32/codepage.h"

namespace fs = std::filesystem;

namespace win32 {
namespace {

fs::path ChosenRoot() {
  if (const char* chosen = std::getenv("WINEPREFIX"); chosen != nullptr && *chosen != '\0')
    return chosen;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "/") / ".wine";
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
  const fs::path root = ChosenRoot();
  if (!current || current->Root() != root) current = std::make_unique<Prefix>(root);
  return *current;
}

Prefix::Prefix(fs::path root) : root_(std::move(root)) {
  std::error_code ignored;
  if (!fs::exists(UserHive(), ignored)) CreateMinimal();
}

// A prefix made here is minimal and complete: drives C: and Z:, the Windows
// folder with its Start Menu and desktop, and the user's Shell Folders. What a
// prefix being set up already holds (a drive mapped beforehand) is kept.
void Prefix::CreateMinimal() const {
  std::error_code error;
  fs::create_directories(DosDevices(), error);
  fs::create_directories(root_ / "drive_c" / "windows" / "Start Menu" / "Programs", error);
  fs::create_directories(root_ / "drive_c" / "windows" / "desktop", error);
  fs::create_symlink("../drive_c", DosDevices() / "c:", error);
  fs::create_symlink("/", DosDevices() / "z:", error);
  if (!fs::exists(UserHive(), error)) std::ofstream(UserHive(), std::ios::binary) << kUserHive;
}

std::optional<fs::path> Prefix::DriveRoot(char letter) const {
  const char lower = AnsiToLower(letter);
  if (lower < 'a' || lower > 'z') return std::nullopt;
  fs::path link = DosDevices() / (std::string(1, lower) + ":");
  std::error_code error;
  if (!fs::is_symlink(link, error) && !fs::exists(link, error)) return std::nullopt;
  return link;
}

std::optional<fs::path> Prefix::ShareRoot(std::string_view server, std::string_view share) const {
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

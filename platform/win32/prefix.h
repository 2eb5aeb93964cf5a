// The machine the Windows personality runs on: a host folder laid out like a
// Wine prefix (dosdevices links for the drives, drive_c, the registry hives).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace win32 {

class Prefix {
 public:
  // The prefix that WINEPREFIX names (default ~/.wine), created at first use.
  // Changing WINEPREFIX between calls switches to the other prefix.
  static const Prefix& Current();
  // The folder WINEPREFIX names, else .wine in the home folder: HOME, else the
  // one the password database gives, as Wine takes it. Empty where no home
  // folder is known. Lays nothing out.
  static std::filesystem::path ChosenRoot();

  // Opens the prefix at root, laying out a minimal one where it has no user
  // hive yet. An empty or relative root gives no prefix: no drives, no hives.
  explicit Prefix(std::filesystem::path root);

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path DosDevices() const { return InPrefix("dosdevices"); }
  std::filesystem::path UserHive() const { return InPrefix("user.reg"); }
  std::filesystem::path SystemHive() const { return InPrefix("system.reg"); }
  // Why no prefix could be laid out, naming its folder and the reason, in
  // ANSI; empty where it was laid out, or was there already.
  const std::string& CreationFailure() const { return creationFailure_; }

  // Host folder that is the root of a drive; nothing for an unmapped letter.
  std::optional<std::filesystem::path> DriveRoot(char letter) const;
  // Host folder of \\server\share; nothing where it is not mapped.
  std::optional<std::filesystem::path> ShareRoot(std::string_view server,
                                                 std::string_view share) const;
  // Windows form of a host path: the drive whose root is the longest prefix of
  // it, with backslashes (Z: where nothing closer matches). ANSI text.
  std::string HostToWindows(const std::filesystem::path& hostPath) const;

  // The Windows directory: SystemRoot from system.reg, else C:\windows.
  std::string WindowsDirectory() const;

 private:
  void CreateMinimal();
  void Failed(const std::filesystem::path& folder, const std::string& reason);
  // Where there is no prefix, nothing is looked up in the current folder instead.
  std::filesystem::path InPrefix(const char* name) const {
    return root_.empty() ? std::filesystem::path() : root_ / name;
  }
  std::filesystem::path root_;
  std::string creationFailure_;
};

}  // namespace win32

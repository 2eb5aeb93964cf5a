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

  // Opens the prefix at root, laying out a minimal one where it has no user hive yet.
  explicit Prefix(std::filesystem::path root);

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path DosDevices() const { return root_ / "dosdevices"; }
  std::filesystem::path UserHive() const { return root_ / "user.reg"; }
  std::filesystem::path SystemHive() const { return root_ / "system.reg"; }

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
  void CreateMinimal() const;
  std::filesystem::path root_;
};

}  // namespace win32

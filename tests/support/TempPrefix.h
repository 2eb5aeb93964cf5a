// A fresh prefix in a temporary folder for one test: WINEPREFIX points at it
// while the test runs, and the process's folder is restored afterwards.
// Minimal is the prefix the layer lays out at first use; Wine is one of
// Wine's size and shape (tests/support/WinePrefix.h).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

enum class PrefixLayout { Minimal, Wine };

class TempPrefix {
 public:
  explicit TempPrefix(PrefixLayout layout = PrefixLayout::Minimal);
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  // The temporary folder that holds the prefix and any other test folders.
  const std::filesystem::path& Base() const { return base_; }
  std::filesystem::path Root() const { return base_ / "prefix"; }
  std::filesystem::path DriveC() const { return Root() / "drive_c"; }

  // Maps a drive letter onto a host folder (created when missing) and returns it.
  std::filesystem::path MapDrive(char letter, const std::filesystem::path& hostFolder) const;
  // Maps \\server\share onto a host folder (created when missing) and returns it.
  std::filesystem::path MapShare(std::string_view server, std::string_view share,
                                 const std::filesystem::path& hostFolder) const;
  // Writes system.reg with the SystemRoot value (the Windows directory).
  void SetWindowsDirectory(std::string_view windowsDirectory) const;
  // Makes a host folder the process's current folder.
  void Enter(const std::filesystem::path& hostFolder) const;

 private:
  std::filesystem::path base_;
  std::filesystem::path savedFolder_;
  std::string savedPrefix_;
  bool hadPrefix_ = false;
};

// Writes a file with the given content, creating its folders.
void WriteFile(const std::filesystem::path& path, std::string_view content);
std::string ReadFile(const std::filesystem::path& path);
// Removes every write bit, the host form of the read-only attribute.
void MakeReadOnly(const std::filesystem::path& path);

}  // namespace testing_support

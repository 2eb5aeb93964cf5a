// A small tmpfs over a folder, in a mount namespace of the test process's own,
// so that no other process sees it: a disk that can be filled, or a folder
// hidden for the length of a test.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace testing_support {

// Moves the process, once, into a mount namespace of its own: with the
// privilege it has, or else through a user namespace of its own, in which it
// then runs as user 0. False, with the reason, where neither is possible.
bool EnterPrivateMountNamespace(std::string& whyNot);

class PrivateTmpfs {
 public:
  // Mounts a tmpfs of the given size over folder (created when missing). Where
  // the process may not (no root, no user namespaces), Mounted() is false and
  // WhyNot() says why.
  PrivateTmpfs(const std::filesystem::path& folder, std::size_t bytes);
  ~PrivateTmpfs();
  PrivateTmpfs(const PrivateTmpfs&) = delete;
  PrivateTmpfs& operator=(const PrivateTmpfs&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& WhyNot() const { return whyNot_; }
  // Fills the file system to its last byte with one file.
  void Fill(const std::filesystem::path& filler) const;

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  std::string whyNot_;
};

}  // namespace testing_support

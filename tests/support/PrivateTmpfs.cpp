#include "tests/support/PrivateTmpfs.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace testing_support {
namespace {

bool WriteProcFile(const char* path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

bool EnterPrivateMountNamespace(std::string& whyNot) {
  static int state = 0;  // 1 inside, -1 not possible
  static std::string reason;
  if (state == 0) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWNS) != 0) {
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        reason = std::string("no mount namespace: ") + std::strerror(errno);
      } else if (!WriteProcFile("/proc/self/setgroups", "deny") ||
                 !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
                 !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        reason = "no user namespace mapping";
      }
    }
    // Mounts made here stay here.
    if (reason.empty() && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      reason = std::string("mounts not private: ") + std::strerror(errno);
    state = reason.empty() ? 1 : -1;
  }
  whyNot = reason;
  return state == 1;
}

PrivateTmpfs::PrivateTmpfs(const fs::path& folder, std::size_t bytes) : folder_(folder) {
  if (!EnterPrivateMountNamespace(whyNot_)) return;
  fs::create_directories(folder_);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    whyNot_ = std::string("tmpfs not mounted: ") + std::strerror(errno);
    return;
  }
  mounted_ = true;
}

PrivateTmpfs::~PrivateTmpfs() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

void PrivateTmpfs::Fill(const fs::path& filler) const {
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + filler.string());
  const std::vector<char> block(4096, 'f');
  // Whole blocks first, then single bytes, until nothing more goes in.
  for (std::size_t size : {block.size(), std::size_t{1}})
    while (::write(fd, block.data(), size) > 0) {
    }
  ::close(fd);
}

}  // namespace testing_support

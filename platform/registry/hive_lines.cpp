#include "platform/registry/hive_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace registry::detail {

FileLines::FileLines(int descriptor, std::string_view start) : descriptor_(descriptor), buffer_(start) {
  end_ = buffer_.size();
  buffer_.resize(std::max(kReadPiece, end_ + 1));
}

bool FileLines::ReadMore() {
  if (atEnd_) return false;
  // The line begun moves to the front; the buffer grows only for a line longer than it.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    base_ += begin_;
    end_ -= begin_;
    searched_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  for (;;) {
    const ssize_t count = ::read(descriptor_, buffer_.data() + end_, buffer_.size() - end_);
    if (count > 0) {
      end_ += static_cast<std::size_t>(count);
      return true;
    }
    if (count < 0 && errno == EINTR) continue;
    failed_ = count < 0;
    atEnd_ = true;
    return false;
  }
}

ReadableFile::ReadableFile(const std::filesystem::path& file)
    : descriptor_(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
  struct stat info {};
  if (descriptor_ >= 0 && (::fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode))) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
  size_ = descriptor_ >= 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

ReadableFile::~ReadableFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

}  // namespace registry::detail

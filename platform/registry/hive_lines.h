// Reading a hive file's text by lines: from memory, or from an open file in
// pieces, and its header and body over either. Internal to platform/registry.
#pragma once

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/registry/hive.h"
#include "platform/registry/hive_grammar.h"
#include "platform/registry/hive_text.h"

namespace registry::detail {

// A file is read in pieces of this size where it is not read whole; its
// first piece also tells how its text is encoded.
inline constexpr std::size_t kReadPiece = 64 * 1024;

// The lines of a text in memory, from one offset up to another.
class TextLines {
 public:
  TextLines(std::string_view text, std::size_t from, std::size_t to = std::string_view::npos)
      : text_(text.substr(0, to)), next_(from) {}

  // The next line, without its line feed.
  bool Next(std::string_view& line) {
    if (next_ >= text_.size()) return false;
    lineStart_ = next_;
    const void* feed = std::memchr(text_.data() + next_, '\n', text_.size() - next_);
    const std::size_t end = feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - text_.data())
                                            : text_.size();
    line = text_.substr(next_, end - next_);
    next_ = feed != nullptr ? end + 1 : end;
    return true;
  }
  std::size_t LineStart() const { return lineStart_; }
  std::size_t Offset() const { return next_; }  // where the next line starts

 private:
  std::string_view text_;
  std::size_t next_;
  std::size_t lineStart_ = 0;
};

// The lines of an open file, read a piece at a time after a start already
// read. A line is held whole however long it is, and stays valid until the
// next call.
class FileLines {
 public:
  FileLines(int descriptor, std::string_view start);

  bool Next(std::string_view& line) {
    for (;;) {
      const char* data = buffer_.data();
      if (const void* feed = std::memchr(data + searched_, '\n', end_ - searched_)) {
        const auto end = static_cast<std::size_t>(static_cast<const char*>(feed) - data);
        line = std::string_view(data + begin_, end - begin_);
        Consume(end + 1);
        return true;
      }
      searched_ = end_;
      if (!ReadMore()) break;
    }
    if (begin_ == end_) return false;
    line = std::string_view(buffer_.data() + begin_, end_ - begin_);
    Consume(end_);
    return true;
  }
  std::size_t LineStart() const { return lineStart_; }
  std::size_t Offset() const { return base_ + begin_; }
  bool Failed() const { return failed_; }

 private:
  void Consume(std::size_t next) {
    lineStart_ = base_ + begin_;
    begin_ = searched_ = next;
  }

  bool ReadMore();

  int descriptor_;
  std::string buffer_;
  std::size_t base_ = 0;      // offset in the file of buffer_[0]
  std::size_t begin_ = 0;     // the unread text is [begin_, end_)
  std::size_t end_ = 0;
  std::size_t searched_ = 0;  // no line feed in [begin_, searched_)
  std::size_t lineStart_ = 0;
  bool atEnd_ = false;
  bool failed_ = false;
};

// A regular file opened for reading, closed with this object. A FIFO or a
// device is refused without waiting on it.
class ReadableFile {
 public:
  explicit ReadableFile(const std::filesystem::path& file);
  ~ReadableFile();
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  bool IsOpen() const { return descriptor_ >= 0; }
  int Descriptor() const { return descriptor_; }
  std::size_t Size() const { return size_; }  // when it was opened

 private:
  int descriptor_;
  std::size_t size_ = 0;
};

// The syntax that a file's header, its first line with text, names; the
// lines are left at the body.
template <class Lines>
HiveSyntax ReadHeader(Lines& lines) {
  std::string_view line;
  while (lines.Next(line)) {
    if (!Trim(line).empty()) return SyntaxOfHeader(line);
  }
  return HiveSyntax::Unknown;
}

// Reads a hive's body: hands each key line to the reader and, where it wants
// them, each value line, a hex value with its continuation lines joined.
// A hex value goes on over the next line while its line ends in "\"; every
// other line is one line.
template <class Lines, class Reader>
void ReadBody(Lines& lines, Reader& reader) {
  std::string joined;
  std::string_view raw;
  while (lines.Next(raw)) {
    std::string_view line = TrimLeft(raw);
    if (line.empty()) continue;
    if (line.front() == '[') {
      reader.KeyLine(TrimRight(line), lines.LineStart(), lines.Offset());
      continue;
    }
    if (line.front() != '"' && line.front() != '@') continue;  // comments, metadata, stray text
    line = TrimRight(line);
    const bool continues = line.back() == '\\' && Grammar::IsHexValue(line);
    const bool wanted = reader.WantsValues();
    if (!continues) {
      if (wanted) reader.ValueLine(line);
      continue;
    }
    // Joined by appending, so a value of any length is read in linear time.
    if (wanted) joined.assign(line.substr(0, line.size() - 1));
    bool complete = false;  // a value that the end of the file cuts short is not read
    while (!complete && lines.Next(raw)) {
      const std::string_view piece = Trim(raw);
      complete = piece.empty() || piece.back() != '\\';
      if (wanted) joined += complete ? piece : piece.substr(0, piece.size() - 1);
    }
    if (wanted && complete) reader.ValueLine(TrimRight(joined));
  }
}

}  // namespace registry::detail

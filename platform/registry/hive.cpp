#include "platform/registry/hive.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/registry/hive_grammar.h"
#include "platform/registry/hive_index.h"
#include "platform/registry/hive_lines.h"
#include "platform/registry/hive_readers.h"
#include "platform/registry/hive_text.h"

namespace registry {

using detail::Encoding;
using detail::EncodingOf;
using detail::FileLines;
using detail::Grammar;
using detail::IndexReader;
using detail::KeyRead;
using detail::KeyTree;
using detail::kLargestText;
using detail::kReadPiece;
using detail::Lower;
using detail::LowerCase;
using detail::ReadableFile;
using detail::ReadBody;
using detail::ReadHeader;
using detail::ReadOneKey;
using detail::TextForm;
using detail::TextLines;
using detail::Utf16BytesToAnsi;
using detail::ValueReader;

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  const std::size_t length = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const auto left = static_cast<unsigned char>(Lower(a[i]));
    const auto right = static_cast<unsigned char>(Lower(b[i]));
    if (left != right) return left < right;
  }
  return a.size() < b.size();
}

// A file's text, held by a hive for its lifetime. The buffer is not cleared
// before it is read into, so that a large file costs one pass, not two.
class Hive::FileText {
 public:
  FileText() = default;
  explicit FileText(std::string_view text) {
    Reserve(text.size());
    if (!text.empty()) std::memcpy(bytes_.get(), text.data(), text.size());
    size_ = text.size();
  }

  std::string_view View() const { return {bytes_.get(), size_}; }

  // Appends what is left of a file, up to limit bytes in all; false on a read error.
  bool ReadFrom(int descriptor, std::size_t expected, std::size_t limit) {
    // One byte more than expected, so that the end shows without growing.
    Reserve(std::min(limit, std::max(size_, expected) + 1));
    while (size_ < limit) {
      if (size_ == capacity_) Reserve(std::min(limit, capacity_ * 2));
      const ssize_t count = ::read(descriptor, bytes_.get() + size_, capacity_ - size_);
      if (count > 0) {
        size_ += static_cast<std::size_t>(count);
      } else if (count == 0) {
        break;
      } else if (errno != EINTR) {
        return false;
      }
    }
    return true;
  }

 private:
  void Reserve(std::size_t capacity) {
    if (capacity <= capacity_) return;
    auto larger = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ > 0) std::memcpy(larger.get(), bytes_.get(), size_);
    bytes_ = std::move(larger);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// A whole file's text with the index of its key lines.
class Hive::Index {
 public:
  Index(FileText text, std::size_t bodyStart, Grammar grammar) : text_(std::move(text)), grammar_(grammar) {
    TextLines lines(text_.View(), bodyStart);
    IndexReader reader(grammar_, tree_);
    ReadBody(lines, reader);
    reader.Finish(text_.View().size());
  }

  const KeyTree& Tree() const { return tree_; }

  Key ValuesOf(std::uint32_t node) const {
    Key key;
    tree_.ForEachLiveSection(node, [&](const KeyTree::Section& section) {
      TextLines lines(text_.View(), section.begin, section.end);
      ValueReader reader(grammar_, key);
      ReadBody(lines, reader);
    });
    return key;
  }

 private:
  FileText text_;
  Grammar grammar_;
  KeyTree tree_;
};

struct Hive::ParsedKeys {
  std::mutex mutex;
  std::unordered_map<std::string, Key> keys;  // by lower-case path; a key stays where it is
};

Hive::Hive() : parsedKeys_(std::make_unique<ParsedKeys>()) {}
Hive::Hive(Hive&&) noexcept = default;
Hive& Hive::operator=(Hive&&) noexcept = default;
Hive::~Hive() = default;

Hive Hive::FromContents(FileText contents) {
  Hive hive;
  const Encoding encoding = EncodingOf(contents.View().substr(0, kReadPiece));
  std::size_t start = encoding.markLength;
  if (encoding.form == TextForm::Utf16) {
    contents = FileText(Utf16BytesToAnsi(contents.View().substr(start)));
    start = 0;
  }
  TextLines lines(contents.View(), start);
  hive.syntax_ = ReadHeader(lines);
  if (hive.syntax_ != HiveSyntax::Unknown) {
    const std::size_t bodyStart = lines.Offset();
    hive.index_ = std::make_unique<Index>(std::move(contents), bodyStart, Grammar(hive.syntax_, encoding.form));
  }
  return hive;
}

Hive Hive::Parse(std::string_view fileContents) {
  if (fileContents.size() >= kLargestText) return Hive();
  return FromContents(FileText(fileContents));
}

std::optional<Hive> Hive::Load(const std::filesystem::path& file) {
  const ReadableFile opened(file);
  if (!opened.IsOpen() || opened.Size() >= kLargestText) return std::nullopt;
  FileText contents;
  if (!contents.ReadFrom(opened.Descriptor(), opened.Size(), kLargestText)) return std::nullopt;
  if (contents.View().size() >= kLargestText) return std::nullopt;
  return FromContents(std::move(contents));
}

std::optional<Hive> Hive::LoadKey(const std::filesystem::path& file, std::string_view path) {
  const ReadableFile opened(file);
  if (!opened.IsOpen()) return std::nullopt;
  FileText start;
  if (!start.ReadFrom(opened.Descriptor(), kReadPiece, kReadPiece)) return std::nullopt;
  const Encoding encoding = EncodingOf(start.View());

  KeyRead read;
  if (encoding.form == TextForm::Utf16) {
    // Only version 5.00 exports come as UTF-16, and they are small: converted whole.
    if (!start.ReadFrom(opened.Descriptor(), opened.Size(), kLargestText)) return std::nullopt;
    const std::string text = Utf16BytesToAnsi(start.View().substr(encoding.markLength));
    TextLines lines(text, 0);
    read = ReadOneKey(lines, encoding.form, path);
  } else {
    FileLines lines(opened.Descriptor(), start.View().substr(encoding.markLength));
    read = ReadOneKey(lines, encoding.form, path);
    if (lines.Failed()) return std::nullopt;
  }
  Hive hive;
  hive.syntax_ = read.syntax;
  std::string lowerPath(path);
  LowerCase(lowerPath);
  if (read.key) hive.parsedKeys_->keys.emplace(std::move(lowerPath), std::move(*read.key));
  return hive;
}

const Key* Hive::FindKey(std::string_view path) const {
  if (!parsedKeys_) return nullptr;  // moved from
  std::string lowerPath(path);
  LowerCase(lowerPath);
  std::lock_guard lock(parsedKeys_->mutex);
  auto& keys = parsedKeys_->keys;
  if (const auto found = keys.find(lowerPath); found != keys.end()) return &found->second;
  if (!index_) return nullptr;
  const KeyTree& tree = index_->Tree();
  const std::uint32_t node = tree.Find(lowerPath);
  if (node == KeyTree::kNone || !tree.Exists(node)) return nullptr;
  return &keys.emplace(std::move(lowerPath), index_->ValuesOf(node)).first->second;
}

std::size_t Hive::KeyCount() const {
  if (index_) return index_->Tree().ExistingCount();
  return parsedKeys_ ? parsedKeys_->keys.size() : 0;
}

}  // namespace registry

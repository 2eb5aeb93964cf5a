#include "platform/registry/hive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/registry/hive_grammar.h"
#include "platform/registry/hive_lines.h"
#include "platform/registry/hive_text.h"
#include "platform/win32/codepage.h"

namespace registry {

using detail::Encoding;
using detail::EncodingOf;
using detail::FileLines;
using detail::Grammar;
using detail::kReadPiece;
using detail::Lower;
using detail::LowerCase;
using detail::ReadableFile;
using detail::ReadBody;
using detail::ReadHeader;
using detail::TextForm;
using detail::TextLines;
using detail::Utf16BytesToAnsi;

namespace {

// The index counts in 32 bits; a text this large is no registry.
constexpr std::size_t kLargestText = std::numeric_limits<std::int32_t>::max();

// The keys of a file as a tree of names, with the key lines that list each
// key and the deletions that remove it, numbered in file order. Values are
// not read here: each key keeps the ranges of text that hold its value
// lines. Kept compact (32-bit fields, the names in one block), so that the
// index stays a fraction of the file it describes.
class KeyTree {
 public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::uint32_t kRoot = 0;

  struct Section {  // the value lines after one key line
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    std::uint32_t ordinal = 0;  // of its key line
    std::uint32_t next = kNone;  // the key's next section
  };

  KeyTree() : nodes_(1), slots_(64, kNone) {}

  // The key at a lower-case path, or kNone.
  std::uint32_t Find(std::string_view path) const {
    std::uint32_t node = kRoot;
    ForEachName(path, [&](std::string_view name) {
      if (node != kNone) node = Child(node, name);
    });
    return node;
  }

  // A key line: the key and every key on the way exist from this ordinal on,
  // and the key's value lines start at begin.
  void List(std::string_view path, std::uint32_t ordinal, std::uint32_t begin) {
    const std::uint32_t node = Walk(path, Creating::Yes, [&](std::uint32_t on) { nodes_[on].listed = ordinal; });
    const auto section = static_cast<std::uint32_t>(sections_.size());
    sections_.push_back({begin, begin, ordinal, kNone});
    Node& key = nodes_[node];
    if (key.lastSection == kNone) {
      key.firstSection = section;
    } else {
      sections_[key.lastSection].next = section;
    }
    key.lastSection = section;
    openSection_ = section;
  }

  // A deletion line: the key and everything below it, as listed so far, go.
  void Delete(std::string_view path, std::uint32_t ordinal) {
    const std::uint32_t node = Walk(path, Creating::No, [](std::uint32_t) {});
    if (node != kNone) nodes_[node].deleted = ordinal;
  }

  // The value lines of the last key listed end here.
  void EndSection(std::uint32_t end) {
    if (openSection_ != kNone) sections_[openSection_].end = end;
    openSection_ = kNone;
  }

  // The last deletion that removed the key: of itself or of a key above it.
  std::uint32_t DeletedAt(std::uint32_t node) const {
    std::uint32_t deleted = 0;
    for (; node != kNone; node = nodes_[node].parent) deleted = std::max(deleted, nodes_[node].deleted);
    return deleted;
  }
  bool Exists(std::uint32_t node) const { return node == kRoot || nodes_[node].listed > DeletedAt(node); }

  // The key's sections after its last deletion, in file order.
  template <class Visit>
  void ForEachLiveSection(std::uint32_t node, Visit visit) const {
    const std::uint32_t deleted = DeletedAt(node);
    for (auto at = nodes_[node].firstSection; at != kNone; at = sections_[at].next) {
      if (sections_[at].ordinal > deleted) visit(sections_[at]);
    }
  }

  std::size_t ExistingCount() const {
    // A parent comes before its children, so one pass carries the deletions down.
    std::vector<std::uint32_t> deleted(nodes_.size(), 0);
    std::size_t count = 1;
    for (std::size_t node = 1; node < nodes_.size(); ++node) {
      deleted[node] = std::max(nodes_[node].deleted, deleted[nodes_[node].parent]);
      if (nodes_[node].listed > deleted[node]) ++count;
    }
    return count;
  }

 private:
  struct Node {
    std::uint32_t parent = kNone;
    std::uint32_t nameBegin = 0;  // in names_
    std::uint32_t nameLength = 0;
    std::uint32_t listed = 0;   // ordinal of the last key line listing it or a key below it
    std::uint32_t deleted = 0;  // ordinal of the last deletion naming it
    std::uint32_t firstSection = kNone;
    std::uint32_t lastSection = kNone;
  };

  // The names of a path separated by "\"; the root's path "" has none.
  template <class Visit>
  static void ForEachName(std::string_view path, Visit visit) {
    if (path.empty()) return;
    for (;;) {
      const auto separator = path.find('\\');
      visit(path.substr(0, separator));
      if (separator == std::string_view::npos) return;
      path.remove_prefix(separator + 1);
    }
  }

  enum class Creating { No, Yes };

  // The key at a lower-case path, created with the keys on the way where
  // asked, visiting each; kNone where it is missing. Names that the path
  // shares with the one walked before are not looked up again: the key
  // lines of a file in Wine's order share most of their paths.
  template <class Visit>
  std::uint32_t Walk(std::string_view path, Creating creating, Visit visit) {
    std::uint32_t node = kRoot;
    std::size_t depth = 0;
    bool sharing = true;
    walked_.clear();
    ForEachName(path, [&](std::string_view name) {
      if (node == kNone) return;
      sharing = sharing && depth < lastNames_.size() && lastNames_[depth] == name;
      if (sharing) {
        node = lastNodes_[depth];
      } else {
        node = creating == Creating::Yes ? AddChild(node, name) : Child(node, name);
        if (node == kNone) return;
      }
      visit(node);
      walked_.push_back(node);
      ++depth;
    });
    if (node != kNone) Remember(path);
    return node;
  }

  void Remember(std::string_view path) {
    lastPath_.assign(path);
    lastNodes_.swap(walked_);
    lastNames_.clear();
    ForEachName(std::string_view(lastPath_), [&](std::string_view name) { lastNames_.push_back(name); });
  }

  static std::size_t HashOf(std::uint32_t parent, std::string_view name) {
    return std::hash<std::string_view>{}(name) ^ (std::size_t{parent} * 0x9E3779B97F4A7C15ULL);
  }

  std::string_view NameOf(const Node& node) const { return {names_.data() + node.nameBegin, node.nameLength}; }

  // The slot that holds the child, or the empty slot where it would go.
  std::size_t SlotOf(std::uint32_t parent, std::string_view name) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = HashOf(parent, name) & mask;; slot = (slot + 1) & mask) {
      const std::uint32_t node = slots_[slot];
      if (node == kNone || (nodes_[node].parent == parent && NameOf(nodes_[node]) == name)) return slot;
    }
  }

  std::uint32_t Child(std::uint32_t parent, std::string_view name) const { return slots_[SlotOf(parent, name)]; }

  std::uint32_t AddChild(std::uint32_t parent, std::string_view name) {
    std::size_t slot = SlotOf(parent, name);
    if (slots_[slot] != kNone) return slots_[slot];
    const auto node = static_cast<std::uint32_t>(nodes_.size());
    nodes_.push_back({parent, static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(name.size())});
    names_ += name;
    slots_[slot] = node;
    // At most half full, so that a search ends soon.
    if (nodes_.size() * 2 > slots_.size()) Rehash(slots_.size() * 2);
    return node;
  }

  void Rehash(std::size_t size) {
    slots_.assign(size, kNone);
    for (std::uint32_t node = 1; node < nodes_.size(); ++node) {
      slots_[SlotOf(nodes_[node].parent, NameOf(nodes_[node]))] = node;
    }
  }

  std::vector<Node> nodes_;  // the root first; a parent before its children
  std::vector<Section> sections_;
  std::string names_;                 // lower case
  std::vector<std::uint32_t> slots_;  // (parent, name) to node, open addressing
  std::uint32_t openSection_ = kNone;
  // The path walked last, its names and their keys.
  std::string lastPath_;
  std::vector<std::string_view> lastNames_;
  std::vector<std::uint32_t> lastNodes_;
  std::vector<std::uint32_t> walked_;
};

// Indexes a body: the key lines only.
class IndexReader {
 public:
  IndexReader(const Grammar& grammar, KeyTree& tree) : grammar_(grammar), tree_(tree) {}

  bool WantsValues() const { return false; }
  void ValueLine(std::string_view) {}
  void KeyLine(std::string_view line, std::size_t lineStart, std::size_t lineEnd) {
    tree_.EndSection(static_cast<std::uint32_t>(lineStart));
    const Grammar::KeyLineKind kind = grammar_.ReadKeyLine(line, path_);
    if (kind == Grammar::KeyLineKind::NoKey) return;
    LowerCase(path_);
    if (kind == Grammar::KeyLineKind::Deletion) {
      if (!path_.empty()) tree_.Delete(path_, ++ordinal_);
    } else {
      tree_.List(path_, ++ordinal_, static_cast<std::uint32_t>(lineEnd));
    }
  }
  void Finish(std::size_t end) { tree_.EndSection(static_cast<std::uint32_t>(end)); }

 private:
  const Grammar& grammar_;
  KeyTree& tree_;
  std::string path_;
  std::uint32_t ordinal_ = 0;  // a text below kLargestText has fewer key lines than this counts
};

// Applies every value line it is given to one key.
class ValueReader {
 public:
  ValueReader(const Grammar& grammar, Key& key) : grammar_(grammar), key_(key) {}
  bool WantsValues() const { return true; }
  void ValueLine(std::string_view line) { grammar_.ApplyValueLine(line, key_); }
  void KeyLine(std::string_view, std::size_t, std::size_t) {}

 private:
  const Grammar& grammar_;
  Key& key_;
};

// Follows one key through a whole body: the key lines that list it or a key
// below it, the deletions of it or of a key above it, and its own values.
class SingleKeyReader {
 public:
  SingleKeyReader(const Grammar& grammar, std::string_view path) : grammar_(grammar), target_(path) {
    LowerCase(target_);
    exists_ = target_.empty();  // the root is always there
  }

  bool WantsValues() const { return inTarget_; }
  void ValueLine(std::string_view line) { grammar_.ApplyValueLine(line, key_); }
  void KeyLine(std::string_view line, std::size_t, std::size_t) {
    inTarget_ = false;
    if (!grammar_.MayConcern(line, target_)) return;
    const Grammar::KeyLineKind kind = grammar_.ReadKeyLine(line, path_);
    if (kind == Grammar::KeyLineKind::NoKey) return;
    LowerCase(path_);
    if (kind == Grammar::KeyLineKind::Deletion) {
      if (!path_.empty() && IsAtOrBelow(target_, path_)) {
        exists_ = false;
        key_.values.clear();
      }
    } else if (path_ == target_) {
      exists_ = inTarget_ = true;
    } else if (IsAtOrBelow(path_, target_)) {
      exists_ = true;
    }
  }

  std::optional<Key> Result() && {
    if (!exists_) return std::nullopt;
    return std::move(key_);
  }

 private:
  // Whether a lower-case path names the key at another or one below it.
  static bool IsAtOrBelow(std::string_view path, std::string_view key) {
    if (key.empty()) return true;
    return path.starts_with(key) && (path.size() == key.size() || path[key.size()] == '\\');
  }

  const Grammar& grammar_;
  std::string target_;
  std::string path_;
  Key key_;
  bool exists_ = false;
  bool inTarget_ = false;
};

struct KeyRead {
  HiveSyntax syntax = HiveSyntax::Unknown;
  std::optional<Key> key;
};

template <class Lines>
KeyRead ReadOneKey(Lines& lines, TextForm form, std::string_view path) {
  KeyRead read;
  read.syntax = ReadHeader(lines);
  if (read.syntax == HiveSyntax::Unknown) return read;
  const Grammar grammar(read.syntax, form);
  SingleKeyReader reader(grammar, path);
  ReadBody(lines, reader);
  read.key = std::move(reader).Result();
  return read;
}

}  // namespace

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

// The compact index of a hive file's key lines and deletions. Internal to
// platform/registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace registry::detail {

// The index counts in 32 bits; a text this large is no registry.
inline constexpr std::size_t kLargestText = std::numeric_limits<std::int32_t>::max();

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
  std::uint32_t Find(std::string_view path) const;

  // A key line: the key and every key on the way exist from this ordinal on,
  // and the key's value lines start at begin.
  void List(std::string_view path, std::uint32_t ordinal, std::uint32_t begin);

  // A deletion line: the key and everything below it, as listed so far, go.
  void Delete(std::string_view path, std::uint32_t ordinal);

  // The value lines of the last key listed end here.
  void EndSection(std::uint32_t end);

  // The last deletion that removed the key: of itself or of a key above it.
  std::uint32_t DeletedAt(std::uint32_t node) const;
  bool Exists(std::uint32_t node) const { return node == kRoot || nodes_[node].listed > DeletedAt(node); }

  // The key's sections after its last deletion, in file order.
  template <class Visit>
  void ForEachLiveSection(std::uint32_t node, Visit visit) const {
    const std::uint32_t deleted = DeletedAt(node);
    for (auto at = nodes_[node].firstSection; at != kNone; at = sections_[at].next) {
      if (sections_[at].ordinal > deleted) visit(sections_[at]);
    }
  }

  std::size_t ExistingCount() const;

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

  enum class Creating { No, Yes };

  // Defined in hive_index.cpp, which alone calls them; inline, so that they
  // are inlined into their callers as much as when they were written here.
  template <class Visit>
  static inline void ForEachName(std::string_view path, Visit visit);
  template <class Visit>
  inline std::uint32_t Walk(std::string_view path, Creating creating, Visit visit);
  inline void Remember(std::string_view path);
  static inline std::size_t HashOf(std::uint32_t parent, std::string_view name);
  std::string_view NameOf(const Node& node) const { return {names_.data() + node.nameBegin, node.nameLength}; }
  inline std::size_t SlotOf(std::uint32_t parent, std::string_view name) const;
  inline std::uint32_t Child(std::uint32_t parent, std::string_view name) const;
  inline std::uint32_t AddChild(std::uint32_t parent, std::string_view name);
  inline void Rehash(std::size_t size);

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

}  // namespace registry::detail

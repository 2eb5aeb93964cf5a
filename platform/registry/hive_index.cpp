#include "platform/registry/hive_index.h"

#include <algorithm>
#include <functional>

namespace registry::detail {

// The names of a path separated by "\"; the root's path "" has none.
template <class Visit>
void KeyTree::ForEachName(std::string_view path, Visit visit) {
  if (path.empty()) return;
  for (;;) {
    const auto separator = path.find('\\');
    visit(path.substr(0, separator));
    if (separator == std::string_view::npos) return;
    path.remove_prefix(separator + 1);
  }
}

// The key at a lower-case path, created with the keys on the way where
// asked, visiting each; kNone where it is missing. Names that the path
// shares with the one walked before are not looked up again: the key
// lines of a file in Wine's order share most of their paths.
template <class Visit>
std::uint32_t KeyTree::Walk(std::string_view path, Creating creating, Visit visit) {
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

std::uint32_t KeyTree::Find(std::string_view path) const {
  std::uint32_t node = kRoot;
  ForEachName(path, [&](std::string_view name) {
    if (node != kNone) node = Child(node, name);
  });
  return node;
}

void KeyTree::List(std::string_view path, std::uint32_t ordinal, std::uint32_t begin) {
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

void KeyTree::Delete(std::string_view path, std::uint32_t ordinal) {
  const std::uint32_t node = Walk(path, Creating::No, [](std::uint32_t) {});
  if (node != kNone) nodes_[node].deleted = ordinal;
}

void KeyTree::EndSection(std::uint32_t end) {
  if (openSection_ != kNone) sections_[openSection_].end = end;
  openSection_ = kNone;
}

std::uint32_t KeyTree::DeletedAt(std::uint32_t node) const {
  std::uint32_t deleted = 0;
  for (; node != kNone; node = nodes_[node].parent) deleted = std::max(deleted, nodes_[node].deleted);
  return deleted;
}

std::size_t KeyTree::ExistingCount() const {
  // A parent comes before its children, so one pass carries the deletions down.
  std::vector<std::uint32_t> deleted(nodes_.size(), 0);
  std::size_t count = 1;
  for (std::size_t node = 1; node < nodes_.size(); ++node) {
    deleted[node] = std::max(nodes_[node].deleted, deleted[nodes_[node].parent]);
    if (nodes_[node].listed > deleted[node]) ++count;
  }
  return count;
}

void KeyTree::Remember(std::string_view path) {
  lastPath_.assign(path);
  lastNodes_.swap(walked_);
  lastNames_.clear();
  ForEachName(std::string_view(lastPath_), [&](std::string_view name) { lastNames_.push_back(name); });
}

std::size_t KeyTree::HashOf(std::uint32_t parent, std::string_view name) {
  return std::hash<std::string_view>{}(name) ^ (std::size_t{parent} * 0x9E3779B97F4A7C15ULL);
}

// The slot that holds the child, or the empty slot where it would go.
std::size_t KeyTree::SlotOf(std::uint32_t parent, std::string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = HashOf(parent, name) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t node = slots_[slot];
    if (node == kNone || (nodes_[node].parent == parent && NameOf(nodes_[node]) == name)) return slot;
  }
}

std::uint32_t KeyTree::Child(std::uint32_t parent, std::string_view name) const { return slots_[SlotOf(parent, name)]; }

std::uint32_t KeyTree::AddChild(std::uint32_t parent, std::string_view name) {
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

void KeyTree::Rehash(std::size_t size) {
  slots_.assign(size, kNone);
  for (std::uint32_t node = 1; node < nodes_.size(); ++node) {
    slots_[SlotOf(nodes_[node].parent, NameOf(nodes_[node]))] = node;
  }
}

}  // namespace registry::detail

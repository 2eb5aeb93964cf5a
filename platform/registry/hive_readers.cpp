#include "platform/registry/hive_readers.h"

namespace registry::detail {

void IndexReader::KeyLine(std::string_view line, std::size_t lineStart, std::size_t lineEnd) {
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

SingleKeyReader::SingleKeyReader(const Grammar& grammar, std::string_view path) : grammar_(grammar), target_(path) {
  LowerCase(target_);
  exists_ = target_.empty();  // the root is always there
}

void SingleKeyReader::KeyLine(std::string_view line, std::size_t, std::size_t) {
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

std::optional<Key> SingleKeyReader::Result() && {
  if (!exists_) return std::nullopt;
  return std::move(key_);
}

// Whether a lower-case path names the key at another or one below it.
bool SingleKeyReader::IsAtOrBelow(std::string_view path, std::string_view key) {
  if (key.empty()) return true;
  return path.starts_with(key) && (path.size() == key.size() || path[key.size()] == '\\');
}

}  // namespace registry::detail

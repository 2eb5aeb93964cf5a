// The readers that ReadBody hands a hive's lines to: one indexes the key
// lines, one reads the values of a key, one follows a single key through a
// whole file. Internal to platform/registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/registry/hive.h"
#include "platform/registry/hive_grammar.h"
#include "platform/registry/hive_index.h"
#include "platform/registry/hive_lines.h"
#include "platform/registry/hive_text.h"

namespace registry::detail {

// Indexes a body: the key lines only.
class IndexReader {
 public:
  IndexReader(const Grammar& grammar, KeyTree& tree) : grammar_(grammar), tree_(tree) {}

  bool WantsValues() const { return false; }
  void ValueLine(std::string_view) {}
  void KeyLine(std::string_view line, std::size_t lineStart, std::size_t lineEnd);
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
  SingleKeyReader(const Grammar& grammar, std::string_view path);

  bool WantsValues() const { return inTarget_; }
  void ValueLine(std::string_view line) { grammar_.ApplyValueLine(line, key_); }
  void KeyLine(std::string_view line, std::size_t, std::size_t);

  std::optional<Key> Result() &&;

 private:
  static inline bool IsAtOrBelow(std::string_view path, std::string_view key);  // in hive_readers.cpp

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

}  // namespace registry::detail

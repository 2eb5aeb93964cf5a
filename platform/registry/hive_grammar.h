// How the key lines and value lines of a hive file read. Internal to
// platform/registry.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/registry/hive.h"
#include "platform/registry/hive_text.h"

namespace registry::detail {

// How the lines of one file read: its syntax, and how its text becomes ANSI.
class Grammar {
 public:
  Grammar(HiveSyntax syntax, TextForm form)
      : syntax_(syntax), utf8_(form == TextForm::Utf8), unicode_(form != TextForm::Ansi) {}

  enum class KeyLineKind { NoKey, Key, Deletion };

  // What a key line (starting with "[") names: a key below the hive's root, a
  // deletion of one, or nothing that can be read. The path is ANSI text.
  KeyLineKind ReadKeyLine(std::string_view line, std::string& path) const;

  // False only where a key line certainly names neither the key at a
  // lower-case path, nor a key on the way to it, nor one below it: a look at
  // the line's text as it stands, which gives up (true) at the first
  // character it cannot judge without decoding. Most key lines of a large
  // hive part from the path in their first names and are passed over so.
  bool MayConcern(std::string_view line, std::string_view lowerPath) const;

  // Whether a value line holds hex data, the one kind that may go on over
  // further lines.
  static bool IsHexValue(std::string_view line);

  // Sets or removes the value that a value line (starting with '"' or '@')
  // gives; a line that cannot be read changes nothing.
  void ApplyValueLine(std::string_view line, Key& key) const;

 private:
  bool Wine() const { return syntax_ == HiveSyntax::Wine; }

  // Defined in hive_grammar.cpp, which alone calls them; inline, so that they
  // are inlined into their callers as much as when they were written here.
  inline void AppendAnsi(std::string& out, std::string_view text) const;
  inline bool ParseQuoted(std::string_view text, std::size_t& position, std::string& out,
                          char terminator = '"') const;
  static inline bool ParseWideEscape(std::string_view text, std::size_t& i, std::string& out);
  inline bool ParseTypedString(std::string_view text, Value& value) const;
  static inline bool ParseType(std::string_view digits, DWORD& type);
  static inline bool ParseDword(std::string_view digits, Value& value);
  inline bool ParseHex(std::string_view text, Value& value) const;

  HiveSyntax syntax_;
  bool utf8_;     // names and strings are converted from UTF-8 as they are read
  bool unicode_;  // string data in hex form is UTF-16
};

}  // namespace registry::detail

// Registry hive files in .reg syntax (REGEDIT4, version 5.00, Wine's format).
// Nothing is ever written back. Reading takes time and memory linear in the
// file's size for every construct: a hive indexes its key lines once and
// parses the values of a key only when that key is asked for, and LoadKey
// reads the one key it is asked for without keeping the file.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win32.h"

namespace registry {

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

struct Value {
  DWORD type = REG_NONE;
  std::string data;  // the bytes as RegQueryValueExA returns them (strings in ANSI, NUL-terminated)
};

struct CaseInsensitiveLess {
  bool operator()(std::string_view a, std::string_view b) const;
  using is_transparent = void;
};

struct Key {
  std::map<std::string, Value, CaseInsensitiveLess> values;  // "" is the default value
};

// The header line a hive file starts with.
enum class HiveSyntax { Unknown, Regedit4, Regedit5, Wine };

class Hive {
 public:
  // Reads a hive file's text; lines that cannot be parsed are skipped, and no
  // content can make the parser fail or read past its data. A file without a
  // known header gives an empty hive, and so does text of 2 GiB or more.
  static Hive Parse(std::string_view fileContents);
  // Nothing when the file cannot be read or is 2 GiB or more.
  static std::optional<Hive> Load(const std::filesystem::path& file);
  // The one key at path, read from the file in pieces with only that key's
  // values parsed: memory stays small whatever the file's size. FindKey on
  // the result answers for that path alone. Nothing when the file cannot be read.
  static std::optional<Hive> LoadKey(const std::filesystem::path& file, std::string_view path);

  Hive(Hive&&) noexcept;
  Hive& operator=(Hive&&) noexcept;
  ~Hive();

  // A key by its path below the hive's root ("Software\\Microsoft"), any letter
  // case. The root itself is "". Every folder on the way to a key listed in the
  // file exists as a key too. The key stays valid as long as the hive.
  const Key* FindKey(std::string_view path) const;

  HiveSyntax Syntax() const { return syntax_; }
  // Keys the hive holds, its root included.
  std::size_t KeyCount() const;

 private:
  class FileText;
  class Index;
  struct ParsedKeys;
  Hive();
  static Hive FromContents(FileText contents);

  HiveSyntax syntax_ = HiveSyntax::Unknown;
  std::unique_ptr<const Index> index_;      // none for a single key or an empty hive
  std::unique_ptr<ParsedKeys> parsedKeys_;  // keys whose values have been read, by path
};

}  // namespace registry

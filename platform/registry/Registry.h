// The class library's registry object: one open key at a time below a root key.
// It only reads; keys are never created or changed.
#pragma once

#include <string>

#include "platform/registry/hive.h"
#include "platform/registry/winreg.h"
#include "platform/vcl/SysUtils.h"

namespace vcl {

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = TRegDataType::rdUnknown;
  DWORD DataType = registry::REG_NONE;  // the value's own type, REG_MULTI_SZ and the rest included
  int DataSize = 0;
};

class TRegistry {
 public:
  // Root key HKEY_CURRENT_USER; keys are opened with the given access.
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return rootKey_; }
  // Closes the open key when the root changes.
  void SetRootKey(HKEY rootKey);
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }

  HKEY CurrentKey() const { return currentKey_; }
  const std::string& CurrentPath() const { return currentPath_; }

  // A path with a leading backslash is taken from the root key, any other from
  // the open key. True exactly when the system opened it; it then replaces the
  // open key. The registry is read-only here, so canCreate never creates.
  bool OpenKey(const std::string& key, bool canCreate = false);
  bool OpenKeyReadOnly(const std::string& key);
  bool KeyExists(const std::string& key);
  void CloseKey();

  bool ValueExists(const std::string& name);
  // The value's type and size; false when it cannot be read.
  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  int GetDataSize(const std::string& name);  // -1 when it cannot be read
  TRegDataType GetDataType(const std::string& name);

  // The text of a REG_SZ or REG_EXPAND_SZ value up to its first NUL, unexpanded;
  // empty for a missing or empty value. Raises ERegistryException when the data
  // cannot be read or is of another type.
  std::string ReadString(const std::string& name);

 private:
  bool Open(const std::string& key, REGSAM access);

  HKEY rootKey_ = HKEY_CURRENT_USER;
  HKEY currentKey_ = nullptr;
  std::string currentPath_;
  REGSAM access_;
};

}  // namespace vcl

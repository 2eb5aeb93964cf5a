#include "platform/registry/winreg.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

#include "platform/registry/hive.h"
#include "platform/win32/paths.h"
#include "platform/win32/prefix.h"

// An open key: the handle points at one of these.
struct HKEY__ {
  std::filesystem::path hiveFile;
  std::string path;  // below the hive's root
  registry::Key snapshot;
};

namespace {

// Any right that would change the key or its values.
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                                WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

std::mutex openKeysMutex;
std::unordered_set<HKEY>& OpenKeys() {
  static std::unordered_set<HKEY> keys;
  return keys;
}

bool IsPredefined(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
         key == HKEY_USERS;
}

bool IsOpen(HKEY key) {
  std::lock_guard lock(openKeysMutex);
  return OpenKeys().contains(key);
}

std::string Join(const std::string& base, std::string_view sub) {
  if (base.empty()) return std::string(sub);
  if (sub.empty()) return base;
  return base + "\\" + std::string(sub);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;

  std::filesystem::path hiveFile;
  std::string path;
  if (key == HKEY_CURRENT_USER) {
    hiveFile = win32::Prefix::Current().UserHive();
  } else if (key == HKEY_LOCAL_MACHINE) {
    hiveFile = win32::Prefix::Current().SystemHive();
  } else if (key == HKEY_CLASSES_ROOT) {
    hiveFile = win32::Prefix::Current().SystemHive();
    path = "Software\\Classes";
  } else if (!IsPredefined(key) && IsOpen(key)) {
    hiveFile = key->hiveFile;
    path = key->path;
  } else {
    return ERROR_INVALID_HANDLE;
  }

  std::string_view sub = subKey == nullptr ? std::string_view{} : std::string_view(subKey);
  // A trailing separator names the same key; a leading one names none.
  while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
  if (!sub.empty() && sub.front() == '\\') return ERROR_FILE_NOT_FOUND;
  path = Join(path, sub);

  // Only the key opened is read from the file: a hive of megabytes costs no more memory.
  const std::optional<registry::Hive> hive = registry::Hive::LoadKey(hiveFile, path);
  const registry::Key* found = hive ? hive->FindKey(path) : nullptr;
  if (found == nullptr && !(hive && path.empty())) return ERROR_FILE_NOT_FOUND;
  if ((desired & kWriteRights) != 0 && win32::IsReadOnly(hiveFile)) return ERROR_ACCESS_DENIED;

  auto opened = std::make_unique<HKEY__>();
  opened->hiveFile = hiveFile;
  opened->path = path;
  if (found != nullptr) opened->snapshot = *found;
  {
    std::lock_guard lock(openKeysMutex);
    OpenKeys().insert(opened.get());
  }
  *result = opened.release();
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (IsPredefined(key) || !IsOpen(key)) return ERROR_INVALID_HANDLE;
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto& values = key->snapshot.values;
  const auto found = values.find(valueName == nullptr ? std::string_view{} : valueName);
  if (found == values.end()) return ERROR_FILE_NOT_FOUND;

  const registry::Value& value = found->second;
  const auto size = static_cast<DWORD>(value.data.size());
  if (type != nullptr) *type = value.type;
  if (data != nullptr && *dataSize < size) {
    *dataSize = size;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr && size != 0) std::memcpy(data, value.data.data(), size);
  if (dataSize != nullptr) *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (IsPredefined(key)) return ERROR_SUCCESS;
  {
    std::lock_guard lock(openKeysMutex);
    if (OpenKeys().erase(key) == 0) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

namespace registry {

std::size_t OpenKeyCount() {
  std::lock_guard lock(openKeysMutex);
  return OpenKeys().size();
}

}  // namespace registry

#include "platform/registry/Registry.h"

namespace vcl {

namespace {

TRegDataType DataTypeOf(DWORD type) {
  switch (type) {
    case registry::REG_SZ:
      return TRegDataType::rdString;
    case registry::REG_EXPAND_SZ:
      return TRegDataType::rdExpandString;
    case registry::REG_DWORD:
      return TRegDataType::rdInteger;
    case registry::REG_BINARY:
      return TRegDataType::rdBinary;
    default:
      return TRegDataType::rdUnknown;
  }
}

}  // namespace

TRegistry::TRegistry(REGSAM access) : access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY rootKey) {
  if (rootKey == rootKey_) return;
  CloseKey();
  rootKey_ = rootKey;
}

bool TRegistry::Open(const std::string& key, REGSAM access) {
  const bool absolute = !key.empty() && key.front() == '\\';
  const std::string relative = absolute ? key.substr(1) : key;
  const bool fromCurrent = !absolute && currentKey_ != nullptr;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(fromCurrent ? currentKey_ : rootKey_, relative.c_str(), 0, access, &opened) !=
      ERROR_SUCCESS) {
    return false;
  }
  const std::string path =
      fromCurrent && !relative.empty() ? currentPath_ + "\\" + relative
                                       : (fromCurrent ? currentPath_ : relative);
  CloseKey();
  currentKey_ = opened;
  currentPath_ = path;
  return true;
}

bool TRegistry::OpenKey(const std::string& key, bool /*canCreate*/) { return Open(key, access_); }

bool TRegistry::OpenKeyReadOnly(const std::string& key) { return Open(key, KEY_READ); }

bool TRegistry::KeyExists(const std::string& key) {
  const bool absolute = !key.empty() && key.front() == '\\';
  HKEY base = !absolute && currentKey_ != nullptr ? currentKey_ : rootKey_;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(base, absolute ? key.c_str() + 1 : key.c_str(), 0, KEY_READ, &opened) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(opened);
  return true;
}

void TRegistry::CloseKey() {
  if (currentKey_ == nullptr) return;
  RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  info = TRegDataInfo{};
  DWORD type = registry::REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  info.RegData = DataTypeOf(type);
  info.DataType = type;
  info.DataSize = static_cast<int>(size);
  return true;
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

int TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  GetDataInfo(name, info);
  return info.RegData;
}

std::string TRegistry::ReadString(const std::string& name) {
  DWORD type = registry::REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      size == 0) {
    return {};
  }
  std::string text(size, '\0');
  if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type,
                       reinterpret_cast<LPBYTE>(text.data()), &size) != ERROR_SUCCESS) {
    throw ERegistryException("Failed to get data for '" + name + "'");
  }
  if (type != registry::REG_SZ && type != registry::REG_EXPAND_SZ) {
    throw ERegistryException("Invalid data type for '" + name + "'");
  }
  text.resize(size);
  const auto terminator = text.find('\0');
  if (terminator != std::string::npos) text.resize(terminator);
  return text;
}

}  // namespace vcl

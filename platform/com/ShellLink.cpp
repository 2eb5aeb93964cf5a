#include "platform/com/ShellLink.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/com/ShellLinkFile.h"
#include "platform/com/shlobj.h"
#include "platform/win32/codepage.h"
#include "platform/win32/paths.h"
#include "platform/win32/prefix.h"

namespace com {

namespace {

HRESULT CopyOut(const std::string& text, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return E_INVALIDARG;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return S_OK;
}

HRESULT StorageError(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS:
      return S_OK;
    case ERROR_FILE_NOT_FOUND:
      return STG_E_FILENOTFOUND;
    case ERROR_PATH_NOT_FOUND:
      return STG_E_PATHNOTFOUND;
    case ERROR_TOO_MANY_OPEN_FILES:
      return STG_E_TOOMANYOPENFILES;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return STG_E_ACCESSDENIED;
    case ERROR_INVALID_NAME:
      return STG_E_INVALIDNAME;
    case ERROR_DISK_FULL:
      return STG_E_MEDIUMFULL;
    default:
      return HRESULT_FROM_WIN32(code);
  }
}

// The target's attributes, times and size, zero when it does not exist.
LinkTargetData ReadTargetData(const std::string& targetPath) {
  LinkTargetData data;
  // A pattern would find some other entry, not the target.
  if (targetPath.empty() || targetPath.find_first_of("*?") != std::string::npos) return data;
  const DWORD lastError = GetLastError();
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA(targetPath.c_str(), &found);
  SetLastError(lastError);  // a missing target is no failure of the link
  if (find == INVALID_HANDLE_VALUE) return data;
  FindClose(find);
  data.attributes = found.dwFileAttributes;
  data.creationTime = found.ftCreationTime;
  data.accessTime = found.ftLastAccessTime;
  data.writeTime = found.ftLastWriteTime;
  data.fileSize = found.nFileSizeLow;
  return data;
}

LinkVolume ReadVolume(const std::string& targetPath) {
  LinkVolume volume;
  if (targetPath.size() < 2 || targetPath[1] != ':') return volume;
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(targetPath[0])));
  const auto root = win32::Prefix::Current().DriveRoot(letter);
  struct stat status {};
  if (!root || ::stat(root->c_str(), &status) != 0) {
    volume.driveType = DRIVE_NO_ROOT_DIR;
    return volume;
  }
  volume.driveType = letter == 'a' || letter == 'b' ? DRIVE_REMOVABLE : DRIVE_FIXED;
  // The host device stands in for the volume's serial number.
  const auto device = static_cast<std::uint64_t>(status.st_dev);
  volume.serialNumber = static_cast<DWORD>(device ^ (device >> 32));
  return volume;
}

class ShellLink final : public IShellLinkA, public IPersistFile, private LiveObject {
 public:
  // IUnknown, shared by both interfaces.
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IShellLinkA) {
      *object = static_cast<IShellLinkA*>(this);
    } else if (iid == IID_IPersistFile || iid == IID_IPersist) {
      *object = static_cast<IPersistFile*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IShellLinkA
  HRESULT GetPath(LPSTR file, int size, WIN32_FIND_DATAA* findData, DWORD /*flags*/) override {
    if (findData != nullptr) {
      *findData = WIN32_FIND_DATAA{};
      const std::string name = path_.substr(path_.find_last_of("\\:") + 1);
      CopyOut(name, findData->cFileName, MAX_PATH);
    }
    const HRESULT copied = CopyOut(path_, file, size);
    if (FAILED(copied)) return copied;
    return path_.empty() ? S_FALSE : S_OK;
  }
  HRESULT GetDescription(LPSTR name, int size) override { return CopyOut(description_, name, size); }
  HRESULT SetDescription(LPCSTR name) override { return Set(description_, name); }
  HRESULT GetWorkingDirectory(LPSTR directory, int size) override {
    return CopyOut(workingDirectory_, directory, size);
  }
  HRESULT SetWorkingDirectory(LPCSTR directory) override { return Set(workingDirectory_, directory); }
  HRESULT GetArguments(LPSTR arguments, int size) override {
    return CopyOut(arguments_, arguments, size);
  }
  HRESULT SetArguments(LPCSTR arguments) override { return Set(arguments_, arguments); }
  HRESULT GetShowCmd(int* showCommand) override {
    if (showCommand == nullptr) return E_INVALIDARG;
    *showCommand = showCommand_;
    return S_OK;
  }
  HRESULT SetShowCmd(int showCommand) override {
    showCommand_ = showCommand;
    dirty_ = true;
    return S_OK;
  }
  HRESULT SetPath(LPCSTR file) override {
    if (file == nullptr) return E_INVALIDARG;
    // The link keeps the full Windows form of the path, whether or not its
    // drive is mapped; one that cannot be parsed stays as given, and Save
    // refuses a link with no target to point at.
    std::string full;
    hasTarget_ = *file != '\0' && win32::FullPathName(file, full) == ERROR_SUCCESS;
    path_ = hasTarget_ ? full : file;
    dirty_ = true;
    return S_OK;
  }

  // IPersistFile
  HRESULT GetClassID(CLSID* classId) override {
    if (classId == nullptr) return E_POINTER;
    *classId = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT Load(LPCOLESTR /*fileName*/, DWORD /*mode*/) override { return E_NOTIMPL; }
  HRESULT SaveCompleted(LPCOLESTR /*fileName*/) override { return S_OK; }
  HRESULT Save(LPCOLESTR fileName, BOOL remember) override {
    if (fileName == nullptr) {
      if (currentFile_.empty()) return E_INVALIDARG;
    }
    const std::string name =
        fileName == nullptr ? currentFile_ : win32::Utf16ToAnsi(std::u16string_view(fileName));
    if (name.empty()) return STG_E_INVALIDNAME;
    win32::ResolvedPath resolved;
    const DWORD resolveError = win32::ResolvePath(name, resolved);
    if (resolveError != ERROR_SUCCESS) return StorageError(resolveError);
    if (!resolved.parentExists) return STG_E_PATHNOTFOUND;
    if (!hasTarget_) return STG_E_INVALIDPARAMETER;

    ShellLinkData link;
    link.targetPath = path_;
    link.volume = ReadVolume(path_);
    link.target = ReadTargetData(path_);
    link.description = description_;
    link.workingDirectory = workingDirectory_;
    link.arguments = arguments_;
    link.showCommand = showCommand_;
    const DWORD writeError = win32::WriteFileAtomically(resolved, ShellLinkFileBytes(link));
    if (writeError != ERROR_SUCCESS) return StorageError(writeError);
    if (remember) {
      currentFile_ = resolved.windows;
      dirty_ = false;
    }
    return S_OK;
  }

 private:
  HRESULT Set(std::string& field, LPCSTR text) {
    if (text == nullptr) return E_INVALIDARG;
    field = text;
    dirty_ = true;
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
  std::string path_;
  bool hasTarget_ = false;  // path_ is a full path, which the link information holds
  std::string description_;
  std::string workingDirectory_;
  std::string arguments_;
  int showCommand_ = SW_SHOWNORMAL;
  std::string currentFile_;
  bool dirty_ = false;
};

}  // namespace

HRESULT CreateShellLink(REFIID iid, void** object) {
  auto* link = new ShellLink;
  const HRESULT result = link->QueryInterface(iid, object);
  link->Release();  // the creation reference; the object lives on only through *object
  return result;
}

}  // namespace com

#include "shelllinks/ShellLinks.h"

#include <cstdio>
#include <cstring>

#include "platform/com/ComPtr.h"

namespace ShellLinks {

namespace {

constexpr const char* kShellFoldersKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kLinkFolder = "\\Kestu Graphics\\";
constexpr const char* kLinkFolderName = "Kestu Graphics";
constexpr const char* kLinkExtension = "lnk";
constexpr const char* kExtensionSeparator = ".";

// A new link object with its IPersistFile interface, working directory and target set.
struct LinkObject {
  com::ComPtr<IShellLinkA> link;
  com::ComPtr<IPersistFile> persistFile;  // declared second: released first
};

void PrepareLink(LinkObject& object, const std::string& FileName, const std::string& WorkDir) {
  object.link.Reset(CreateShellLinkObject());
  ShellOleCheck(object.link->QueryInterface(IID_IPersistFile, object.persistFile.PutVoid()));
  ShellOleCheck(object.link->SetWorkingDirectory(WorkDir.c_str()));
  ShellOleCheck(object.link->SetPath(FileName.c_str()));
}

// The save's result is ignored: a shortcut that cannot be written is no error
// of the installation. A path of more than 259 characters converts to an
// empty name, which the save refuses.
void SaveLink(IPersistFile* persistFile, const std::string& linkPath) {
  WCHAR widePath[MAX_PATH] = {};
  if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH) == 0) {
    widePath[0] = u'\0';
  }
  persistFile->Save(widePath, TRUE);
}

}  // namespace

void InitializeShellLinks() {
  vcl::AddExitProc([] { OleUninitialize(); });
  OleInitialize(nullptr);
}

void ShellOleCheck(HRESULT result) {
  if (result == S_OK) return;
  const DWORD lastError = GetLastError();
  char message[96];
  std::snprintf(message, sizeof message, "OLE function call failed. HResult is $%X. GetLastError is $%X",
                static_cast<unsigned>(result), static_cast<unsigned>(lastError));
  throw EShellOleError(message);
}

IShellLinkA* CreateShellLinkObject() {
  com::ComPtr<IShellLinkA> link;
  ShellOleCheck(
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()));
  return link.Detach();
}

const char* StrLastPos(const char* Str, const char* SubStr) {
  const std::size_t length = std::strlen(Str);
  const std::size_t subLength = std::strlen(SubStr);
  if (subLength == 0 || subLength > length) return nullptr;
  for (std::size_t position = length - subLength + 1; position > 0; --position) {
    const char* candidate = Str + position - 1;
    if (std::strncmp(candidate, SubStr, subLength) == 0) return candidate;
  }
  return nullptr;
}

int LastPos(const std::string& SubStr, const std::string& S) {
  const char* hit = StrLastPos(S.c_str(), SubStr.c_str());
  if (hit == nullptr) return 0;
  return static_cast<int>(S.size() - std::strlen(hit) + 1);
}

std::string ReplaceExtension(const std::string& FileName, const std::string& NewExt) {
  const auto separator = FileName.find_last_of("\\:");
  std::string name = separator == std::string::npos ? FileName : FileName.substr(separator + 1);
  const int dot = LastPos(kExtensionSeparator, name);
  if (dot > 0) name.resize(static_cast<std::size_t>(dot - 1));
  return name + kExtensionSeparator + NewExt;
}

std::string GetShellFolderPath(const std::string& FolderName) {
  // Read access is enough for a lookup, and a hive the user may not write still answers.
  vcl::TRegistry Registry(KEY_READ);
  Registry.SetRootKey(HKEY_CURRENT_USER);
  if (!Registry.OpenKey(kShellFoldersKey, false)) {
    throw vcl::ERegistryException(std::string("Folder key \"") + kShellFoldersKey + "\" not found");
  }
  std::string path = Registry.ReadString(FolderName);
  if (path.empty()) {
    throw vcl::ERegistryException("\"" + FolderName + "\" item not found in registry");
  }
  Registry.CloseKey();
  return path;
}

void CreateShellFolderLink(const std::string& FileName, const std::string& WorkDir,
                           const std::string& FolderName, std::string& LinkPath) {
  std::string shortcutPath;
  {
    LinkObject object;
    PrepareLink(object, FileName, WorkDir);
    if (!WorkDir.empty()) ShellOleCheck(object.link->SetDescription(WorkDir.c_str()));
    const std::string folder = GetShellFolderPath(FolderName);
    shortcutPath = folder + kLinkFolder + ReplaceExtension(FileName, kLinkExtension);
    // The program group may lie elsewhere than the Programs folder the
    // registry names; that one level is made here, and a failure shows as a
    // failed save.
    CreateDirectoryA((folder + "\\" + kLinkFolderName).c_str(), nullptr);
    SaveLink(object.persistFile.Get(), shortcutPath);
  }
  LinkPath = shortcutPath;
}

void CreateDirectoryLink(const std::string& FileName, const std::string& WorkDir,
                         const std::string& Directory, std::string& LinkPath) {
  std::string shortcutPath;
  {
    LinkObject object;
    PrepareLink(object, FileName, WorkDir);
    // The caller ends Directory with a backslash; none is added.
    shortcutPath = Directory + ReplaceExtension(FileName, kLinkExtension);
    SaveLink(object.persistFile.Get(), shortcutPath);
  }
  LinkPath = shortcutPath;
}

}  // namespace ShellLinks

// The unit ShellLinks: the user's shell folders from the registry, and
// shortcut (.lnk) files written through the shell's link object.
#pragma once

#include <string>

#include "platform/com/objbase.h"
#include "platform/com/shlobj.h"
#include "platform/registry/Registry.h"
#include "platform/vcl/SysUtils.h"

namespace ShellLinks {

class EShellOleError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Start-up step of the unit: registers the shut-down (OleUninitialize) as an
// exit procedure, then initialises OLE on the calling thread.
void InitializeShellLinks();

// Every result but S_OK fails, S_FALSE included.
void ShellOleCheck(HRESULT result);

// A new link object; the caller owns its one reference.
IShellLinkA* CreateShellLinkObject();

// The file-name part of FileName (after its last "\" or ":") with its
// extension replaced by NewExt, given without its dot.
std::string ReplaceExtension(const std::string& FileName, const std::string& NewExt);

// 1-based position of the last occurrence of SubStr in S; 0 when there is none.
int LastPos(const std::string& SubStr, const std::string& S);
// Where the last occurrence of SubStr in Str begins; nullptr when there is none.
const char* StrLastPos(const char* Str, const char* SubStr);

// The path in the "Shell Folders" key's value FolderName, as stored.
// Raises vcl::ERegistryException.
std::string GetShellFolderPath(const std::string& FolderName);

// Saves a shortcut to FileName in the "Kestu Graphics" folder of the shell
// folder FolderName. LinkPath is set only when the call completes, also when
// the save itself failed.
void CreateShellFolderLink(const std::string& FileName, const std::string& WorkDir,
                           const std::string& FolderName, std::string& LinkPath);

// Saves a shortcut to FileName in Directory, which ends with a backslash.
void CreateDirectoryLink(const std::string& FileName, const std::string& WorkDir,
                         const std::string& Directory, std::string& LinkPath);

}  // namespace ShellLinks

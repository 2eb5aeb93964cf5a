// The shell's link object: IShellLinkA to describe a shortcut, IPersistFile to
// save it as a .lnk file.
#pragma once

#include "platform/com/objbase.h"

inline constexpr CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000,
                                          {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000,
                                        {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000,
                                     {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000,
                                         {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWMINNOACTIVE = 7;

struct IShellLinkA : IUnknown {
  virtual HRESULT GetPath(LPSTR file, int size, WIN32_FIND_DATAA* findData, DWORD flags) = 0;
  virtual HRESULT GetDescription(LPSTR name, int size) = 0;
  virtual HRESULT SetDescription(LPCSTR name) = 0;
  virtual HRESULT GetWorkingDirectory(LPSTR directory, int size) = 0;
  virtual HRESULT SetWorkingDirectory(LPCSTR directory) = 0;
  virtual HRESULT GetArguments(LPSTR arguments, int size) = 0;
  virtual HRESULT SetArguments(LPCSTR arguments) = 0;
  virtual HRESULT GetShowCmd(int* showCommand) = 0;
  virtual HRESULT SetShowCmd(int showCommand) = 0;
  virtual HRESULT SetPath(LPCSTR file) = 0;

 protected:
  ~IShellLinkA() = default;
};

struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* classId) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistFile : IPersist {
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(LPCOLESTR fileName, DWORD mode) = 0;
  // Writes the file in one step; with remember set it becomes the object's file.
  virtual HRESULT Save(LPCOLESTR fileName, BOOL remember) = 0;
  virtual HRESULT SaveCompleted(LPCOLESTR fileName) = 0;

 protected:
  ~IPersistFile() = default;
};

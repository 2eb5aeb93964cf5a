#include "platform/com/ShellLinkFile.h"

#include <algorithm>
#include <cctype>

#include "platform/win32/codepage.h"

namespace com {

namespace {

constexpr std::uint8_t kShellLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr DWORD kVolumeIdAndLocalBasePath = 0x1;
constexpr DWORD kCommonNetworkRelativeLinkAndPathSuffix = 0x2;
constexpr DWORD kLinkInfoHeaderSize = 0x1C;  // without the Unicode offsets
constexpr DWORD kVolumeIdHeaderSize = 0x10;
constexpr DWORD kValidNetType = 0x2;
constexpr DWORD kNetworkHeaderUnicodeSize = 0x1C;  // with the Unicode offsets
constexpr DWORD kProviderLanman = 0x00020000;

class ByteWriter {
 public:
  void U16(std::uint16_t value) {
    bytes_.push_back(static_cast<char>(value & 0xFF));
    bytes_.push_back(static_cast<char>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value & 0xFFFF));
    U16(static_cast<std::uint16_t>(value >> 16));
  }
  void Time(const FILETIME& time) {
    U32(time.dwLowDateTime);
    U32(time.dwHighDateTime);
  }
  void Raw(std::string_view data) { bytes_.append(data); }
  void CString(std::string_view text) {
    bytes_.append(text);
    bytes_.push_back('\0');
  }
  void Append(const ByteWriter& other) { bytes_ += other.bytes_; }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// NUL-terminated UTF-16LE.
std::string Utf16Bytes(std::string_view ansi) {
  std::string bytes;
  for (char16_t unit : win32::AnsiToUtf16(ansi)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  bytes.append(2, '\0');
  return bytes;
}

bool IsDrivePath(std::string_view path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
         path[1] == ':' && path[2] == '\\';
}

bool IsUncPath(std::string_view path) {
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

// \\server\share and what follows the separator after it.
void SplitUnc(std::string_view path, std::string_view& netName, std::string_view& suffix) {
  const auto serverEnd = path.find('\\', 2);
  const auto shareEnd =
      serverEnd == std::string_view::npos ? std::string_view::npos : path.find('\\', serverEnd + 1);
  netName = path.substr(0, shareEnd);
  suffix = shareEnd == std::string_view::npos ? std::string_view{} : path.substr(shareEnd + 1);
}

std::string LinkInfo(const ShellLinkData& link) {
  ByteWriter body;  // everything after the fixed LinkInfo header
  DWORD flags = 0;
  DWORD volumeOffset = 0;
  DWORD basePathOffset = 0;
  DWORD networkOffset = 0;
  DWORD suffixOffset = 0;

  if (IsDrivePath(link.targetPath)) {
    flags = kVolumeIdAndLocalBasePath;
    volumeOffset = kLinkInfoHeaderSize + body.Size();
    body.U32(kVolumeIdHeaderSize + 1);  // header and an empty label
    body.U32(link.volume.driveType);
    body.U32(link.volume.serialNumber);
    body.U32(kVolumeIdHeaderSize);
    body.CString("");
    basePathOffset = kLinkInfoHeaderSize + body.Size();
    body.CString(link.targetPath);
    suffixOffset = kLinkInfoHeaderSize + body.Size();
    body.CString("");
  } else {
    std::string_view netName;
    std::string_view suffix;
    SplitUnc(link.targetPath, netName, suffix);
    flags = kCommonNetworkRelativeLinkAndPathSuffix;
    // Some readers take the Unicode net name's offset from the start of the
    // link information rather than of the network link. A copy of the name at
    // that place, before the network link, lets both kinds read it.
    const std::string wideName = Utf16Bytes(netName);
    body.Raw(wideName);
    const auto wideNameOffset = kNetworkHeaderUnicodeSize;
    const auto netNameOffset = kNetworkHeaderUnicodeSize + static_cast<DWORD>(wideName.size());
    networkOffset = kLinkInfoHeaderSize + body.Size();
    body.U32(netNameOffset + static_cast<DWORD>(netName.size()) + 1);
    body.U32(kValidNetType);
    body.U32(netNameOffset);
    body.U32(0);  // no device name
    body.U32(kProviderLanman);
    body.U32(wideNameOffset);
    body.U32(0);  // no device name
    body.Raw(wideName);
    body.CString(netName);
    suffixOffset = kLinkInfoHeaderSize + body.Size();
    body.CString(suffix);
  }

  ByteWriter info;
  info.U32(kLinkInfoHeaderSize + body.Size());
  info.U32(kLinkInfoHeaderSize);
  info.U32(flags);
  info.U32(volumeOffset);
  info.U32(basePathOffset);
  info.U32(networkOffset);
  info.U32(suffixOffset);
  info.Append(body);
  return info.Take();
}

void StringData(ByteWriter& out, std::string_view ansi) {
  std::u16string wide = win32::AnsiToUtf16(ansi);
  wide.resize(std::min<std::size_t>(wide.size(), 0xFFFF));
  out.U16(static_cast<std::uint16_t>(wide.size()));
  for (char16_t unit : wide) out.U16(unit);
}

}  // namespace

std::string ShellLinkFileBytes(const ShellLinkData& link) {
  const bool hasLinkInfo = IsDrivePath(link.targetPath) || IsUncPath(link.targetPath);
  DWORD flags = kIsUnicode;
  if (hasLinkInfo) flags |= kHasLinkInfo;
  if (!link.description.empty()) flags |= kHasName;
  if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.arguments.empty()) flags |= kHasArguments;

  ByteWriter out;
  out.U32(kShellLinkHeaderSize);
  out.Raw(std::string_view(reinterpret_cast<const char*>(kShellLinkClassId), 16));
  out.U32(flags);
  out.U32(link.target.attributes);
  out.Time(link.target.creationTime);
  out.Time(link.target.accessTime);
  out.Time(link.target.writeTime);
  out.U32(link.target.fileSize);
  out.U32(0);  // icon index
  out.U32(static_cast<DWORD>(link.showCommand));
  out.U16(0);  // no hot key
  out.U16(0);
  out.U32(0);
  out.U32(0);

  if (hasLinkInfo) out.Raw(LinkInfo(link));
  // The strings in the order the format fixes.
  if (flags & kHasName) StringData(out, link.description);
  if (flags & kHasWorkingDir) StringData(out, link.workingDirectory);
  if (flags & kHasArguments) StringData(out, link.arguments);
  out.U32(0);  // terminal block
  return out.Take();
}

}  // namespace com

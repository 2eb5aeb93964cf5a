#include "tests/support/WinePrefix.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <utility>

#include "platform/win32/codepage.h"
#include "tests/support/TempPrefix.h"

namespace fs = std::filesystem;

namespace testing_support {
namespace {

// When the prefix was made: key lines carry these seconds since 1970, and
// #time= lines the same moment in 100 ns units since 1601.
constexpr std::uint64_t kMadeAt = 1700000000;
constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ULL;
constexpr std::size_t kHexColumns = 76;  // where Wine and regedit break a hex list

// mt19937's output is fixed by the standard (unlike the distributions), so
// the same seed gives the same files everywhere.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(engine_() % bound); }
  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }
  std::string Hex(std::size_t digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) text += kDigits[Below(16)];
    return text;
  }
  std::string Guid() { return "{" + Hex(8) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(12) + "}"; }
  std::string Bytes(std::size_t count) {
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(Below(256));
    return bytes;
  }

 private:
  std::mt19937 engine_;
};

std::string LowerHex(std::uint64_t number, int digits = 0) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[number % 16]);
    number /= 16;
  } while (number != 0);
  if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  return text;
}

std::string Utf16Bytes(std::string_view ansi) {
  std::string bytes;
  for (char16_t unit : win32::AnsiToUtf16(ansi)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string DwordBytes(std::uint32_t number) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((number >> shift) & 0xFF);
  return bytes;
}

// Appends "aa,bb,..." broken after a comma near the right margin, each
// further line indented by two blanks after a "\" at the end of the last.
void AppendHexList(std::string& out, std::size_t lineStart, std::string_view bytes) {
  std::size_t column = out.size() - lineStart;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += LowerHex(static_cast<unsigned char>(bytes[i]), 2);
    if (i + 1 == bytes.size()) break;
    out += ',';
    column += 3;
    if (column + 3 > kHexColumns) {
      out += "\\\n  ";
      column = 2;
    }
  }
}

// The syntax a generated file is written in.
enum class Syntax { Wine, Regedit };

// A string in a file's syntax: backslash and quote escaped; for Wine also
// line ends, NUL and every character outside ASCII.
std::string Escaped(std::string_view ansi, Syntax syntax) {
  std::string text;
  for (char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      text += '\\';
      text += c;
    } else if (syntax == Syntax::Wine && c == '\n') {
      text += "\\n";
    } else if (syntax == Syntax::Wine && c == '\0') {
      text += "\\0";
    } else if (syntax == Syntax::Wine && byte >= 0x80) {
      text += "\\x" + LowerHex(win32::AnsiToCodePoint(byte), 4);
    } else {
      text += c;
    }
  }
  return text;
}

// Writes one key and its values in a hive file's syntax, and records them in
// a model key. Names and strings are ANSI; the file holds them as its syntax
// wants (Wine: \x escapes; version 5.00 and REGEDIT4: the text as it is).
class KeyWriter {
 public:
  KeyWriter(std::string& out, Syntax syntax, registry::Key* model) : out_(out), syntax_(syntax), model_(model) {}

  void String(std::string_view name, std::string_view text) {
    Name(name);
    out_ += '"' + Escaped(text, syntax_) + "\"\n";
    Record(name, registry::REG_SZ, std::string(text) + '\0');
  }
  void ExpandString(std::string_view name, std::string_view text) {
    if (syntax_ == Syntax::Regedit) return Text(name, registry::REG_EXPAND_SZ, text);
    Name(name);
    out_ += "str(2):\"" + Escaped(text, syntax_) + "\"\n";
    Record(name, registry::REG_EXPAND_SZ, std::string(text) + '\0');
  }
  void Dword(std::string_view name, std::uint32_t number) {
    Name(name);
    out_ += "dword:" + LowerHex(number, 8) + "\n";
    Record(name, registry::REG_DWORD, DwordBytes(number));
  }
  void Binary(std::string_view name, std::string_view bytes) { Hex(name, registry::REG_BINARY, bytes, bytes); }
  // Text of a string type in hex form: UTF-16LE in the file, ANSI to the A calls.
  void Text(std::string_view name, DWORD type, std::string_view ansi) { Hex(name, type, Utf16Bytes(ansi), ansi); }
  void Remove(std::string_view name) {
    Name(name);
    out_ += "-\n";
    if (model_ != nullptr) model_->values.erase(std::string(name));
  }

 private:
  void Name(std::string_view name) {
    lineStart_ = out_.size();
    out_ += name.empty() ? std::string("@=") : '"' + Escaped(name, syntax_) + "\"=";
  }
  void Hex(std::string_view name, DWORD type, std::string_view bytes, std::string_view modelData) {
    Name(name);
    out_ += type == registry::REG_BINARY ? std::string("hex:") : "hex(" + LowerHex(type) + "):";
    AppendHexList(out_, lineStart_, bytes);
    out_ += '\n';
    Record(name, type, std::string(modelData));
  }
  void Record(std::string_view name, DWORD type, std::string data) {
    if (model_ != nullptr) model_->values.insert_or_assign(std::string(name), registry::Value{type, std::move(data)});
  }

  std::string& out_;
  Syntax syntax_;
  registry::Key* model_;
  std::size_t lineStart_ = 0;
};

// A hive in Wine's syntax built key by key and written in Wine's order: a
// key before the keys below it, names compared without regard to case.
class WineHive {
 public:
  WineHive(std::string_view relativeTo, HiveModel* model) : relativeTo_(relativeTo), model_(model) {}

  // A new key; its values follow through the writer, which stays usable
  // while further keys are added.
  KeyWriter Key(std::string_view path) {
    if (!entries_.empty()) written_ += entries_.back().second.size();
    std::string order(path);
    for (char& c : order) c = c == '\\' ? '\x01' : win32::AnsiToLower(c);
    std::string& text = entries_.emplace_back(std::move(order), std::string()).second;
    const std::uint64_t seconds = kMadeAt + entries_.size() % 600;
    text = "\n[" + Escaped(path, Syntax::Wine) + "] " + std::to_string(seconds) + "\n#time=" +
           LowerHex((seconds * 10'000'000) + kFileTimeOf1970 + entries_.size() * 7919) + "\n";
    registry::Key* modelKey = model_ != nullptr ? &model_->keys[std::string(path)] : nullptr;
    return KeyWriter(text, Syntax::Wine, modelKey);
  }

  // The size of the keys so far with their values.
  std::size_t Written() const { return written_ + (entries_.empty() ? 0 : entries_.back().second.size()); }

  std::string Text() {
    // Stable, so that a key listed twice keeps the order in which its values were given.
    std::stable_sort(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to " + relativeTo_ + "\n\n#arch=win64\n";
    text.reserve(Written() + text.size());
    for (const auto& entry : entries_) text += entry.second;
    return text;
  }

 private:
  std::string relativeTo_;
  HiveModel* model_;
  std::deque<std::pair<std::string, std::string>> entries_;  // sort key and text; a deque keeps the texts in place
  std::size_t written_ = 0;  // of every entry but the last
};

constexpr const char* kWords[] = {"Calendar", "Reminder", "Shell", "Media", "Print", "Font", "Task", "Network",
                                  "Audio", "Video", "Scanner", "Mail", "Search", "Update", "Security", "Storage",
                                  "Display", "Input", "Clock", "Power", "Backup", "Caf\xE9", "Se\xF1or", "\xDC" "ber"};
constexpr const char* kExtensions[] = {"txt", "doc", "bmp", "wav", "avi", "htm", "ini", "inf", "reg", "bat",
                                       "cmd", "hlp", "chm", "dll", "ocx", "ttf", "fon", "jpg", "png", "xml"};
constexpr const char* kThreading[] = {"Apartment", "Both", "Free", "Neutral"};

std::string Word(Random& random) { return random.Pick(kWords); }
std::string Noun(Random& random) { return Word(random) + Word(random) + std::to_string(random.Below(100)); }

// A file type: ".ext" with its class, and the class with its command.
void AddFileType(WineHive& hive, Random& random) {
  const std::string extension = std::string(random.Pick(kExtensions)) + std::to_string(random.Below(1000));
  const std::string className = extension + "file";
  auto dot = hive.Key("Software\\Classes\\." + extension);
  dot.String("", className);
  dot.String("Content Type", "application/x-" + extension);
  dot.String("PerceivedType", random.Below(2) ? "document" : "text");
  hive.Key("Software\\Classes\\" + className).String("", Word(random) + " File");
  hive.Key("Software\\Classes\\" + className + "\\DefaultIcon").ExpandString("", "%SystemRoot%\\system32\\shell32.dll,-" + std::to_string(random.Below(300)));
  hive.Key("Software\\Classes\\" + className + "\\shell\\open\\command")
      .ExpandString("", "%SystemRoot%\\system32\\notepad.exe \"%1\"");
}

// A COM class with its server, its program id and, now and then, a type library.
void AddComClass(WineHive& hive, Random& random) {
  const std::string clsid = random.Guid();
  const std::string name = Noun(random);
  const std::string base = "Software\\Classes\\CLSID\\" + clsid;
  hive.Key(base).String("", name + " Class");
  auto server = hive.Key(base + "\\InprocServer32");
  server.String("", "C:\\windows\\system32\\" + name + ".dll");
  server.String("ThreadingModel", random.Pick(kThreading));
  hive.Key(base + "\\ProgID").String("", name + ".Object.1");
  hive.Key(base + "\\VersionIndependentProgID").String("", name + ".Object");
  hive.Key("Software\\Classes\\" + name + ".Object.1\\CLSID").String("", clsid);
  if (random.Below(3) == 0) {
    const std::string typeLib = random.Guid();
    hive.Key(base + "\\TypeLib").String("", typeLib);
    const std::string library = "Software\\Classes\\TypeLib\\" + typeLib + "\\1.0";
    hive.Key(library).String("", name + " 1.0 Type Library");
    hive.Key(library + "\\0\\win32").String("", "C:\\windows\\system32\\" + name + ".tlb");
    hive.Key(library + "\\FLAGS").String("", "0");
    hive.Key(library + "\\HELPDIR").String("", "C:\\windows\\help");
  }
}

void AddInterface(WineHive& hive, Random& random) {
  const std::string base = "Software\\Classes\\Interface\\" + random.Guid();
  hive.Key(base).String("", "I" + Noun(random));
  hive.Key(base + "\\NumMethods").String("", std::to_string(3 + random.Below(40)));
  hive.Key(base + "\\ProxyStubClsid32").String("", random.Guid());
}

// A service, with a multi-string and a security descriptor over continuation lines.
void AddService(WineHive& hive, Random& random) {
  const std::string name = Noun(random);
  auto service = hive.Key("System\\CurrentControlSet\\Services\\" + name);
  service.Text("DependOnService", registry::REG_MULTI_SZ, std::string("RPCSS\0PlugPlay\0\0", 16));
  service.String("Description", "Keeps the " + Word(random) + " service of the " + Word(random) + " running.");
  service.String("DisplayName", name + " Service");
  service.Dword("ErrorControl", 1);
  service.ExpandString("ImagePath", "C:\\windows\\system32\\" + name + ".exe");
  service.String("ObjectName", "LocalSystem");
  service.Binary("Security", random.Bytes(120 + random.Below(60)));
  service.Dword("Start", 2 + random.Below(3));
  service.Dword("Type", 16);
  hive.Key("System\\CurrentControlSet\\Services\\" + name + "\\Parameters")
      .ExpandString("ServiceDll", "%SystemRoot%\\system32\\" + name + ".dll");
}

void AddTimeZone(WineHive& hive, Random& random) {
  const std::string zone = Word(random) + " " + Word(random) + " Standard Time " + std::to_string(random.Below(1000));
  const std::string base = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\" + zone;
  auto key = hive.Key(base);
  key.String("Display", "(UTC+0" + std::to_string(random.Below(10)) + ":00) " + Word(random) + ", " + Word(random));
  key.String("Dlt", zone + " Daylight");
  key.String("MUI_Display", "@tzres.dll,-" + std::to_string(random.Below(1000)));
  key.String("Std", zone);
  key.Binary("TZI", random.Bytes(44));
  auto dynamic = hive.Key(base + "\\Dynamic DST");
  dynamic.Dword("FirstEntry", 2006);
  dynamic.Dword("LastEntry", 2030);
  for (int year = 2006; year <= 2030; year += 4) dynamic.Binary(std::to_string(year), random.Bytes(44));
}

// The keys every prefix has, the Windows directory among them.
void AddFixedMachineKeys(WineHive& hive, Random& random) {
  auto version = hive.Key("Software\\Microsoft\\Windows NT\\CurrentVersion");
  version.String("CurrentBuild", "7601");
  version.String("CurrentBuildNumber", "7601");
  version.String("CurrentVersion", "6.1");
  version.Dword("InstallDate", 0);
  version.String("PathName", "C:\\windows");
  version.String("ProductName", "Windows 7 Professional");
  version.String("RegisteredOrganization", "");
  version.String("RegisteredOwner", "");
  version.String("SystemRoot", "C:\\windows");
  auto current = hive.Key("Software\\Microsoft\\Windows\\CurrentVersion");
  current.String("CommonFilesDir", "C:\\Program Files\\Common Files");
  current.String("ProgramFilesDir", "C:\\Program Files");
  current.ExpandString("ProgramFilesPath", "%ProgramFiles%");
  current.ExpandString("DevicePath", "%SystemRoot%\\inf");
  auto environment = hive.Key("System\\CurrentControlSet\\Control\\Session Manager\\Environment");
  environment.ExpandString("ComSpec", "%SystemRoot%\\system32\\cmd.exe");
  environment.ExpandString("PATH", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\system32\\wbem");
  environment.ExpandString("PATHEXT", ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC");
  environment.ExpandString("TEMP", "%SystemRoot%\\temp");
  environment.ExpandString("windir", "%SystemRoot%");
  auto fonts = hive.Key("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
  for (int i = 0; i < 60; ++i) fonts.String(Noun(random) + " (TrueType)", Noun(random) + ".ttf");
  // A policy blob of several kilobytes: one value over a hundred continuation lines.
  hive.Key("System\\CurrentControlSet\\Control\\ProductOptions").Binary("ProductPolicy", random.Bytes(6000));
}

// The text of user.reg's Shell Folders and User Shell Folders.
struct ShellFolder {
  const char* name;
  const char* below;  // below the user's folder, or an absolute path
};
constexpr ShellFolder kShellFolders[] = {
    {"AppData", "AppData\\Roaming"},
    {"Cache", "AppData\\Local\\Microsoft\\Windows\\INetCache"},
    {"Cookies", "AppData\\Roaming\\Microsoft\\Windows\\Cookies"},
    {"Desktop", "Desktop"},
    {"Favorites", "Favorites"},
    {"Fonts", "C:\\windows\\Fonts"},
    {"History", "AppData\\Local\\Microsoft\\Windows\\History"},
    {"Local AppData", "AppData\\Local"},
    {"My Music", "Music"},
    {"My Pictures", "Pictures"},
    {"My Videos", "Videos"},
    {"NetHood", "AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts"},
    {"Personal", "Documents"},
    {"PrintHood", "AppData\\Roaming\\Microsoft\\Windows\\Printer Shortcuts"},
    {"Programs", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {"Recent", "AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {"SendTo", "AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
    {"Start Menu", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
    {"Startup", "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
    {"Templates", "AppData\\Roaming\\Microsoft\\Windows\\Templates"},
};

// Whether path names key or a key below it, any letter case.
bool IsAtOrBelow(std::string_view path, std::string_view key) {
  return win32::AnsiEqualsIgnoreCase(path.substr(0, key.size()), key) &&
         (path.size() == key.size() || path[key.size()] == '\\');
}

std::string ShellFolderPath(const ShellFolder& folder, std::string_view home) {
  const std::string_view below = folder.below;
  return below.starts_with("C:\\") ? std::string(below) : std::string(home) + "\\" + std::string(below);
}

constexpr const char* kSoundEvents[] = {
    "Close", "CriticalBatteryAlarm", "DeviceConnect", "DeviceDisconnect", "DeviceFail", "LowBatteryAlarm",
    "MailBeep", "Maximize", "MenuCommand", "MenuPopup", "Minimize", "Open", "RestoreDown", "RestoreUp",
    "SystemAsterisk", "SystemExclamation", "SystemExit", "SystemHand", "SystemNotification", "SystemQuestion",
    "SystemStart", "WindowsLogoff", "WindowsLogon", ".Default"};

}  // namespace

std::string WineProgramsFolder(std::string_view user) {
  return "C:\\users\\" + std::string(user) + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
}

fs::path WineProgramsHostFolder(const fs::path& root, std::string_view user) {
  return root / "drive_c" / "users" / std::string(user) / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs";
}

std::string WineSystemHive(std::size_t bytes, HiveModel* model) {
  Random random(20231114);
  WineHive hive("\\\\Machine", model);
  AddFixedMachineKeys(hive, random);
  // The mix of a fresh prefix: mostly COM registrations, then file types,
  // services and time zones.
  while (hive.Written() < bytes) {
    switch (random.Below(10)) {
      case 0: case 1: case 2: case 3: AddComClass(hive, random); break;
      case 4: case 5: AddInterface(hive, random); break;
      case 6: case 7: AddFileType(hive, random); break;
      case 8: AddService(hive, random); break;
      default: AddTimeZone(hive, random); break;
    }
  }
  return hive.Text();
}

std::string WineUserHive(std::string_view user, HiveModel* model) {
  Random random(20231115);
  WineHive hive("\\\\User\\\\S-1-5-21-" + std::to_string(1000000000 + random.Below(1000000000)) + "-1000", model);
  const std::string home = "C:\\users\\" + std::string(user);
  auto shellFolders = hive.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  auto userShellFolders = hive.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
  for (const ShellFolder& folder : kShellFolders) {
    shellFolders.String(folder.name, ShellFolderPath(folder, home));
    userShellFolders.ExpandString(folder.name, ShellFolderPath(folder, "%USERPROFILE%"));
  }
  auto colors = hive.Key("Control Panel\\Colors");
  for (const char* name : {"ActiveBorder", "ActiveTitle", "AppWorkSpace", "Background", "ButtonAlternateFace",
                           "ButtonDkShadow", "ButtonFace", "ButtonHilight", "ButtonLight", "ButtonShadow",
                           "ButtonText", "GradientActiveTitle", "GradientInactiveTitle", "GrayText", "Hilight",
                           "HilightText", "HotTrackingColor", "InactiveBorder", "InactiveTitle",
                           "InactiveTitleText", "InfoText", "InfoWindow", "Menu", "MenuBar", "MenuHilight",
                           "MenuText", "Scrollbar", "TitleText", "Window", "WindowFrame", "WindowText"}) {
    colors.String(name, std::to_string(random.Below(256)) + " " + std::to_string(random.Below(256)) + " " +
                            std::to_string(random.Below(256)));
  }
  auto desktop = hive.Key("Control Panel\\Desktop");
  desktop.String("CursorBlinkRate", "530");
  desktop.String("DragFullWindows", "0");
  desktop.String("FontSmoothing", "2");
  desktop.Dword("FontSmoothingGamma", 0);
  desktop.Dword("FontSmoothingType", 1);
  desktop.Binary("UserPreferenceMask", random.Bytes(8));
  desktop.String("Wallpaper", "");
  auto metrics = hive.Key("Control Panel\\Desktop\\WindowMetrics");
  for (const char* font : {"CaptionFont", "IconFont", "MenuFont", "MessageFont", "SmCaptionFont", "StatusFont"}) {
    metrics.Binary(font, random.Bytes(92));
  }
  metrics.String("BorderWidth", "-15");
  metrics.String("ScrollWidth", "-240");
  auto international = hive.Key("Control Panel\\International");
  for (const char* name : {"iCalendarType", "iCountry", "iCurrDigits", "iCurrency", "iDate", "iDigits",
                           "iFirstDayOfWeek", "iFirstWeekOfYear", "iLZero", "iMeasure", "iNegCurr",
                           "iNegNumber", "iPaperSize", "iTime", "iTimePrefix", "iTLZero"}) {
    international.String(name, std::to_string(random.Below(3)));
  }
  international.String("Locale", "00000409");
  international.String("LocaleName", "en-US");
  international.String("sShortDate", "M/d/yyyy");
  international.String("sLongDate", "dddd, MMMM d, yyyy");
  international.String("sCurrency", "$");
  auto environment = hive.Key("Environment");
  environment.ExpandString("TEMP", "%USERPROFILE%\\AppData\\Local\\Temp");
  environment.ExpandString("TMP", "%USERPROFILE%\\AppData\\Local\\Temp");
  auto volatileEnvironment = hive.Key("Volatile Environment");
  volatileEnvironment.String("APPDATA", home + "\\AppData\\Roaming");
  volatileEnvironment.String("HOMEDRIVE", "C:");
  volatileEnvironment.String("HOMEPATH", "\\users\\" + std::string(user));
  volatileEnvironment.String("LOCALAPPDATA", home + "\\AppData\\Local");
  volatileEnvironment.String("USERNAME", std::string(user));
  volatileEnvironment.String("USERPROFILE", home);
  hive.Key("Software\\Wine\\DllOverrides").String("*d3dcompiler_47", "native,builtin");
  hive.Key("Software\\Wine\\Explorer").String("Desktop", "Default");
  hive.Key("Software\\Microsoft\\Notepad").Binary("lfFaceName", Utf16Bytes("Lucida Console"));
  // Sounds make up the rest, as they do in a real user.reg.
  for (std::size_t i = 0; hive.Written() < 30 * 1024; ++i) {
    const std::string application = i < std::size(kSoundEvents) ? ".Default" : "Explorer" + std::to_string(i / 24);
    const std::string scheme =
        "AppEvents\\Schemes\\Apps\\" + application + "\\" + kSoundEvents[i % std::size(kSoundEvents)];
    hive.Key(scheme + "\\.Current").String("", "C:\\windows\\media\\" + Word(random) + ".wav");
    hive.Key(scheme + "\\.Default").String("", "C:\\windows\\media\\" + Word(random) + ".wav");
  }
  return hive.Text();
}

std::string RegImportFile(std::size_t bytes, HiveModel* model) {
  Random random(20231116);
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  std::vector<std::string> listed;
  auto keyLine = [&](const std::string& path, bool remove) {
    text += "\r\n[" + std::string(remove ? "-" : "") + "HKEY_CURRENT_USER\\" + win32::AnsiToUtf8(path) + "]\r\n";
  };
  auto forget = [&](const std::string& path) {
    if (model == nullptr) return;
    std::erase_if(model->keys, [&](const auto& key) { return IsAtOrBelow(key.first, path); });
    model->removed.push_back(path);
  };
  while (text.size() < bytes) {
    const std::string vendor = "Software\\" + Word(random) + " Vendor " + std::to_string(random.Below(50));
    const std::string path = vendor + "\\" + Noun(random) + "\\Settings";
    keyLine(path, false);
    listed.push_back(path);
    registry::Key* key = model != nullptr ? &model->keys[path] : nullptr;
    // Listing a key brings back what a deletion took on its way.
    if (model != nullptr) std::erase_if(model->removed, [&](const std::string& gone) { return IsAtOrBelow(path, gone); });
    std::string values;
    KeyWriter writer(values, Syntax::Regedit, key);
    writer.String("Folder", "C:\\Program Files\\" + Word(random) + "\\");
    writer.String("Window", std::to_string(random.Below(1000)) + "," + std::to_string(random.Below(1000)));
    writer.Dword("Runs", random.Below(100));
    writer.Text("Recent", registry::REG_MULTI_SZ, std::string("a.txt\0b.txt\0\0", 13));
    writer.Binary("Placement", random.Bytes(44));
    if (random.Below(4) == 0) writer.Remove("Window");  // a value deleted by a later line
    if (random.Below(3) == 0) writer.String("Folder", "C:\\" + Word(random));  // a later value replaces
    for (std::size_t at = 0; (at = values.find('\n', at)) != std::string::npos; at += 2) values.insert(at, "\r");
    text += win32::AnsiToUtf8(values);
    // Now and then a deletion of something listed before: the key itself, or all of its vendor.
    if (random.Below(4) == 0 && !listed.empty()) {
      const std::string& victim = listed[random.Below(static_cast<std::uint32_t>(listed.size()))];
      const std::string gone = random.Below(2) ? victim : victim.substr(0, victim.find('\\', 9));
      keyLine(gone, true);
      forget(gone);
    }
  }
  return text;
}

std::string HiveOfLongHexValues(std::size_t bytes) {
  Random random(20231117);
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n[Software\\\\Blobs] 1700000000\n";
  KeyWriter writer(text, Syntax::Wine, nullptr);
  // Two values, each of them about half the file.
  const std::size_t valueBytes = bytes / 6;
  writer.Binary("First", random.Bytes(valueBytes));
  writer.Text("Second", registry::REG_MULTI_SZ, std::string(valueBytes / 2, 'x'));
  return text;
}

std::string HiveOfDeletions(std::size_t bytes) {
  std::string text = "REGEDIT4\n\n";
  const std::size_t keys = bytes / 96;  // each key is listed, given a value and deleted again
  for (std::size_t i = 0; i < keys; ++i) {
    text += "[HKEY_LOCAL_MACHINE\\Software\\Old Vendor\\Component " + std::to_string(i) + "]\n\"Installed\"=dword:00000001\n";
  }
  for (std::size_t i = 0; i < keys; ++i) text += "[-HKEY_LOCAL_MACHINE\\Software\\Old Vendor\\Component " + std::to_string(i) + "]\n";
  return text;
}

void MakeWinePrefix(const fs::path& root, const WinePrefixOptions& options) {
  const fs::path driveC = root / "drive_c";
  const fs::path home = driveC / "users" / options.user;
  for (const char* folder :
       {"AppData/Local/Temp", "AppData/LocalLow", "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Startup",
        "AppData/Roaming/Microsoft/Windows/SendTo", "AppData/Roaming/Microsoft/Windows/Templates", "Contacts",
        "Desktop", "Documents", "Downloads", "Favorites", "Links", "Music", "Pictures", "Saved Games", "Searches",
        "Videos"}) {
    fs::create_directories(home / folder);
  }
  for (const char* folder : {"users/Public/Desktop", "users/Public/Documents", "users/Public/Music",
                             "users/Public/Pictures", "users/Public/Videos",
                             "ProgramData/Microsoft/Windows/Start Menu/Programs/Administrative Tools",
                             "Program Files/Common Files/System", "Program Files/Internet Explorer",
                             "Program Files/Windows Media Player", "Program Files/Windows NT/Accessories",
                             "Program Files (x86)/Common Files", "Program Files (x86)/Internet Explorer",
                             "windows/command", "windows/Fonts", "windows/help", "windows/inf", "windows/logs",
                             "windows/Microsoft.NET/Framework", "windows/system", "windows/system32/drivers/etc",
                             "windows/system32/spool/drivers/color", "windows/system32/wbem", "windows/syswow64",
                             "windows/temp", "windows/twain_32"}) {
    fs::create_directories(driveC / folder);
  }
  // Placeholders where Wine puts its programs and libraries: the names, not the contents.
  for (const char* name : {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                           "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
                           "version.dll", "winmm.dll", "cmd.exe", "notepad.exe", "regedit.exe", "rundll32.exe"}) {
    WriteFile(driveC / "windows/system32" / name, "MZ placeholder made by the test fixture\n");
  }
  for (const char* name : {"explorer.exe", "notepad.exe", "regedit.exe"}) {
    WriteFile(driveC / "windows" / name, "MZ placeholder made by the test fixture\n");
  }
  WriteFile(driveC / "windows/win.ini", "[windows]\r\n[fonts]\r\n[extensions]\r\n");
  WriteFile(driveC / "windows/system.ini", "[386Enh]\r\n[drivers]\r\n[mci]\r\n");
  WriteFile(driveC / "windows/system32/drivers/etc/hosts", "127.0.0.1 localhost\n");

  fs::create_directories(root / "dosdevices");
  for (const auto& [link, target] : {std::pair{"c:", "../drive_c"}, std::pair{"z:", "/"}}) {
    std::error_code ignored;
    fs::remove(root / "dosdevices" / link, ignored);
    fs::create_symlink(target, root / "dosdevices" / link);
  }

  const auto systemBytes = static_cast<std::size_t>(options.systemHiveMegabytes * 1e6);
  WriteFile(root / "system.reg", WineSystemHive(systemBytes));
  WriteFile(root / "user.reg", WineUserHive(options.user));
  WriteFile(root / "userdef.reg",
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\.Default\n\n#arch=win64\n\n"
            "[Control Panel\\\\Desktop] 1700000000\n#time=1d9e5f1a2b3c4d5\n\"FontSmoothing\"=\"2\"\n"
            "\"Wallpaper\"=\"\"\n");
  WriteFile(root / ".update-timestamp", std::to_string(kMadeAt) + "\n");
  WriteFile(home / "Documents/settings.reg", RegImportFile(64 * 1024));
}

}  // namespace testing_support

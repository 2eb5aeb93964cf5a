#include "installer/Installu.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TextFiles.h"
#include "platform/win32/codepage.h"
#include "shelllinks/ShellLinks.h"

std::string InstallDir;
std::string WindowsDir;
char* PathBufA = nullptr;
char* PathBufB = nullptr;
TForm1* Form1 = nullptr;

namespace {

// Allocates one of the path buffers for the length of a use and releases it
// on every way out.
class PathBufferLease {
 public:
  explicit PathBufferLease(char*& buffer) : buffer_(buffer) { buffer_ = new char[PathBufferSize]; }
  ~PathBufferLease() {
    delete[] buffer_;
    buffer_ = nullptr;
  }
  PathBufferLease(const PathBufferLease&) = delete;
  PathBufferLease& operator=(const PathBufferLease&) = delete;

 private:
  char*& buffer_;
};

// The size GetWindowsDirectoryA is offered at start-up.
constexpr UINT WindowsDirectoryQuerySize = 150;

// Stores text, null-terminated, in a path buffer; false when it does not fit.
bool StorePath(char* buffer, const std::string& text) {
  if (text.size() >= PathBufferSize) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

std::string ModuleFileName() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string UpperCaseAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The longest names of the transfer list, calendar.exe among them.
constexpr std::size_t LongestFileName = 12;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// An entry that does not start at a root: anything but a drive letter with
// its colon followed by nothing or a backslash, a UNC name, or a path from the
// current drive's root. Such an entry would be taken from the current folder,
// the distribution medium. The empty entry is left to the directory creation,
// which refuses it.
bool IsRelativeDirectory(std::string_view directory) {
  if (directory.empty() || directory.front() == '\\') return false;
  const bool drive = directory.size() >= 2 && IsAsciiLetter(directory[0]) && directory[1] == ':';
  return !(drive && (directory.size() == 2 || directory[2] == '\\'));
}

// True when every destination, directory + "\" + name, fits its path buffer.
bool FitsThePathBuffers(std::string_view directory) {
  return directory.size() + 1 + LongestFileName < PathBufferSize;
}

// A folder that already holds the user's calendar, as the data file or its text form.
bool HoldsCalendar(const std::string& folder) {
  return vcl::FileExists(folder + "calendar.dat") || vcl::FileExists(folder + "calendar.txt");
}

}  // namespace

std::string DrivePart(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // The text before the backslash that ends the share name.
    const std::size_t afterServer = path.find('\\', 2);
    if (afterServer != std::string_view::npos) {
      const std::size_t afterShare = path.find('\\', afterServer + 1);
      if (afterShare != std::string_view::npos) return std::string(path.substr(0, afterShare));
    }
    if (path.back() == '\\') path.remove_suffix(1);
    return std::string(path);
  }
  return {};
}

std::string DirectoryPart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\:");
  return separator == std::string_view::npos ? std::string() : std::string(path.substr(0, separator + 1));
}

const vcl::FormDescription& Form1Resource() {
  using vcl::ComponentKind;
  using vcl::FontStyle;
  static const vcl::TFont buttonFont{"MS Sans Serif", -17, FontStyle::Bold, vcl::clBlack};
  static const vcl::FormDescription resource{
      .Name = "Form1",
      .ClassName = "TForm1",
      .Caption = "Kestu Calendar Reminder Program Installation ",
      .BorderStyle = vcl::BorderStyle::Dialog,
      .Left = 756,
      .Top = 686,
      .ClientWidth = 622,
      .ClientHeight = 271,
      .Color = vcl::clGreen,
      .Font = {"MS Sans Serif", -13, FontStyle::Regular, vcl::clWindowText},
      .Position = vcl::Position::ScreenCenter,
      .Metrics = {120, 16},
      .OnCreate = "FormCreate",
      .Components =
          {
              {.Name = "Button1", .Kind = ComponentKind::Button, .Bounds = {113, 176, 75, 41},
               .Caption = "Install", .Font = buttonFont, .TabOrder = 1, .OnClick = "Button1Click"},
              {.Name = "Button2", .Kind = ComponentKind::Button, .Bounds = {433, 176, 75, 41},
               .Caption = "Cancel", .Font = buttonFont, .TabOrder = 2, .OnClick = "Button2Click"},
              {.Name = "GroupBox1", .Kind = ComponentKind::GroupBox, .Bounds = {8, 32, 609, 97},
               .Caption = "Enter desired Kestu Calendar directory path.",
               .Font = {"Times New Roman Special G1", -17, FontStyle::Bold, vcl::clYellow},
               .Color = vcl::clGreen, .TabOrder = 0},
              {.Name = "Edit1", .Kind = ComponentKind::Edit, .Parent = "GroupBox1",
               .Bounds = {10, 36, 583, 34},
               .Font = {"Times New Roman Special G1", -15, FontStyle::Bold, vcl::clBlack},
               .Color = vcl::clWindow, .TabOrder = 0},
              {.Name = "Button3", .Kind = ComponentKind::Button, .Bounds = {273, 176, 75, 41},
               .Caption = "OK", .Font = buttonFont, .TabOrder = 3, .OnClick = "Button3Click"},
          },
  };
  return resource;
}

TForm1::TForm1(vcl::TApplication& owner) : vcl::TForm(owner, Form1Resource()) {}

TForm1::Method TForm1::FindMethod(std::string_view name) {
  using Handler = void (TForm1::*)(vcl::TObject*);
  static constexpr struct {
    std::string_view name;
    Handler handler;
  } published[] = {
      {"Button1Click", &TForm1::Button1Click},
      {"Button2Click", &TForm1::Button2Click},
      {"FormCreate", &TForm1::FormCreate},
      {"Button3Click", &TForm1::Button3Click},
  };
  for (const auto& method : published)
    if (method.name == name) return [this, handler = method.handler](vcl::TObject* Sender) { (this->*handler)(Sender); };
  return {};
}

void TForm1::BindComponents() {
  Button1 = FindComponent<vcl::TButton>("Button1");
  Button2 = FindComponent<vcl::TButton>("Button2");
  GroupBox1 = FindComponent<vcl::TGroupBox>("GroupBox1");
  Edit1 = FindComponent<vcl::TEdit>("Edit1");
  Button3 = FindComponent<vcl::TButton>("Button3");
}

void TForm1::FormCreate(vcl::TObject* /*Sender*/) {
  {
    PathBufferLease lease(PathBufA);
    PathBufA[0] = '\0';
    const UINT needed = GetWindowsDirectoryA(PathBufA, WindowsDirectoryQuerySize);
    if (needed >= WindowsDirectoryQuerySize) {
      // Too long for the buffer offered: ask again with room for the whole directory.
      std::string whole(needed, '\0');
      const UINT length = GetWindowsDirectoryA(whole.data(), needed);
      whole.resize(length < needed ? length : 0);
      WindowsDir = whole;
    } else {
      WindowsDir = PathBufA;
    }
  }
  // Only the last level is made; any failure is dropped, start-up goes on.
  CreateDirectoryA((WindowsDir + "\\Start Menu\\Programs\\Kestu Graphics").c_str(), nullptr);
  GetLastError();

  InstallDir = DrivePart(WindowsDir) + "\\Kestu";
  Edit1->SetText(InstallDir);
  Button3->SetEnabled(false);
  Button3->SetVisible(false);
}

void TForm1::Button1Click(vcl::TObject* /*Sender*/) {
  std::string MissingUpdates;
  if (!TransferFiles(MissingUpdates)) return;
  CompleteInstallation(MissingUpdates);
}

void TForm1::Button2Click(vcl::TObject* /*Sender*/) { Close(); }

void TForm1::Button3Click(vcl::TObject* /*Sender*/) { Close(); }

void TForm1::ShowProgress(int segments) {
  std::string bars;
  for (int i = 0; i < segments; ++i) bars += ProgressSegment;
  Edit1->SetText(bars);
  Repaint();
}

bool TForm1::TransferFiles(std::string& MissingUpdates) {
  InstallDir = Edit1->Text();
  if (!InstallDir.empty() && InstallDir.back() == '\\') InstallDir.pop_back();
  const std::string SourceDir = DirectoryPart(ModuleFileName());
  const std::string TargetDirUpper = UpperCaseAscii(InstallDir) + "\\";
  Button2->SetEnabled(false);
  Button2->SetVisible(false);
  MissingUpdates.clear();
  if (SourceDir == TargetDirUpper) return true;  // running from the target: nothing to transfer

  auto stopRun = [this] {
    Button2->SetEnabled(true);
    Button2->SetVisible(true);
    return false;
  };

  // A directory that cannot be made, or would not do, is reported, and
  // nothing is created or copied anywhere else.
  auto refuse = [this, &stopRun](const std::string& reason) {
    vcl::MessageDlg("Directory " + InstallDir + " could not be created. " + reason, vcl::TMsgDlgType::mtError,
                    {vcl::TMsgDlgBtn::mbOK}, 0);
    return stopRun();
  };
  if (IsRelativeDirectory(InstallDir)) return refuse("The directory must be a full path, such as C:\\Kestu.");
  if (!FitsThePathBuffers(InstallDir)) return refuse(vcl::SysErrorMessage(ERROR_FILENAME_EXCED_RANGE));

  const DWORD created = CreateDirectoryA(InstallDir.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
  if (created == ERROR_DUP_NAME || created == ERROR_ALREADY_EXISTS) {
    const std::string question =
        vcl::FileExists(InstallDir + "\\calendar.exe")
            ? "A prior copy of Kestu Calendar found. Proceed with installation?"
            : "Directory " + InstallDir + " already exists. Proceed with installation?";
    if (vcl::MessageDlg(question, vcl::TMsgDlgType::mtConfirmation,
                        {vcl::TMsgDlgBtn::mbYes, vcl::TMsgDlgBtn::mbNo}, 0) == vcl::mrNo)
      return stopRun();
  } else if (created == ERROR_SUCCESS) {
    vcl::MessageDlg("New directory " + InstallDir + " created ", vcl::TMsgDlgType::mtInformation,
                    {vcl::TMsgDlgBtn::mbOK}, 0);
  } else {
    // Going on would copy elsewhere: an empty name, for one, means the drive's root.
    return refuse(vcl::SysErrorMessage(created));
  }
  CreateDirectoryA((InstallDir + "\\merge").c_str(), nullptr);
  GetLastError();

  GroupBox1->SetCaption("Please wait, files are being transfred to [" + InstallDir + "]");
  auto copy = [&MissingUpdates](const std::string& name) {
    if (CopyProgramFile(name) != ERROR_SUCCESS) MissingUpdates += name + ", ";
  };
  ShowProgress(1);
  ShowProgress(3);
  copy("read_me.txt");
  ShowProgress(5);
  copy("calendar.exe");
  ShowProgress(6);
  copy("calendar.hlp");
  ShowProgress(7);
  copy("printcal.txt");
  ShowProgress(8);
  // An existing data file, or its text form, holds the user's calendar: never
  // overwritten. Where the target exists in two spellings, the folder the
  // test looks in need not be the one the copy writes to; both are asked.
  if (!HoldsCalendar(TargetDirUpper) && !HoldsCalendar(InstallDir + "\\")) copy("calendar.dat");
  ShowProgress(12);
  return true;
}

DWORD CopyProgramFile(const std::string& Name) {
  PathBufferLease destination(PathBufA);
  PathBufferLease source(PathBufB);
  DWORD result = ERROR_SUCCESS;
  // A path that does not fit its buffer is refused as a failed copy.
  if (!StorePath(PathBufA, InstallDir + "\\" + Name) || !StorePath(PathBufB, Name)) {
    result = ERROR_FILENAME_EXCED_RANGE;
  } else if (!CopyFileA(PathBufB, PathBufA, FALSE)) {
    result = GetLastError();
    if (result == ERROR_SUCCESS) result = ERROR_IO_DEVICE;  // a failure must never read as success
  }
  if (result != ERROR_SUCCESS) MessageBeep(MB_OK);
  return result;
}

namespace {

// The list as the window shows it: the last ", " removed and " ." appended.
std::string ReportForm(const std::string& list) { return list.substr(0, list.size() - 2) + " ."; }

// The advice names only the shortcuts that were saved, or else where Calendar is.
std::string RunAdvice(bool startMenuShortcut, bool desktopIcon) {
  if (startMenuShortcut && desktopIcon) return "Use [Start Menu][Kestu Graphics] or the desktop [Icon] to run Calendar.";
  if (startMenuShortcut) return "Use [Start Menu][Kestu Graphics] to run Calendar.";
  if (desktopIcon) return "Use the desktop [Icon] to run Calendar.";
  return "Calendar is installed in [" + InstallDir + "].";
}

// The batch line's destination. A directory whose name cmd would split or
// read as an operator is quoted, and a % is doubled so it stays a character.
// cmd reads the file in the OEM code page, so a character outside ASCII is
// written in 437 (é as 0x82, not as 1252's 0xE9, which cmd reads as Θ); one
// that 437 lacks, such as €, keeps its 1252 byte.
std::string BatchDestination(const std::string& directory) {
  std::string destination;
  for (char c : win32::AnsiToOem(directory + "\\merge")) {
    destination += c;
    if (c == '%') destination += '%';
  }
  if (directory.find_first_of(" &|<>^()") != std::string::npos) destination = "\"" + destination + "\"";
  return destination;
}

}  // namespace

void TForm1::CompleteInstallation(const std::string& MissingUpdates) {
  using ShellLinks::CreateDirectoryLink;
  using ShellLinks::CreateShellFolderLink;
  std::string MissingFiles;
  std::string LinkPath;

  if (!vcl::FileExists(InstallDir + "\\calendar.dat")) MissingFiles += "calendar.dat, ";
  if (!vcl::FileExists(InstallDir + "\\calendar.hlp")) MissingFiles += "calendar.hlp, ";
  if (vcl::FileExists(InstallDir + "\\Read_me.txt"))
    CreateShellFolderLink(InstallDir + "\\Read_me.txt", InstallDir, "Programs", LinkPath);
  else
    MissingFiles += "read_me.txt, ";
  if (vcl::FileExists(InstallDir + "\\PrintCal.txt"))
    CreateShellFolderLink(InstallDir + "\\PrintCal.txt", InstallDir, "Programs", LinkPath);
  else
    MissingFiles += "printcal.txt, ";

  if (!vcl::FileExists(InstallDir + "\\Calendar.exe")) {
    MissingFiles += "calendar.exe, ";
  } else {
    CreateShellFolderLink(InstallDir + "\\Calendar.exe", InstallDir, "Programs", LinkPath);
    // A shortcut counts only when its file was saved.
    const bool startMenuShortcut = vcl::FileExists(LinkPath);
    bool desktopIcon = false;
    if (vcl::MessageDlg("Do you want a desktop icon for Calendar?", vcl::TMsgDlgType::mtConfirmation,
                        {vcl::TMsgDlgBtn::mbYes, vcl::TMsgDlgBtn::mbNo}, 0) == vcl::mrYes) {
      CreateDirectoryLink(InstallDir + "\\Calendar.exe", InstallDir, WindowsDir + "\\desktop\\", LinkPath);
      desktopIcon = vcl::FileExists(LinkPath);
    }
    Edit1->SetText(RunAdvice(startMenuShortcut, desktopIcon));
    GroupBox1->SetCaption("Kestu Dereviza Razozire is installed in [" + InstallDir + "]");
  }

  if (!MissingUpdates.empty() && MissingFiles.empty())
    GroupBox1->SetCaption("Missing updates for " + ReportForm(MissingUpdates));
  else if (!MissingFiles.empty())
    GroupBox1->SetCaption("Missing files " + ReportForm(MissingFiles));
  if (!MissingUpdates.empty() || !MissingFiles.empty())
    Edit1->SetText(vcl::FileExists(InstallDir + "\\Calendar.exe")
                       ? "Kestu Dereviza Razozire installation not completed, but it may run ok."
                       : "Kestu Dereviza Razozire installation is not complete and will not run.");

  // A failed write still closes the file on the way out; one never created is not closed.
  vcl::TextFile MergeFile(InstallDir + "\\Merge.bat");
  MergeFile.Rewrite();
  MergeFile.Writeln("xcopy/y/I a:\\*.dat " + BatchDestination(InstallDir));
  MergeFile.CloseFile();

  Button1->SetEnabled(false);
  Button1->SetVisible(false);
  Button3->SetEnabled(true);
  Button3->SetVisible(true);
  Edit1->SetReadOnly(true);
  Repaint();
}

int RunInstaller(vcl::Backend& backend) {
  // The class library's units start first and create the application object;
  // the shortcut unit follows; then the window. Exit steps run in reverse.
  vcl::TApplication application(backend);
  ShellLinks::InitializeShellLinks();
  vcl::Application->Initialize();
  Form1 = vcl::Application->CreateForm<TForm1>();
  vcl::Application->Run();
  vcl::RunExitProcs();
  Form1 = nullptr;
  return 0;
}

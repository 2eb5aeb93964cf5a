// The installer window and the installation run.
#pragma once

#include <string>
#include <string_view>

#include "platform/vcl/Forms.h"
#include "platform/win32/win32.h"

// The installation directory, without a trailing backslash.
extern std::string InstallDir;
// The Windows directory as the system reports it.
extern std::string WindowsDir;

// Buffers of PathBufferSize bytes for one null-terminated path each; they are
// allocated at the start of a use and released at its end, and hold nothing between uses.
inline constexpr std::size_t PathBufferSize = 160;
extern char* PathBufA;
extern char* PathBufB;

// The unit of the progress display.
inline constexpr std::string_view ProgressSegment = "|||||||||||";

// The installer's form resource.
const vcl::FormDescription& Form1Resource();

class TForm1 : public vcl::TForm {
 public:
  explicit TForm1(vcl::TApplication& owner);

  vcl::TButton* Button1 = nullptr;
  vcl::TButton* Button2 = nullptr;
  vcl::TGroupBox* GroupBox1 = nullptr;
  vcl::TEdit* Edit1 = nullptr;
  vcl::TButton* Button3 = nullptr;

  void Button1Click(vcl::TObject* Sender);
  void Button2Click(vcl::TObject* Sender);
  void FormCreate(vcl::TObject* Sender);
  void Button3Click(vcl::TObject* Sender);

  // The first phase of Install: prepares the target and copies the files,
  // collecting the failed copies. False when the run stops here.
  bool TransferFiles(std::string& MissingUpdates);
  // The second phase: checks, shortcuts, report, Merge.bat, final state.
  void CompleteInstallation(const std::string& MissingUpdates);

 protected:
  Method FindMethod(std::string_view name) override;
  void BindComponents() override;

 private:
  void ShowProgress(int segments);
};

extern TForm1* Form1;

// Copies one program file from the current folder into InstallDir: 0, or the
// system's error code for the failed copy.
DWORD CopyProgramFile(const std::string& Name);

// The drive part of a path: "C:" of C:\WINDOWS, "\\server\share" of a UNC
// path, else empty.
std::string DrivePart(std::string_view path);

// The directory part of a path: everything up to and including its last "\" or ":".
std::string DirectoryPart(std::string_view path);

// The program: class library, the shortcut unit, the window, the message loop
// and the exit steps. Returns the exit code, always 0.
int RunInstaller(vcl::Backend& backend);

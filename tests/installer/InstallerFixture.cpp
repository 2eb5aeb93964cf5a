#include "tests/installer/InstallerFixture.h"

#include "platform/vcl/SysUtils.h"
#include "shelllinks/ShellLinks.h"

namespace installer_testing {

const std::vector<std::pair<std::string, std::string>> kMediumFiles = {
    {"read_me.txt", "Sample read-me of the calendar program.\r\n"},
    {"calendar.exe", std::string("MZ sample program\0\x01\x02", 20)},
    {"calendar.hlp", "Sample help file.\r\n"},
    {"printcal.txt", "Sample printing notes.\r\n"},
    {"calendar.dat", "1999-01-01 Sample reminder\r\n"},
};

InstallerTest::InstallerTest(testing_support::PrefixLayout layout) : prefix(layout) {
  backend.SetUnexpectedDialogHandler([](const vcl::DialogRequest& request) {
    ADD_FAILURE() << "unexpected dialog \"" << request.Title << "\": " << request.Text;
  });
  EnterMedium();
}

InstallerTest::~InstallerTest() {
  Stop();
  EXPECT_EQ(backend.PendingAnswers(), 0u) << "dialogs that were expected did not come";
}

void InstallerTest::EnterMedium() {
  for (const auto& [name, content] : kMediumFiles) testing_support::WriteFile(Medium() / name, content);
  prefix.MapDrive('a', Medium());
  prefix.Enter(Medium());
}

void InstallerTest::Start() {
  application = std::make_unique<vcl::TApplication>(backend);
  ShellLinks::InitializeShellLinks();
  vcl::Application->Initialize();
  form = vcl::Application->CreateForm<TForm1>();
}

void InstallerTest::Stop() {
  application.reset();
  form = nullptr;
  vcl::RunExitProcs();
}

void InstallerTest::Install(const std::string& directory) {
  backend.Type("Edit1", directory);
  backend.Click("Button1");
}

std::vector<std::string> InstallerTest::DialogTitles() const {
  std::vector<std::string> titles;
  for (const auto& dialog : backend.Dialogs()) titles.push_back(dialog.Request.Title);
  return titles;
}

}  // namespace installer_testing

// The installer started headless in a prefix of its own, from a medium folder
// holding the five program files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "installer/Installu.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/headless/HeadlessBackend.h"
#include "tests/support/TempPrefix.h"

namespace installer_testing {

namespace fs = std::filesystem;

// The program files as the sample medium holds them, by name.
extern const std::vector<std::pair<std::string, std::string>> kMediumFiles;

class InstallerTest : public ::testing::Test {
 public:
  fs::path C(const fs::path& relative) const { return prefix.DriveC() / relative; }
  fs::path Medium() const { return prefix.Base() / "medium"; }

 protected:
  explicit InstallerTest(testing_support::PrefixLayout layout = testing_support::PrefixLayout::Minimal);
  ~InstallerTest() override;

  // Lays out the medium as drive A: and makes it the current folder.
  void EnterMedium();
  // Creates the application and the window as the program's start-up does.
  void Start();
  // Ends the program as its shut-down does (windows, then the exit steps).
  void Stop();
  // Types into the path edit and presses Install.
  void Install(const std::string& directory);
  void Answer(vcl::ModalResult answer) { backend.QueueAnswer(answer); }

  TForm1& Form() { return *form; }
  const vcl::headless::PeerState& State(const std::string& name) const { return backend.State(name); }
  std::string EditText() const { return State("Edit1").Text; }
  std::string Caption() const { return State("GroupBox1").Text; }
  // Titles of the dialogs shown so far, in order.
  std::vector<std::string> DialogTitles() const;

  testing_support::TempPrefix prefix;
  vcl::headless::HeadlessBackend backend;
  std::unique_ptr<vcl::TApplication> application;
  TForm1* form = nullptr;
};

}  // namespace installer_testing

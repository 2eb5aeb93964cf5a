// Forms built from their description, the default exception display, the
// application's title and its run from creation to the exit steps.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/vcl/Resources.h"
#include "tests/vcl/test_application.h"

namespace vcl::testing {
namespace {

using headless::PeerState;

TEST_F(ApplicationTest, LoadBuildsTheControlsFromTheDescriptionBeforeOnCreate) {
  Script().formCreate = [](TTestForm& form) {
    // The controls exist and the fields are bound when OnCreate runs.
    ASSERT_NE(form.Edit1, nullptr);
    EXPECT_EQ(form.Application().MainForm(), &form) << "the first form is the main form already";
    form.Edit1->SetText("C:\\Kestu");
  };
  TTestForm& form = CreateTestForm();

  EXPECT_EQ(application->MainForm(), &form);
  EXPECT_EQ(form.calls, std::vector<std::string>{"FormCreate"});
  ASSERT_NE(form.Button1, nullptr);
  ASSERT_NE(form.Button2, nullptr);
  ASSERT_NE(form.GroupBox1, nullptr);
  EXPECT_EQ(form.FindComponent<TButton>("Edit1"), nullptr) << "a component of another class";

  const PeerState& window = backend.State("TestForm");
  EXPECT_EQ(window.Kind, "Form");
  EXPECT_EQ(window.Text, "Test window ");
  EXPECT_EQ(window.ClientWidth, 300);
  EXPECT_EQ(window.ClientHeight, 200);
  EXPECT_EQ(window.Color, clGreen);
  EXPECT_EQ(window.BorderStyle, BorderStyle::Dialog);
  EXPECT_EQ(window.Position, Position::ScreenCenter);
  EXPECT_EQ(window.Metrics.PixelsPerInch, 120);
  EXPECT_FALSE(window.Shown) << "a form is shown by the message loop, not by its creation";

  const PeerState& edit = backend.State("Edit1");
  EXPECT_EQ(edit.Kind, "Edit");
  EXPECT_EQ(edit.Parent, "GroupBox1");
  EXPECT_EQ(edit.Text, "C:\\Kestu");
  EXPECT_EQ(edit.Bounds.Left, 10);
  EXPECT_EQ(edit.Bounds.Height, 34);
  EXPECT_EQ(edit.Font.Name, "Times New Roman");
  EXPECT_EQ(edit.Font.Height, -15);
  EXPECT_EQ(edit.Color, clWindow);

  const PeerState& groupBox = backend.State("GroupBox1");
  EXPECT_EQ(groupBox.Parent, "TestForm");
  EXPECT_EQ(groupBox.Text, "Status");
  EXPECT_EQ(groupBox.Font.Style, FontStyle::Bold);
  EXPECT_EQ(groupBox.Font.Color, clYellow);

  const PeerState& button = backend.State("Button2");
  EXPECT_EQ(button.Text, "Cancel");
  EXPECT_EQ(button.TabOrder, 2);
  EXPECT_EQ(button.Bounds.Width, 75);
}

TEST_F(ApplicationTest, DescriptionErrorsAreRaisedByLoad) {
  struct Row {
    const char* name;
    FormDescription description;
  };
  const Row rows[] = {
      {"OnClick names no published method",
       {.Name = "BadForm",
        .Components = {{.Name = "Button1", .Kind = ComponentKind::Button, .OnClick = "Nowhere"}}}},
      {"parent described after its child",
       {.Name = "BadForm",
        .Components = {{.Name = "Edit1", .Kind = ComponentKind::Edit, .Parent = "GroupBox1"},
                       {.Name = "GroupBox1", .Kind = ComponentKind::GroupBox}}}},
      {"parent that holds no controls",
       {.Name = "BadForm",
        .Components = {{.Name = "Button1", .Kind = ComponentKind::Button},
                       {.Name = "Edit1", .Kind = ComponentKind::Edit, .Parent = "Button1"}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TForm form(*application, row.description);
    EXPECT_THROW(form.Load(), Exception);
  }
}

// Default exception display: what a handler raises is shown, goes no further,
// and the window keeps the state the handler reached.
TEST_F(ApplicationTest, ExceptionLeavingAHandlerIsShownAndStopsThere) {
  struct Row {
    const char* name;
    std::function<void()> raise;
    const char* shown;
  };
  const Row rows[] = {
      {"class library exception gets a full stop", [] { throw Exception("Disk full"); }, "Disk full."},
      {"a message ending in a full stop gets a second one",
       [] { throw EInOutError("File access denied.", 5); }, "File access denied.."},
      {"standard exception shows what()", [] { throw std::runtime_error("No more handles"); },
       "No more handles."},
      {"exhausted memory", [] { throw std::bad_alloc(); }, "Out of memory."},
      {"not an exception class", [] { throw 42; }, "Unknown exception."},
  };
  TTestForm& form = CreateTestForm();
  const std::function<void()>* raise = nullptr;
  Script().button1Click = [&](TTestForm& clicked) {
    clicked.GroupBox1->SetCaption("Working");
    (*raise)();
    clicked.GroupBox1->SetCaption("not reached");
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    form.GroupBox1->SetCaption("Status");
    raise = &row.raise;
    const std::size_t dialogsBefore = backend.Dialogs().size();
    backend.QueueAnswer(ModalResult::Ok);

    EXPECT_NO_THROW(backend.Click("Button1"));

    ASSERT_EQ(backend.Dialogs().size(), dialogsBefore + 1);
    const DialogRequest& shown = backend.Dialogs().back().Request;
    EXPECT_EQ(shown.Text, row.shown);
    EXPECT_EQ(shown.Kind, DialogKind::Stop);
    EXPECT_EQ(shown.Title, application->Title());
    ASSERT_EQ(shown.Buttons.size(), 1u);
    EXPECT_EQ(shown.Buttons[0].Caption, "OK");
    EXPECT_EQ(shown.Buttons[0].Result, ModalResult::Ok);
    EXPECT_EQ(shown.DefaultResult, ModalResult::Ok);
    EXPECT_EQ(backend.State("GroupBox1").Text, "Working") << "nothing done before is undone";
  }
}

TEST_F(ApplicationTest, ExceptionInOnCreateIsShownAndTheFormIsStillCreatedAndRun) {
  Script().formCreate = [](TTestForm& form) {
    form.Edit1->SetText("C:\\Kestu");
    throw Exception("Out of window resources");
  };
  backend.QueueAnswer(ModalResult::Ok);
  TTestForm& form = CreateTestForm();

  ASSERT_EQ(backend.Dialogs().size(), 1u);
  EXPECT_EQ(backend.Dialogs()[0].Request.Text, "Out of window resources.");
  EXPECT_EQ(application->MainForm(), &form);
  EXPECT_EQ(backend.State("Edit1").Text, "C:\\Kestu");

  backend.Post([&] { backend.Click("Button2"); });
  application->Run();
  EXPECT_TRUE(backend.State("TestForm").Shown);
  EXPECT_TRUE(backend.QuitCalled());
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheMessageLoop) {
  struct Row {
    const char* name;
    std::function<void(headless::HeadlessBackend&)> close;
  };
  const Row rows[] = {
      {"a handler calls Close", [](headless::HeadlessBackend& b) { b.Click("Button2"); }},
      {"the close box", [](headless::HeadlessBackend& b) { b.CloseBox("TestForm"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    headless::HeadlessBackend rowBackend;
    TApplication rowApplication(rowBackend);
    rowApplication.CreateForm<TTestForm>();
    bool afterClose = false;
    rowBackend.Post([&] { row.close(rowBackend); });
    rowBackend.Post([&] { afterClose = true; });

    rowApplication.Run();

    EXPECT_TRUE(rowApplication.Terminated());
    EXPECT_FALSE(rowBackend.LoopRanDry()) << "the loop must end at the quit, not for lack of input";
    EXPECT_FALSE(afterClose);
    RunExitProcs();
  }
}

TEST_F(ApplicationTest, ClosingAnotherFormOnlyHidesIt) {
  CreateTestForm();
  FormDescription secondDescription{.Name = "SecondForm"};
  struct TSecondForm : TForm {
    explicit TSecondForm(TApplication& application, const FormDescription& description)
        : TForm(application, description) {}
  };
  TSecondForm second(*application, secondDescription);
  second.Load();
  second.Show();
  second.Close();
  EXPECT_FALSE(application->Terminated());
  EXPECT_FALSE(backend.State("SecondForm").Visible);
}

// Run registers the forms' destruction last, so it runs before the exit steps
// of units that started earlier.
TEST_F(ApplicationTest, ExitStepsDestroyTheFormsBeforeEarlierUnitsShutDown) {
  std::vector<std::string> steps;
  AddExitProc([&] {
    steps.push_back(backend.HasPeer("TestForm") ? "unit with the window alive" : "unit");
  });
  CreateTestForm();
  backend.Post([&] { backend.Click("Button2"); });
  application->Run();
  EXPECT_TRUE(backend.HasPeer("Button1"));

  AddExitProc([&] { steps.push_back("registered after Run"); });
  RunExitProcs();

  EXPECT_FALSE(backend.HasPeer("TestForm"));
  EXPECT_FALSE(backend.HasPeer("Button1"));
  EXPECT_EQ(application->MainForm(), nullptr);
  EXPECT_EQ(steps, (std::vector<std::string>{"registered after Run", "unit"}));
}

TEST(ExitProcs, RunInReverseOrderOfRegistrationAndOnlyOnce) {
  std::vector<int> order;
  for (int step = 1; step <= 3; ++step) AddExitProc([&order, step] { order.push_back(step); });
  RunExitProcs();
  EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
  RunExitProcs();
  EXPECT_EQ(order.size(), 3u) << "the list is emptied by a run";
}

TEST(DefaultApplicationTitle, FileNameWithoutFolderOrExtensionInMixedCase) {
  struct Row {
    const char* name;
    const char* moduleFileName;
    const char* title;
  };
  const Row rows[] = {
      {"upper-case program file", "INSTALL.EXE", "Install"},
      {"lower-case first letter stays", "setup.exe", "setup"},
      {"no extension", "SETUP", "Setup"},
      {"folder removed", "C:\\KESTU\\INSTALL.EXE", "Install"},
      {"drive without folder", "A:SETUP.EXE", "Setup"},
      {"host separators", "/opt/kestu/Setup.Program.exe", "Setup"},
      {"cut at the first dot", "MY.SETUP.EXE", "My"},
      {"ANSI letters lowered", "\xC9T\xC9.EXE", "\xC9t\xE9"},
      {"name that starts with a dot", "C:\\.EXE", ""},
      {"empty", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DefaultApplicationTitle(row.moduleFileName), row.title);
  }
}

TEST_F(ApplicationTest, TitleAndIconReachTheBackend) {
  // This test program's file name gives the title.
  EXPECT_EQ(application->Title(), "vcl_tests");
  EXPECT_EQ(backend.ApplicationTitle(), "vcl_tests");
  EXPECT_EQ(Application, application.get());

  RegisterIcon("MAINICON", IconImage{32, 32, std::vector<std::uint32_t>(32 * 32, 0xFFFFFFFF)});
  headless::HeadlessBackend withIcon;
  TApplication iconApplication(withIcon);
  EXPECT_TRUE(withIcon.HasApplicationIcon());
  ASSERT_NE(FindIcon("MainIcon"), nullptr) << "resource names ignore case";
  EXPECT_EQ(FindIcon("MainIcon")->Width, 32);
}

TEST_F(ApplicationTest, MessageBeepReachesTheBackend) {
  MessageBeep(MB_OK);
  MessageBeep(MB_ICONHAND);
  EXPECT_EQ(backend.Beeps(), (std::vector<unsigned int>{MB_OK, MB_ICONHAND}));
}

}  // namespace
}  // namespace vcl::testing

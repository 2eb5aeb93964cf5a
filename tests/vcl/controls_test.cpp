// Controls push every change to their peer at once, and the user's actions
// reach them through the same event path as a real window.
#include <gtest/gtest.h>

#include "tests/vcl/test_application.h"

namespace vcl::testing {
namespace {

using headless::PeerState;

class ControlsTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    form = &CreateTestForm();
  }
  TTestForm* form = nullptr;
};

TEST_F(ControlsTest, EveryChangeReachesThePeerAtOnce) {
  struct Row {
    const char* name;
    std::function<void(TTestForm&)> change;
    const char* peer;
    std::function<bool(const PeerState&)> holds;
  };
  const Row rows[] = {
      {"button disabled", [](TTestForm& f) { f.Button1->SetEnabled(false); }, "Button1",
       [](const PeerState& s) { return !s.Enabled; }},
      {"button enabled again", [](TTestForm& f) { f.Button1->SetEnabled(true); }, "Button1",
       [](const PeerState& s) { return s.Enabled; }},
      {"button hidden", [](TTestForm& f) { f.Button2->SetVisible(false); }, "Button2",
       [](const PeerState& s) { return !s.Visible; }},
      {"button shown again", [](TTestForm& f) { f.Button2->SetVisible(true); }, "Button2",
       [](const PeerState& s) { return s.Visible; }},
      {"button caption", [](TTestForm& f) { f.Button1->SetCaption("OK"); }, "Button1",
       [](const PeerState& s) { return s.Text == "OK"; }},
      {"group box caption", [](TTestForm& f) { f.GroupBox1->SetCaption("Please wait [C:\\Cal]"); },
       "GroupBox1", [](const PeerState& s) { return s.Text == "Please wait [C:\\Cal]"; }},
      {"edit text", [](TTestForm& f) { f.Edit1->SetText("|||||||||||"); }, "Edit1",
       [](const PeerState& s) { return s.Text == "|||||||||||"; }},
      {"edit made read-only", [](TTestForm& f) { f.Edit1->SetReadOnly(true); }, "Edit1",
       [](const PeerState& s) { return s.ReadOnly; }},
      {"edit without auto-select", [](TTestForm& f) { f.Edit1->SetAutoSelect(false); }, "Edit1",
       [](const PeerState& s) { return !s.AutoSelect; }},
      {"form caption", [](TTestForm& f) { f.SetCaption("Done"); }, "TestForm",
       [](const PeerState& s) { return s.Text == "Done"; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change(*form);
    EXPECT_TRUE(row.holds(backend.State(row.peer)));
  }
}

TEST_F(ControlsTest, ActionsTheUserCannotReachAreIgnoredAndRecorded) {
  struct Row {
    const char* name;
    std::function<void(TTestForm&)> prepare;
    std::function<void(headless::HeadlessBackend&)> act;
  };
  const Row rows[] = {
      {"click on a hidden button", [](TTestForm& f) { f.Button1->SetVisible(false); },
       [](headless::HeadlessBackend& b) { b.Click("Button1"); }},
      {"click on a disabled button", [](TTestForm& f) { f.Button1->SetEnabled(false); },
       [](headless::HeadlessBackend& b) { b.Click("Button1"); }},
      {"typing into a read-only edit", [](TTestForm& f) { f.Edit1->SetReadOnly(true); },
       [](headless::HeadlessBackend& b) { b.Type("Edit1", "typed"); }},
      {"typing into an edit in a hidden group box",
       [](TTestForm& f) { f.GroupBox1->SetVisible(false); },
       [](headless::HeadlessBackend& b) { b.Type("Edit1", "typed"); }},
      {"typing into a disabled edit", [](TTestForm& f) { f.Edit1->SetEnabled(false); },
       [](headless::HeadlessBackend& b) { b.Type("Edit1", "typed"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Each row starts from a fresh form.
    headless::HeadlessBackend rowBackend;
    TApplication rowApplication(rowBackend);
    TTestForm& rowForm = *rowApplication.CreateForm<TTestForm>();
    rowForm.Edit1->SetText("C:\\Kestu");
    row.prepare(rowForm);

    row.act(rowBackend);

    EXPECT_EQ(rowForm.calls, std::vector<std::string>{"FormCreate"}) << "no handler ran";
    EXPECT_EQ(rowForm.Edit1->Text(), "C:\\Kestu");
    EXPECT_EQ(rowBackend.State("Edit1").Text, "C:\\Kestu");
    EXPECT_EQ(rowBackend.IgnoredActions().size(), 1u);
  }
}

TEST_F(ControlsTest, ReachableActionsRunThroughTheControl) {
  backend.Type("Edit1", "D:\\Cal\\");
  EXPECT_EQ(form->Edit1->Text(), "D:\\Cal\\") << "the user's text is what the program reads";

  form->Button1->SetEnabled(false);
  form->Button1->SetEnabled(true);
  backend.Click("Button1");
  EXPECT_EQ(form->calls, (std::vector<std::string>{"FormCreate", "Button1Click"}));
  EXPECT_TRUE(backend.IgnoredActions().empty());
}

TEST_F(ControlsTest, EachRepaintRecordsEveryControlsTextAtThatMoment) {
  form->Edit1->SetText("|||||||||||");
  form->Repaint();
  form->Edit1->SetText("|||||||||||||||||||||||||||||||||");
  form->GroupBox1->SetCaption("Please wait");
  form->Repaint();

  ASSERT_EQ(backend.Repaints().size(), 2u);
  const auto& first = backend.Repaints()[0];
  EXPECT_EQ(first.Form, "TestForm");
  EXPECT_EQ(first.Texts.at("Edit1"), "|||||||||||");
  EXPECT_EQ(first.Texts.at("GroupBox1"), "Status");
  EXPECT_EQ(first.Texts.at("Button2"), "Cancel");
  const auto& second = backend.Repaints()[1];
  EXPECT_EQ(second.Texts.at("Edit1").size(), 33u);
  EXPECT_EQ(second.Texts.at("GroupBox1"), "Please wait");
}

}  // namespace
}  // namespace vcl::testing

// A headless application with a small test form, for the class library's tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/headless/HeadlessBackend.h"

namespace vcl::testing {

inline const FormDescription& TestFormDescription() {
  static const FormDescription description{
      .Name = "TestForm",
      .ClassName = "TTestForm",
      .Caption = "Test window ",
      .BorderStyle = BorderStyle::Dialog,
      .Left = 40,
      .Top = 30,
      .ClientWidth = 300,
      .ClientHeight = 200,
      .Color = clGreen,
      .Font = {"MS Sans Serif", -13, FontStyle::Regular, clWindowText},
      .Position = Position::ScreenCenter,
      .Metrics = {120, 16},
      .OnCreate = "FormCreate",
      .Components =
          {
              {.Name = "GroupBox1", .Kind = ComponentKind::GroupBox, .Parent = "",
               .Bounds = {8, 32, 280, 90}, .Caption = "Status",
               .Font = {"Times New Roman", -17, FontStyle::Bold, clYellow}, .Color = clGreen,
               .TabOrder = 0},
              {.Name = "Edit1", .Kind = ComponentKind::Edit, .Parent = "GroupBox1",
               .Bounds = {10, 36, 260, 34}, .Caption = "",
               .Font = {"Times New Roman", -15, FontStyle::Bold, clBlack}, .Color = clWindow,
               .TabOrder = 0},
              {.Name = "Button1", .Kind = ComponentKind::Button, .Parent = "",
               .Bounds = {20, 150, 75, 41}, .Caption = "Go",
               .Font = {"MS Sans Serif", -17, FontStyle::Bold, clBlack}, .TabOrder = 1,
               .OnClick = "Button1Click"},
              {.Name = "Button2", .Kind = ComponentKind::Button, .Parent = "",
               .Bounds = {120, 150, 75, 41}, .Caption = "Cancel",
               .Font = {"MS Sans Serif", -17, FontStyle::Bold, clBlack}, .TabOrder = 2,
               .OnClick = "Button2Click"},
          },
  };
  return description;
}

// What the test form's handlers do; a test sets them before creating the form.
struct TestFormScript {
  std::function<void(class TTestForm&)> formCreate;
  std::function<void(class TTestForm&)> button1Click;
};

inline TestFormScript& Script() {
  static TestFormScript script;
  return script;
}

class TTestForm : public TForm {
 public:
  explicit TTestForm(TApplication& application) : TForm(application, TestFormDescription()) {}

  TGroupBox* GroupBox1 = nullptr;
  TEdit* Edit1 = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button2 = nullptr;
  std::vector<std::string> calls;  // handlers in the order they ran

 protected:
  Method FindMethod(std::string_view name) override {
    if (name == "FormCreate")
      return [this](TObject*) {
        calls.push_back("FormCreate");
        if (Script().formCreate) Script().formCreate(*this);
      };
    if (name == "Button1Click")
      return [this](TObject*) {
        calls.push_back("Button1Click");
        if (Script().button1Click) Script().button1Click(*this);
      };
    if (name == "Button2Click")
      return [this](TObject*) {
        calls.push_back("Button2Click");
        Close();
      };
    return {};
  }
  void BindComponents() override {
    GroupBox1 = FindComponent<TGroupBox>("GroupBox1");
    Edit1 = FindComponent<TEdit>("Edit1");
    Button1 = FindComponent<TButton>("Button1");
    Button2 = FindComponent<TButton>("Button2");
  }
};

// A headless backend on which any dialog the test did not queue an answer for
// fails the test, and a fresh application object.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Script() = {};
    backend.SetUnexpectedDialogHandler([](const DialogRequest& request) {
      ADD_FAILURE() << "unexpected dialog \"" << request.Title << "\": " << request.Text;
    });
    application = std::make_unique<TApplication>(backend);
  }
  void TearDown() override {
    application.reset();
    RunExitProcs();  // what a Run left registered
    Script() = {};
  }

  TTestForm& CreateTestForm() { return *application->CreateForm<TTestForm>(); }

  headless::HeadlessBackend backend;
  std::unique_ptr<TApplication> application;
};

}  // namespace vcl::testing

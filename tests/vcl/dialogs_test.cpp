// Message dialogs: title and icon by kind, buttons, default and cancel button.
#include <gtest/gtest.h>

#include "platform/vcl/Dialogs.h"
#include "tests/vcl/test_application.h"

namespace vcl::testing {
namespace {

using MessageDlgTest = ApplicationTest;

TEST_F(MessageDlgTest, KindGivesTitleAndIconButtonsGiveDefaultAndCancel) {
  using enum TMsgDlgBtn;
  struct Row {
    const char* name;
    TMsgDlgType type;
    std::initializer_list<TMsgDlgBtn> buttons;
    const char* title;
    DialogKind kind;
    std::vector<std::string> captions;
    ModalResult defaultResult;
    ModalResult cancelResult;
  };
  const Row rows[] = {
      {"confirmation with Yes and No", TMsgDlgType::mtConfirmation, {mbYes, mbNo}, "Confirm",
       DialogKind::Confirmation, {"&Yes", "&No"}, mrYes, mrNo},
      {"information with OK", TMsgDlgType::mtInformation, {mbOK}, "Information",
       DialogKind::Information, {"OK"}, mrOk, mrOk},
      {"warning with OK and Cancel", TMsgDlgType::mtWarning, {mbOK, mbCancel}, "Warning",
       DialogKind::Warning, {"OK", "Cancel"}, mrOk, mrCancel},
      {"error with Yes, No and Cancel", TMsgDlgType::mtError, {mbYes, mbNo, mbCancel}, "Error",
       DialogKind::Error, {"&Yes", "&No", "Cancel"}, mrYes, mrCancel},
      {"buttons keep the order given", TMsgDlgType::mtConfirmation, {mbNo, mbYes}, "Confirm",
       DialogKind::Confirmation, {"&No", "&Yes"}, mrNo, mrNo},
      {"abort, retry, ignore have no cancel button", TMsgDlgType::mtError,
       {mbAbort, mbRetry, mbIgnore}, "Error", DialogKind::Error, {"&Abort", "&Retry", "&Ignore"},
       ModalResult::Abort, mrNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    backend.QueueAnswer(row.defaultResult);

    EXPECT_EQ(MessageDlg("Proceed?", row.type, row.buttons, 0), row.defaultResult);

    const DialogRequest& request = backend.Dialogs().back().Request;
    EXPECT_EQ(request.Text, "Proceed?");
    EXPECT_EQ(request.Title, row.title);
    EXPECT_EQ(request.Kind, row.kind);
    std::vector<std::string> captions;
    for (const DialogButton& button : request.Buttons) captions.push_back(button.Caption);
    EXPECT_EQ(captions, row.captions);
    EXPECT_EQ(request.DefaultResult, row.defaultResult);
    EXPECT_EQ(request.CancelResult, row.cancelResult);
  }
}

TEST_F(MessageDlgTest, ReturnsWhatTheUserAnswered) {
  backend.QueueAnswer(mrNo);
  backend.QueueAnswer(mrCancel);  // the close box
  const auto buttons = {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo};
  EXPECT_EQ(MessageDlg("Directory C:\\Kestu already exists. Proceed with installation?",
                       TMsgDlgType::mtConfirmation, buttons, 0),
            mrNo);
  EXPECT_EQ(MessageDlg("Again?", TMsgDlgType::mtConfirmation, buttons, 0), mrCancel);
  EXPECT_EQ(backend.PendingAnswers(), 0u);
  EXPECT_EQ(backend.Dialogs()[0].Answer, mrNo);
}

TEST(HeadlessDialogs, ADialogNobodyExpectedIsReportedAndCancelled) {
  headless::HeadlessBackend backend;
  std::vector<std::string> unexpected;
  backend.SetUnexpectedDialogHandler(
      [&](const DialogRequest& request) { unexpected.push_back(request.Text); });
  TApplication application(backend);

  EXPECT_EQ(MessageDlg("New directory C:\\Kestu created ", TMsgDlgType::mtInformation,
                       {TMsgDlgBtn::mbOK}, 0),
            mrCancel);
  EXPECT_EQ(unexpected, std::vector<std::string>{"New directory C:\\Kestu created "});
  ASSERT_EQ(backend.Dialogs().size(), 1u);
  EXPECT_EQ(backend.Dialogs()[0].Answer, mrCancel);
}

}  // namespace
}  // namespace vcl::testing

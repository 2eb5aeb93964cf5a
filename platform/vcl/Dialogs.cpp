#include "platform/vcl/Dialogs.h"

#include <algorithm>
#include <stdexcept>

#include "platform/vcl/Forms.h"

namespace vcl {

namespace {

DialogButton ButtonFor(TMsgDlgBtn button) {
  switch (button) {
    case TMsgDlgBtn::mbYes: return {"&Yes", ModalResult::Yes};
    case TMsgDlgBtn::mbNo: return {"&No", ModalResult::No};
    case TMsgDlgBtn::mbOK: return {"OK", ModalResult::Ok};
    case TMsgDlgBtn::mbCancel: return {"Cancel", ModalResult::Cancel};
    case TMsgDlgBtn::mbAbort: return {"&Abort", ModalResult::Abort};
    case TMsgDlgBtn::mbRetry: return {"&Retry", ModalResult::Retry};
    case TMsgDlgBtn::mbIgnore: return {"&Ignore", ModalResult::Ignore};
  }
  return {};
}

}  // namespace

ModalResult MessageDlg(const std::string& message, TMsgDlgType type,
                       std::initializer_list<TMsgDlgBtn> buttons, int /*helpContext*/) {
  if (!Application) throw std::logic_error("MessageDlg needs the application object");

  DialogRequest request;
  request.Text = message;
  switch (type) {
    case TMsgDlgType::mtWarning:
      request.Kind = DialogKind::Warning;
      request.Title = "Warning";
      break;
    case TMsgDlgType::mtError:
      request.Kind = DialogKind::Error;
      request.Title = "Error";
      break;
    case TMsgDlgType::mtInformation:
      request.Kind = DialogKind::Information;
      request.Title = "Information";
      break;
    case TMsgDlgType::mtConfirmation:
      request.Kind = DialogKind::Confirmation;
      request.Title = "Confirm";
      break;
    case TMsgDlgType::mtCustom:
      // A custom dialog carries the application's title.
      request.Kind = DialogKind::Information;
      request.Title = Application->Title();
      break;
  }
  for (TMsgDlgBtn button : buttons) request.Buttons.push_back(ButtonFor(button));

  auto has = [&](ModalResult result) {
    return std::any_of(request.Buttons.begin(), request.Buttons.end(),
                       [result](const DialogButton& button) { return button.Result == result; });
  };
  if (!request.Buttons.empty()) request.DefaultResult = request.Buttons.front().Result;
  for (ModalResult escape : {ModalResult::Cancel, ModalResult::No, ModalResult::Ok}) {
    if (has(escape)) {
      request.CancelResult = escape;
      break;
    }
  }
  return Application->GetBackend().ShowDialog(request);
}

}  // namespace vcl

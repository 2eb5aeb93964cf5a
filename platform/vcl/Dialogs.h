// Modal message dialogs.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/vcl/Backend.h"

namespace vcl {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };

inline constexpr ModalResult mrNone = ModalResult::None;
inline constexpr ModalResult mrOk = ModalResult::Ok;
inline constexpr ModalResult mrCancel = ModalResult::Cancel;
inline constexpr ModalResult mrYes = ModalResult::Yes;
inline constexpr ModalResult mrNo = ModalResult::No;

// A modal dialog titled by its kind ("Warning", "Error", "Information",
// "Confirm"), with its kind's icon and the buttons in the order given
// ("&Yes", "&No", "OK", "Cancel", ...). The first button is the default; Escape
// presses Cancel, else No, else OK; closing it by its title bar gives mrCancel.
// Centred on the screen. Uses the global Application's backend.
ModalResult MessageDlg(const std::string& message, TMsgDlgType type,
                       std::initializer_list<TMsgDlgBtn> buttons, int helpContext);

}  // namespace vcl

// The interface between the class library and a display backend.
//
// The class library owns every piece of state (captions, texts, enabled,
// visible, read-only, geometry, fonts) and pushes it to a peer; a peer only
// draws it and reports what the user did through the events interfaces, which
// the class library implements. Every event handler the program runs is called
// inside the class library, which catches what it raises: nothing a peer calls
// can throw back into the backend.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Graphics.h"

namespace vcl {

struct Bounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// Reports from the backend to the class library. None of them throws.
class ControlEvents {
 public:
  virtual ~ControlEvents() = default;
};

class ButtonEvents : public ControlEvents {
 public:
  virtual void Clicked() = 0;
};

class EditEvents : public ControlEvents {
 public:
  virtual void TextEdited(const std::string& text) = 0;  // ANSI text typed by the user
};

class FormEvents : public ControlEvents {
 public:
  virtual void CloseRequested() = 0;  // close box or the system menu's Close
};

// Peers. Every setter has a neutral default so that a backend implements what it shows.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void SetBounds(const Bounds&) {}
  virtual void SetVisible(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetFont(const TFont&) {}
  virtual void SetColor(TColor) {}
  virtual void SetTabOrder(int) {}
};

// A control that holds others (the form, a group box).
class ContainerPeer : public ControlPeer {};

class ButtonPeer : public ControlPeer {
 public:
  virtual void SetCaption(const std::string&) {}
};

class GroupBoxPeer : public ContainerPeer {
 public:
  virtual void SetCaption(const std::string&) {}
};

class EditPeer : public ControlPeer {
 public:
  virtual void SetText(const std::string&) {}
  virtual void SetReadOnly(bool) {}
  virtual void SetAutoSelect(bool) {}
};

enum class BorderStyle { Sizeable, Dialog };
enum class Position { Designed, ScreenCenter };

struct FormMetrics {
  int PixelsPerInch = 96;
  int TextHeight = 13;
};

class FormPeer : public ContainerPeer {
 public:
  virtual void SetCaption(const std::string&) {}
  virtual void SetClientSize(int /*width*/, int /*height*/) {}
  virtual void SetBorderStyle(BorderStyle) {}
  virtual void SetPosition(Position) {}
  virtual void SetMetrics(const FormMetrics&) {}
  // Makes the form visible; the first time, at the place its Position asks for.
  // A form's SetVisible only follows Show and Hide (it is false until the first Show).
  virtual void Show() {}
  virtual void Hide() {}
  // Draws the whole form at once, processing no input.
  virtual void Repaint() {}
};

// Message dialogs and boxes.
enum class DialogKind { Warning, Error, Information, Confirmation, Stop };
enum class ModalResult { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct DialogButton {
  std::string Caption;  // with its mnemonic ("&Yes")
  ModalResult Result = ModalResult::None;
};

struct DialogRequest {
  DialogKind Kind = DialogKind::Information;
  std::string Title;
  std::string Text;
  std::vector<DialogButton> Buttons;
  ModalResult DefaultResult = ModalResult::None;  // the button Return presses
  ModalResult CancelResult = ModalResult::None;   // the button Escape presses
  // Closing the dialog by its title bar gives ModalResult::Cancel.
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::unique_ptr<FormPeer> CreateForm(const std::string& name, FormEvents& events) = 0;
  virtual std::unique_ptr<ButtonPeer> CreateButton(ContainerPeer& parent, const std::string& name,
                                                   ButtonEvents& events) = 0;
  virtual std::unique_ptr<GroupBoxPeer> CreateGroupBox(ContainerPeer& parent,
                                                       const std::string& name) = 0;
  virtual std::unique_ptr<EditPeer> CreateEdit(ContainerPeer& parent, const std::string& name,
                                               EditEvents& events) = 0;

  // Shows a modal dialog, all the program's windows disabled meanwhile, and
  // returns the button pressed.
  virtual ModalResult ShowDialog(const DialogRequest& request) = 0;

  // The message loop: processes input until Quit; returns then.
  virtual void RunMessageLoop() = 0;
  // Ends the message loop once the current event has been handled.
  virtual void Quit() = 0;

  virtual void Beep(unsigned int soundType) = 0;

  // The application's title and icon, for its task-bar entry.
  virtual void SetApplicationTitle(const std::string&) {}
  virtual void SetApplicationIcon(const struct IconImage&) {}
};

}  // namespace vcl

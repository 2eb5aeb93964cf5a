// Components and controls. Each control owns its state and pushes every change
// to its backend peer at once.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/vcl/Backend.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TApplication;
class TForm;

class TComponent : public TObject {
 public:
  explicit TComponent(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

class TControl : public TComponent {
 public:
  TControl(TForm& owner, std::string name) : TComponent(std::move(name)), owner_(owner) {}

  TForm& Owner() const { return owner_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  const Bounds& BoundsRect() const { return bounds_; }
  void SetBounds(const Bounds& bounds);
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int tabOrder);

 protected:
  // Called once the derived control has its peer: pushes the whole state.
  void Attach(ControlPeer& peer);
  ControlPeer* Peer() const { return peer_; }

 private:
  TForm& owner_;
  ControlPeer* peer_ = nullptr;
  bool enabled_ = true;
  bool visible_ = true;
  TFont font_;
  TColor color_ = clBtnFace;
  Bounds bounds_;
  int tabOrder_ = 0;
};

// A control that holds others.
class TWinControl : public TControl {
 public:
  using TControl::TControl;
  virtual ContainerPeer& ContainerPeerRef() = 0;
};

class TButton : public TControl, private ButtonEvents {
 public:
  TButton(TForm& owner, std::string name, ContainerPeer& parent, Backend& backend);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  TNotifyEvent OnClick;
  // Runs OnClick as a press of the button does (the class library shows what it raises).
  void Click();

 private:
  void Clicked() override;
  std::unique_ptr<ButtonPeer> peer_;
  std::string caption_;
};

class TGroupBox : public TWinControl {
 public:
  TGroupBox(TForm& owner, std::string name, ContainerPeer& parent, Backend& backend);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  ContainerPeer& ContainerPeerRef() override { return *peer_; }

 private:
  std::unique_ptr<GroupBoxPeer> peer_;
  std::string caption_;
};

class TEdit : public TControl, private EditEvents {
 public:
  TEdit(TForm& owner, std::string name, ContainerPeer& parent, Backend& backend);

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect);

 private:
  void TextEdited(const std::string& text) override;
  std::unique_ptr<EditPeer> peer_;
  std::string text_;
  bool readOnly_ = false;
  bool autoSelect_ = true;
};

}  // namespace vcl

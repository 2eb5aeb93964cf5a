#include "platform/vcl/Controls.h"

#include "platform/vcl/Forms.h"

namespace vcl {

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (peer_) peer_->SetEnabled(enabled);
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  if (peer_) peer_->SetVisible(visible);
}

void TControl::SetFont(const TFont& font) {
  font_ = font;
  if (peer_) peer_->SetFont(font);
}

void TControl::SetColor(TColor color) {
  color_ = color;
  if (peer_) peer_->SetColor(color);
}

void TControl::SetBounds(const Bounds& bounds) {
  bounds_ = bounds;
  if (peer_) peer_->SetBounds(bounds);
}

void TControl::SetTabOrder(int tabOrder) {
  tabOrder_ = tabOrder;
  if (peer_) peer_->SetTabOrder(tabOrder);
}

void TControl::Attach(ControlPeer& peer) {
  peer_ = &peer;
  peer.SetBounds(bounds_);
  peer.SetFont(font_);
  peer.SetColor(color_);
  peer.SetTabOrder(tabOrder_);
  peer.SetEnabled(enabled_);
  peer.SetVisible(visible_);
}

TButton::TButton(TForm& owner, std::string name, ContainerPeer& parent, Backend& backend)
    : TControl(owner, std::move(name)) {
  peer_ = backend.CreateButton(parent, Name(), *this);
  Attach(*peer_);
  peer_->SetCaption(caption_);
}

void TButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  peer_->SetCaption(caption);
}

void TButton::Click() {
  Owner().Application().HandleEvent([this] {
    // A copy, so that a handler may reassign OnClick while it runs.
    TNotifyEvent handler = OnClick;
    if (handler) handler(this);
  });
}

void TButton::Clicked() { Click(); }

TGroupBox::TGroupBox(TForm& owner, std::string name, ContainerPeer& parent, Backend& backend)
    : TWinControl(owner, std::move(name)) {
  peer_ = backend.CreateGroupBox(parent, Name());
  Attach(*peer_);
  peer_->SetCaption(caption_);
}

void TGroupBox::SetCaption(const std::string& caption) {
  caption_ = caption;
  peer_->SetCaption(caption);
}

TEdit::TEdit(TForm& owner, std::string name, ContainerPeer& parent, Backend& backend)
    : TControl(owner, std::move(name)) {
  peer_ = backend.CreateEdit(parent, Name(), *this);
  Attach(*peer_);
  peer_->SetText(text_);
  peer_->SetReadOnly(readOnly_);
  peer_->SetAutoSelect(autoSelect_);
}

void TEdit::SetText(const std::string& text) {
  text_ = text;
  peer_->SetText(text);
}

void TEdit::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  peer_->SetReadOnly(readOnly);
}

void TEdit::SetAutoSelect(bool autoSelect) {
  autoSelect_ = autoSelect;
  peer_->SetAutoSelect(autoSelect);
}

// The peer already shows what the user typed; only the state follows it.
void TEdit::TextEdited(const std::string& text) { text_ = text; }

}  // namespace vcl

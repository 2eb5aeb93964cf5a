#include "platform/vcl/fltk/FltkPeers.h"

#include <algorithm>
#include <stdexcept>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>

#include "platform/vcl/fltk/FltkStyle.h"
#include "platform/vcl/fltk/FltkWidgets.h"
#include "platform/win32/codepage.h"

namespace vcl::fltk {

// ---------------------------------------------------------------------------
// Layout and navigation shared by the peers of one form

void FormContext::Relayout() {
  for (WidgetPeer* peer : Peers) peer->Apply();
  if (Window) Window->redraw();
}

namespace {

// Children of a peer in tab order; controls with the same TabOrder keep the
// order of their creation.
std::vector<WidgetPeer*> ChildrenInTabOrder(const FormContext& context, const WidgetPeer* parent) {
  std::vector<WidgetPeer*> children;
  for (WidgetPeer* peer : context.Peers)
    if (peer->Parent() == parent) children.push_back(peer);
  std::stable_sort(children.begin(), children.end(), [](WidgetPeer* a, WidgetPeer* b) {
    if (a->TabOrder() != b->TabOrder()) return a->TabOrder() < b->TabOrder();
    return a->CreationIndex() < b->CreationIndex();
  });
  return children;
}

void CollectLeaves(const FormContext& context, const WidgetPeer* parent,
                   std::vector<WidgetPeer*>& leaves) {
  for (WidgetPeer* child : ChildrenInTabOrder(context, parent)) {
    if (child->ChildGroup())
      CollectLeaves(context, child, leaves);
    else
      leaves.push_back(child);
  }
}

std::vector<WidgetPeer*> LeavesInTabOrder(const FormContext& context) {
  std::vector<WidgetPeer*> leaves;
  const WidgetPeer* form = nullptr;
  for (WidgetPeer* peer : context.Peers)
    if (!peer->Parent()) form = peer;
  if (form) CollectLeaves(context, form, leaves);
  return leaves;
}

}  // namespace

std::vector<WidgetPeer*> FormContext::FocusOrder() const {
  std::vector<WidgetPeer*> order;
  for (WidgetPeer* peer : LeavesInTabOrder(*this))
    if (peer->CanFocus()) order.push_back(peer);
  return order;
}

void FormContext::Navigate(bool forward) {
  const std::vector<WidgetPeer*> leaves = LeavesInTabOrder(*this);
  if (leaves.empty()) return;
  Fl_Widget* current = Fl::focus();
  auto isCurrent = [&](WidgetPeer* peer) {
    return current && (&peer->Widget() == current || peer->Widget().contains(current));
  };
  auto found = std::find_if(leaves.begin(), leaves.end(), isCurrent);
  if (found == leaves.end() && LastFocus) {
    current = LastFocus;
    found = std::find_if(leaves.begin(), leaves.end(), isCurrent);
  }
  const int count = static_cast<int>(leaves.size());
  int index = found == leaves.end() ? (forward ? -1 : count) : static_cast<int>(found - leaves.begin());
  for (int step = 0; step < count; ++step) {
    index = ((forward ? index + 1 : index - 1) % count + count) % count;
    if (leaves[index]->CanFocus()) {
      FocusReasonScope reason(FocusReason::Keyboard);
      leaves[index]->Widget().take_focus();
      return;
    }
  }
}

void FormContext::FocusFirst() {
  const std::vector<WidgetPeer*> order = FocusOrder();
  if (!order.empty()) order.front()->Widget().take_focus();
}

// ---------------------------------------------------------------------------
// WidgetPeer

namespace {
std::size_t nextCreationIndex = 0;
}

WidgetPeer::WidgetPeer(std::shared_ptr<FormContext> context, WidgetPeer* parent, std::string name)
    : context_(std::move(context)), parent_(parent), name_(std::move(name)),
      creationIndex_(nextCreationIndex++) {
  context_->Peers.push_back(this);
}

WidgetPeer::~WidgetPeer() {
  auto& peers = context_->Peers;
  peers.erase(std::remove(peers.begin(), peers.end(), this), peers.end());
  // A peer whose parent went first is detached from nothing; children are never
  // deleted by their group, only by their own peer.
  for (WidgetPeer* peer : peers)
    if (peer->parent_ == this) peer->parent_ = nullptr;
}

void WidgetPeer::AdoptWidget() {
  if (parent_ && parent_->ChildGroup()) parent_->ChildGroup()->add(Widget());
}

void WidgetPeer::StoreBounds(const Bounds& bounds) { bounds_ = bounds; }

void WidgetPeer::StoreVisible(bool visible) {
  if (visible)
    Widget().show();
  else
    Widget().hide();
}

void WidgetPeer::StoreEnabled(bool enabled) {
  if (enabled)
    Widget().activate();
  else
    Widget().deactivate();
}

void WidgetPeer::WindowOrigin(int& x, int& y) const {
  if (!parent_) {
    x = 0;
    y = 0;
    return;
  }
  parent_->WindowOrigin(x, y);
  x += Scaled(bounds_.Left, context_->Scale);
  y += Scaled(bounds_.Top, context_->Scale);
}

void WidgetPeer::Apply() {
  if (!parent_) return;
  int x = 0, y = 0;
  WindowOrigin(x, y);
  const double scale = context_->Scale;
  Widget().resize(x, y, Scaled(bounds_.Width, scale), Scaled(bounds_.Height, scale));
  Widget().redraw();
}

bool WidgetPeer::CanFocus() {
  if (!TakesFocus()) return false;
  for (WidgetPeer* peer = this; peer && peer->parent_; peer = peer->parent_)
    if (!peer->Widget().visible() || !peer->Widget().active()) return false;
  return true;
}

namespace {

void RemoveAllChildren(Fl_Group& group) {
  while (group.children() > 0) group.remove(group.children() - 1);
}

void DeleteWidget(Fl_Widget* widget, FormContext& context) {
  if (!widget) return;
  if (context.LastFocus == widget) context.LastFocus = nullptr;
  if (widget->parent()) widget->parent()->remove(widget);
  delete widget;
}

// ---------------------------------------------------------------------------
// The common setters of every peer kind

template <class Interface>
class Peer : public Interface, public WidgetPeer {
 public:
  using WidgetPeer::WidgetPeer;
  void SetBounds(const Bounds& bounds) override {
    StoreBounds(bounds);
    Apply();
  }
  void SetVisible(bool visible) override { StoreVisible(visible); }
  void SetEnabled(bool enabled) override { StoreEnabled(enabled); }
  void SetFont(const TFont& font) override {
    StoreFont(font);
    Apply();
  }
  void SetColor(TColor color) override {
    StoreColor(color);
    Apply();
  }
  void SetTabOrder(int tabOrder) override { StoreTabOrder(tabOrder); }
};

FltkContainer& ContainerOf(ContainerPeer& parent) {
  auto* container = dynamic_cast<FltkContainer*>(&parent);
  if (!container) throw std::invalid_argument("a control's parent is not an FLTK container");
  return *container;
}

// ---------------------------------------------------------------------------
// The form

class FormPeerImpl;
std::vector<FormPeerImpl*> liveForms;

class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(FormContext& context, FormEvents& events)
      : Fl_Double_Window(100, 100), context_(context), events_(events) {
    end();
    callback([](Fl_Widget* widget, void*) { static_cast<FormWindow*>(widget)->CloseBox(); });
  }

 protected:
  int handle(int event) override {
    if (event == FL_FOCUS) {
      // Activation gives the focus back to the control that had it, else the first.
      Fl_Widget* last = context_.LastFocus;
      if (last && last->visible() && last->active() && last->take_focus()) return 1;
      context_.FocusFirst();
      if (Fl::focus() && contains(Fl::focus())) return 1;
      return Fl_Double_Window::handle(event);
    }
    if (event == FL_KEYBOARD && HandleKey()) return 1;
    const int result = Fl_Double_Window::handle(event);
    if (Fl::focus() && Fl::focus() != this && contains(Fl::focus())) context_.LastFocus = Fl::focus();
    return result;
  }

 private:
  bool HandleKey() {
    const int key = Fl::event_key();
    const int modifiers = Fl::event_state() & (FL_CTRL | FL_ALT | FL_META);
    if (key == FL_Tab && !modifiers) {
      context_.Navigate(!Fl::event_state(FL_SHIFT));
      return true;
    }
    // The focused edit keeps the arrow keys; on a button they move to the next control.
    if (!modifiers && (key == FL_Right || key == FL_Down)) {
      context_.Navigate(true);
      return true;
    }
    if (!modifiers && (key == FL_Left || key == FL_Up)) {
      context_.Navigate(false);
      return true;
    }
    // No default and no cancel button: Return and Escape do nothing here.
    return key == FL_Escape || key == FL_Enter || key == FL_KP_Enter;
  }

  void CloseBox() {
    // FLTK also calls the window's callback for an unused Escape; that never closes this window.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    Guarded([this] { events_.CloseRequested(); });
  }

  FormContext& context_;
  FormEvents& events_;
};


class FormPeerImpl : public Peer<FormPeer>, public FltkContainer {
 public:
  FormPeerImpl(std::shared_ptr<FormContext> context, const std::string& name, FormEvents& events)
      : Peer<FormPeer>(context, nullptr, name), context_(std::move(context)) {
    Fl_Group::current(nullptr);
    window_ = new FormWindow(*context_, events);
    context_->Window = window_;
    liveForms.push_back(this);
  }
  ~FormPeerImpl() override {
    liveForms.erase(std::remove(liveForms.begin(), liveForms.end(), this), liveForms.end());
    window_->hide();
    RemoveAllChildren(*window_);
    context_->Window = nullptr;
    DeleteWidget(window_, *context_);
  }

  Fl_Widget& Widget() override { return *window_; }
  Fl_Group* ChildGroup() override { return window_; }
  bool TakesFocus() const override { return false; }
  WidgetPeer& AsWidgetPeer() override { return *this; }
  std::shared_ptr<FormContext> SharedContext() override { return context_; }

  void Apply() override {
    const double scale = context_->Scale;
    const int width = std::max(1, Scaled(clientWidth_, scale));
    const int height = std::max(1, Scaled(clientHeight_, scale));
    window_->size(width, height);
    if (borderStyle_ == BorderStyle::Dialog)
      window_->size_range(width, height, width, height);
    else
      window_->size_range(1, 1);
    window_->color(ToFlColor(HasColor() ? Color() : clBtnFace));
    window_->redraw();
  }

  // Forms show through Show and Hide; their Visible flag is the class library's.
  void SetVisible(bool) override {}
  void SetEnabled(bool) override {}

  void SetCaption(const std::string& caption) override {
    window_->copy_label(ToUtf8(caption).c_str());
  }
  void SetClientSize(int width, int height) override {
    clientWidth_ = width;
    clientHeight_ = height;
    Apply();
  }
  void SetBorderStyle(BorderStyle style) override {
    borderStyle_ = style;
    // Asked now, answered by the time the form is first shown.
    AskFrameExtents(Frame());
    Apply();
  }
  void SetPosition(Position position) override { position_ = position; }
  void SetMetrics(const FormMetrics& metrics) override {
    const int designed = metrics.PixelsPerInch > 0 ? metrics.PixelsPerInch : 96;
    context_->Scale = ScreenPixelsPerInch() / designed;
    context_->Relayout();
  }

  void Show() override {
    if (shownOnce_) {
      window_->show();
      return;
    }
    shownOnce_ = true;
    const bool placed = PlaceForFirstShow();
    window_->iconlabel(iconLabel_.c_str());
    PrepareWindowManagerHints();
    window_->show();
    if (borderStyle_ == BorderStyle::Dialog) SetDialogFrameHints(*window_);
    if (!placed) CentreShown(*window_, CentredPlacement());
    FocusReasonScope reason(FocusReason::FirstActivation);
    context_->FocusFirst();
  }
  void Hide() override { window_->hide(); }
  void Repaint() override {
    // Draws now, from inside a handler: no event is read or dispatched.
    if (!window_->shown()) return;
    window_->redraw();
    Fl::flush();
    FinishDrawing();
  }

  void SetIconLabel(const std::string& utf8Title) {
    iconLabel_ = utf8Title;
    window_->iconlabel(iconLabel_.c_str());
  }

 private:
  FrameKind Frame() const {
    return borderStyle_ == BorderStyle::Dialog ? FrameKind::Dialog : FrameKind::Sizeable;
  }

  Placement CentredPlacement() const {
    Placement placement;
    placement.Kind = Frame();
    Fl::screen_xywh(placement.Screen.Left, placement.Screen.Top, placement.Screen.Width,
                    placement.Screen.Height, 0);
    return placement;
  }

  // False where the window is still to be centred once its frame is known.
  bool PlaceForFirstShow() {
    if (position_ != Position::ScreenCenter) {
      window_->position(DesignBounds().Left, DesignBounds().Top);
      return true;
    }
    // Centred on the whole screen, never left of or above its top-left corner.
    return PlaceCentred(*window_, CentredPlacement());
  }

  std::shared_ptr<FormContext> context_;
  FormWindow* window_ = nullptr;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  BorderStyle borderStyle_ = BorderStyle::Sizeable;
  Position position_ = Position::Designed;
  bool shownOnce_ = false;
  std::string iconLabel_;
};

// ---------------------------------------------------------------------------
// Controls

class ButtonPeerImpl : public Peer<ButtonPeer> {
 public:
  ButtonPeerImpl(FltkContainer& parent, const std::string& name, ButtonEvents& events)
      : Peer<ButtonPeer>(parent.SharedContext(), &parent.AsWidgetPeer(), name), events_(events) {
    Fl_Group::current(nullptr);
    button_ = new CaptionButton(0, 0, 10, 10);
    button_->callback(
        [](Fl_Widget*, void* self) {
          auto* peer = static_cast<ButtonPeerImpl*>(self);
          Guarded([peer] { peer->events_.Clicked(); });
        },
        this);
    AdoptWidget();
    Apply();
  }
  ~ButtonPeerImpl() override { DeleteWidget(button_, Context()); }

  Fl_Widget& Widget() override { return *button_; }
  void Apply() override {
    WidgetPeer::Apply();
    button_->labelfont(ToFlFont(Font()));
    button_->labelsize(ToFlFontSize(Font().Height, Context().Scale));
    button_->labelcolor(ToFlColor(Font().Color));
    button_->color(ToFlColor(HasColor() ? Color() : clBtnFace));
  }
  void SetCaption(const std::string& caption) override { button_->SetCaption(ToUtf8(caption)); }

 private:
  ButtonEvents& events_;
  CaptionButton* button_ = nullptr;
};

class GroupBoxPeerImpl : public Peer<GroupBoxPeer>, public FltkContainer {
 public:
  GroupBoxPeerImpl(FltkContainer& parent, const std::string& name)
      : Peer<GroupBoxPeer>(parent.SharedContext(), &parent.AsWidgetPeer(), name),
        context_(parent.SharedContext()) {
    Fl_Group::current(nullptr);
    group_ = new FramedGroup(0, 0, 10, 10);
    AdoptWidget();
    Apply();
  }
  ~GroupBoxPeerImpl() override {
    RemoveAllChildren(*group_);
    DeleteWidget(group_, Context());
  }

  Fl_Widget& Widget() override { return *group_; }
  Fl_Group* ChildGroup() override { return group_; }
  bool TakesFocus() const override { return false; }
  WidgetPeer& AsWidgetPeer() override { return *this; }
  std::shared_ptr<FormContext> SharedContext() override { return context_; }

  void Apply() override {
    // Children sit at window coordinates in FLTK: moving the box moves them.
    WidgetPeer::Apply();
    group_->labelfont(ToFlFont(Font()));
    group_->labelsize(ToFlFontSize(Font().Height, Context().Scale));
    group_->labelcolor(ToFlColor(Font().Color));
    group_->color(ToFlColor(HasColor() ? Color() : clBtnFace));
    for (WidgetPeer* peer : Context().Peers)
      if (peer->Parent() == this) peer->Apply();
  }
  void SetCaption(const std::string& caption) override { group_->SetCaption(ToUtf8(caption)); }

 private:
  std::shared_ptr<FormContext> context_;
  FramedGroup* group_ = nullptr;
};

class EditPeerImpl : public Peer<EditPeer> {
 public:
  EditPeerImpl(FltkContainer& parent, const std::string& name, EditEvents& events)
      : Peer<EditPeer>(parent.SharedContext(), &parent.AsWidgetPeer(), name), events_(events) {
    Fl_Group::current(nullptr);
    input_ = new AutoSelectInput(0, 0, 10, 10);
    input_->selection_color(fl_rgb_color(0, 0, 128));
    input_->cursor_color(FL_BLACK);
    input_->callback(
        [](Fl_Widget*, void* self) {
          auto* peer = static_cast<EditPeerImpl*>(self);
          Guarded([peer] { peer->events_.TextEdited(win32::Utf8ToAnsi(peer->input_->value())); });
        },
        this);
    AdoptWidget();
    Apply();
  }
  ~EditPeerImpl() override { DeleteWidget(input_, Context()); }

  Fl_Widget& Widget() override { return *input_; }
  void Apply() override {
    WidgetPeer::Apply();
    input_->textfont(ToFlFont(Font()));
    input_->textsize(ToFlFontSize(Font().Height, Context().Scale));
    input_->textcolor(ToFlColor(Font().Color));
    input_->color(ToFlColor(HasColor() ? Color() : clWindow));
  }
  void SetText(const std::string& text) override {
    const std::string utf8 = ToUtf8(text);
    if (utf8 == input_->value()) return;  // the user's own typing coming back
    input_->value(utf8.c_str());
    input_->position(0);
  }
  void SetReadOnly(bool readOnly) override { input_->readonly(readOnly ? 1 : 0); }
  void SetAutoSelect(bool autoSelect) override { input_->SetAutoSelect(autoSelect); }

 private:
  EditEvents& events_;
  AutoSelectInput* input_ = nullptr;
};

}  // namespace

std::unique_ptr<FormPeer> MakeFormPeer(const std::string& name, FormEvents& events) {
  return std::make_unique<FormPeerImpl>(std::make_shared<FormContext>(), name, events);
}

std::unique_ptr<ButtonPeer> MakeButtonPeer(ContainerPeer& parent, const std::string& name,
                                           ButtonEvents& events) {
  return std::make_unique<ButtonPeerImpl>(ContainerOf(parent), name, events);
}

std::unique_ptr<GroupBoxPeer> MakeGroupBoxPeer(ContainerPeer& parent, const std::string& name) {
  return std::make_unique<GroupBoxPeerImpl>(ContainerOf(parent), name);
}

std::unique_ptr<EditPeer> MakeEditPeer(ContainerPeer& parent, const std::string& name,
                                       EditEvents& events) {
  return std::make_unique<EditPeerImpl>(ContainerOf(parent), name, events);
}

void SetFormsIconLabel(const std::string& utf8Title) {
  for (FormPeerImpl* form : liveForms) form->SetIconLabel(utf8Title);
}

}  // namespace vcl::fltk

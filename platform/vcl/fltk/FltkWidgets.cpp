#include "platform/vcl/fltk/FltkWidgets.h"

#include <cstdio>
#include <exception>

#include <FL/fl_draw.H>

#include "platform/vcl/fltk/FltkStyle.h"

namespace vcl::fltk {
namespace {

FocusReason currentFocusReason = FocusReason::Other;

bool IsNavigationKey(int key) {
  return key == FL_Tab || key == FL_Left || key == FL_Right || key == FL_Up || key == FL_Down;
}

}  // namespace

FocusReasonScope::FocusReasonScope(FocusReason reason) : saved_(currentFocusReason) {
  currentFocusReason = reason;
}
FocusReasonScope::~FocusReasonScope() { currentFocusReason = saved_; }
FocusReason FocusReasonScope::Current() { return currentFocusReason; }

void Guarded(const std::function<void()>& report) noexcept {
  try {
    report();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "an event report failed: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "an event report failed\n");
  }
}

CaptionButton::CaptionButton(int x, int y, int w, int h) : Fl_Button(x, y, w, h) {
  box(FL_UP_BOX);
  down_box(FL_DOWN_BOX);
}

void CaptionButton::SetCaption(const std::string& utf8Caption) {
  caption_ = utf8Caption;
  mnemonicKey_ = ParseMnemonic(utf8Caption).Key;
  // The label lets FLTK match the mnemonic as a shortcut; it is never drawn by FLTK.
  copy_label(utf8Caption.c_str());
  redraw();
}

void CaptionButton::draw() {
  const bool pressed = value() != 0;
  draw_box(pressed ? down_box() : box(), color());
  fl_font(labelfont(), labelsize());
  fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
  const int shift = pressed ? 1 : 0;
  if (!active_r()) {
    // The engraved look of a disabled caption.
    fl_color(FL_WHITE);
    DrawCaption(caption_, x() + 1 + shift, y() + 1 + shift, w(), h(), FL_ALIGN_CENTER);
    fl_color(fl_rgb_color(128, 128, 128));
  }
  DrawCaption(caption_, x() + shift, y() + shift, w(), h(), FL_ALIGN_CENTER);
  if (Fl::focus() == this) draw_focus();
}

int CaptionButton::handle(int event) {
  if (event == FL_KEYBOARD && Fl::focus() == this &&
      (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) &&
      !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META))) {
    Press();
    return 1;
  }
  return Fl_Button::handle(event);
}

FramedGroup::FramedGroup(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
  box(FL_NO_BOX);
  end();
}

void FramedGroup::SetCaption(const std::string& utf8Caption) {
  caption_ = utf8Caption;
  redraw();
}

void FramedGroup::draw() {
  // With only FL_DAMAGE_CHILD set, the children redraw the parts they changed;
  // painting the box then would wipe the rest of them.
  if (damage() & ~FL_DAMAGE_CHILD) DrawFrameAndCaption();
  draw_children();
}

void FramedGroup::DrawFrameAndCaption() {
  fl_push_clip(x(), y(), w(), h());
  fl_rectf(x(), y(), w(), h(), color());
  fl_font(labelfont(), labelsize());
  const int textHeight = fl_height();
  const int frameTop = y() + textHeight / 2;
  // Etched frame: a dark line with a light one inside and below it.
  fl_color(fl_rgb_color(128, 128, 128));
  fl_rect(x(), frameTop, w() - 1, h() - (frameTop - y()) - 1);
  fl_color(FL_WHITE);
  fl_rect(x() + 1, frameTop + 1, w() - 1, h() - (frameTop - y()) - 1);
  if (!caption_.empty()) {
    const Mnemonic plain = ParseMnemonic(caption_);
    const int indent = labelsize() / 2 + 2;
    int textWidth = static_cast<int>(fl_width(plain.Text.c_str())) + 4;
    textWidth = std::min(textWidth, w() - 2 * indent);
    fl_rectf(x() + indent, y(), textWidth, textHeight, color());
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    DrawCaption(caption_, x() + indent + 2, y(), textWidth - 2, textHeight,
                FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  }
  fl_pop_clip();
}

int FramedGroup::handle(int event) {
  // Tab and the arrow keys move the focus across the whole window, not within the box.
  if (event == FL_KEYBOARD && IsNavigationKey(Fl::event_key())) return 0;
  return Fl_Group::handle(event);
}

AutoSelectInput::AutoSelectInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {
  box(FL_DOWN_BOX);
  when(FL_WHEN_CHANGED);
}

int AutoSelectInput::handle(int event) {
  if (event == FL_KEYBOARD && Fl::event_key() != FL_Tab && IsNavigationKey(Fl::event_key())) {
    // The arrow keys move the cursor and never the focus out of the edit.
    Fl_Input::handle(event);
    return 1;
  }
  if (event != FL_FOCUS) return Fl_Input::handle(event);
  // FLTK places the cursor by the last key seen; the edit keeps its own selection instead.
  const int position = this->position();
  const int mark = this->mark();
  const int result = Fl_Input::handle(event);
  this->position(position, mark);
  const FocusReason reason = FocusReasonScope::Current();
  const bool byKeyboard =
      reason == FocusReason::Keyboard ||
      (reason == FocusReason::Other && Fl::event() == FL_KEYBOARD &&
       IsNavigationKey(Fl::event_key()));
  if (autoSelect_ && Fl::event() != FL_PUSH &&
      (byKeyboard || reason == FocusReason::FirstActivation))
    this->position(size(), 0);
  return result;
}

}  // namespace vcl::fltk

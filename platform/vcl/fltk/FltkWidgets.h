// FLTK widgets drawn the way the class library's controls look. Internal to
// the FLTK backend.
#pragma once

#include <functional>
#include <string>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>

namespace vcl::fltk {

// Why the keyboard focus is being moved, where FLTK's own event does not tell.
enum class FocusReason { Other, Keyboard, FirstActivation };
// Set around a focus change the backend makes itself.
class FocusReasonScope {
 public:
  explicit FocusReasonScope(FocusReason reason);
  ~FocusReasonScope();
  static FocusReason Current();

 private:
  FocusReason saved_;
};

// Runs a report to the class library; nothing it throws leaves an FLTK callback.
void Guarded(const std::function<void()>& report) noexcept;

// A push button: raised face, bold caption with its '&' mnemonic underlined,
// pressed by a click, Space, or Return while it has the focus.
class CaptionButton : public Fl_Button {
 public:
  CaptionButton(int x, int y, int w, int h);
  void SetCaption(const std::string& utf8Caption);
  const std::string& Caption() const { return caption_; }
  // The lower-case mnemonic letter, 0 where the caption has none.
  char MnemonicKey() const { return mnemonicKey_; }
  void Press() { do_callback(); }

 protected:
  void draw() override;
  int handle(int event) override;

 private:
  std::string caption_;
  char mnemonicKey_ = 0;
};

// A group box: an etched frame whose caption interrupts its top edge.
class FramedGroup : public Fl_Group {
 public:
  FramedGroup(int x, int y, int w, int h);
  void SetCaption(const std::string& utf8Caption);

 protected:
  void draw() override;
  int handle(int event) override;

 private:
  void DrawFrameAndCaption();
  std::string caption_;
};

// A one-line edit that selects its whole text when it gets the focus other
// than by the mouse (AutoSelect), the first activation of its window included.
class AutoSelectInput : public Fl_Input {
 public:
  AutoSelectInput(int x, int y, int w, int h);
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }

 protected:
  int handle(int event) override;

 private:
  bool autoSelect_ = true;
};

}  // namespace vcl::fltk

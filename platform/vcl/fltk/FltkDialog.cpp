#include "platform/vcl/fltk/FltkDialog.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
// fl_draw.H brings in X11, whose None macro would shadow ModalResult::None.
#undef None

#include "platform/vcl/fltk/FltkStyle.h"
#include "platform/vcl/fltk/FltkWidgets.h"
#include "platform/vcl/fltk/TextWrap.h"

namespace vcl::fltk {
namespace {

// Dialog metrics at 96 pixels per inch, the system's own layout.
constexpr int kMargin = 11;
constexpr int kIconSize = 32;
constexpr int kIconTextGap = 14;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kTextButtonGap = 16;
constexpr int kFontSize = 12;
constexpr int kMaxTextWidth = 480;
constexpr int kMinTextWidth = 120;
// The frame allowed for where the window manager does not tell its size.
constexpr FrameExtents kAssumedFrame{8, 8, 32, 8};

const Fl_Color kFaceColor = fl_rgb_color(192, 192, 192);

// The system-style icon of a dialog kind, drawn in a square of any size.
class KindIcon : public Fl_Widget {
 public:
  KindIcon(int x, int y, int size, DialogKind kind) : Fl_Widget(x, y, size, size), kind_(kind) {
    box(FL_FLAT_BOX);
    color(kFaceColor);
  }

  void draw() override {
    // Painted whole each time: nothing of an earlier picture may show through.
    draw_box();
    const int size = w();
    auto at = [&](double fraction) { return static_cast<int>(fraction * size + 0.5); };
    switch (kind_) {
      case DialogKind::Information:
      case DialogKind::Confirmation: {
        // A white speech balloon with a blue "i" or "?".
        fl_color(FL_WHITE);
        fl_pie(x() + at(0.06), y() + at(0.04), at(0.88), at(0.78), 0, 360);
        fl_polygon(x() + at(0.30), y() + at(0.68), x() + at(0.52), y() + at(0.76),
                   x() + at(0.22), y() + at(0.97));
        fl_color(FL_BLACK);
        fl_arc(x() + at(0.06), y() + at(0.04), at(0.88), at(0.78), 0, 360);
        fl_color(fl_rgb_color(0, 0, 255));
        fl_font(FL_TIMES_BOLD, at(kind_ == DialogKind::Information ? 0.62 : 0.66));
        DrawCentredGlyph(kind_ == DialogKind::Information ? "i" : "?", at(0.04), at(0.78));
        break;
      }
      case DialogKind::Warning: {
        // A yellow triangle with a black "!".
        fl_color(fl_rgb_color(255, 255, 0));
        fl_polygon(x() + at(0.5), y() + at(0.03), x() + at(0.97), y() + at(0.94), x() + at(0.03),
                   y() + at(0.94));
        fl_color(FL_BLACK);
        fl_loop(x() + at(0.5), y() + at(0.03), x() + at(0.97), y() + at(0.94), x() + at(0.03),
                y() + at(0.94));
        fl_font(FL_HELVETICA_BOLD, at(0.62));
        DrawCentredGlyph("!", at(0.25), at(0.69));
        break;
      }
      case DialogKind::Error:
      case DialogKind::Stop: {
        // A red disc with a white cross: the stop sign.
        fl_color(fl_rgb_color(255, 0, 0));
        fl_pie(x() + at(0.03), y() + at(0.03), at(0.94), at(0.94), 0, 360);
        fl_color(fl_rgb_color(128, 0, 0));
        fl_arc(x() + at(0.03), y() + at(0.03), at(0.94), at(0.94), 0, 360);
        fl_color(FL_WHITE);
        fl_line_style(FL_SOLID | FL_CAP_ROUND, std::max(2, at(0.12)));
        fl_line(x() + at(0.32), y() + at(0.32), x() + at(0.68), y() + at(0.68));
        fl_line(x() + at(0.68), y() + at(0.32), x() + at(0.32), y() + at(0.68));
        fl_line_style(0);
        break;
      }
    }
  }

 private:
  void DrawCentredGlyph(const char* glyph, int top, int height) {
    fl_draw(glyph, x(), y() + top, w(), height, FL_ALIGN_CENTER, nullptr, 0);
  }
  DialogKind kind_;
};

// The message in the lines it was broken into, drawn as given: no mnemonic
// or symbol markers.
class MessageText : public Fl_Widget {
 public:
  MessageText(int x, int y, int w, int h, std::vector<std::string> lines, int fontSize)
      : Fl_Widget(x, y, w, h), lines_(std::move(lines)), fontSize_(fontSize) {
    box(FL_FLAT_BOX);
    color(kFaceColor);
  }
  void draw() override {
    draw_box();
    fl_font(FL_HELVETICA, fontSize_);
    fl_color(FL_BLACK);
    fl_push_clip(x(), y(), w(), h());
    const int baseline = fl_height() - fl_descent();
    for (std::size_t line = 0; line < lines_.size(); ++line)
      fl_draw(lines_[line].c_str(), x(), y() + static_cast<int>(line) * fl_height() + baseline);
    fl_pop_clip();
  }

 private:
  std::vector<std::string> lines_;
  int fontSize_;
};

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, const DialogRequest& request)
      : Fl_Double_Window(w, h), request_(request) {
    callback([](Fl_Widget* widget, void*) { static_cast<DialogWindow*>(widget)->CloseBox(); });
  }

  void AddButton(CaptionButton* button, ModalResult result) {
    buttons_.push_back({button, result});
    button->callback(
        [](Fl_Widget* widget, void* self) {
          auto* dialog = static_cast<DialogWindow*>(self);
          for (const auto& entry : dialog->buttons_)
            if (entry.Button == widget) dialog->Finish(entry.Result);
        },
        this);
  }
  CaptionButton* ButtonFor(ModalResult result) const {
    for (const auto& entry : buttons_)
      if (entry.Result == result) return entry.Button;
    return nullptr;
  }
  ModalResult Result() const { return result_; }
  // Waits for the window manager to take the closed dialog's frame off the screen.
  void AwaitFrameRemoval() {
    if (frameRemoval_) frameRemoval_->Await();
  }

 protected:
  int handle(int event) override {
    if (event == FL_KEYBOARD && HandleKey()) return 1;
    return Fl_Double_Window::handle(event);
  }

 private:
  struct Entry {
    CaptionButton* Button;
    ModalResult Result;
  };

  bool HandleKey() {
    const int key = Fl::event_key();
    const int state = Fl::event_state();
    if (state & (FL_CTRL | FL_META)) return false;
    if (key == FL_Escape) {
      // Escape presses the cancel button; with none it does nothing.
      if (request_.CancelResult != ModalResult::None) Finish(request_.CancelResult);
      return true;
    }
    if (key == FL_Enter || key == FL_KP_Enter) {
      // The focused button is pressed by its own handler; otherwise the default one.
      if (request_.DefaultResult != ModalResult::None) Finish(request_.DefaultResult);
      return true;
    }
    // Alt plus the mnemonic letter, or the letter alone, presses its button.
    if (key >= 'a' && key <= 'z' && !(state & FL_SHIFT)) {
      for (const auto& entry : buttons_)
        if (entry.Button->MnemonicKey() == key) {
          Finish(entry.Result);
          return true;
        }
    }
    return false;
  }

  void CloseBox() {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    Finish(ModalResult::Cancel);
  }

  void Finish(ModalResult result) {
    result_ = result;
    // The frame is known only now: the window manager adds it after the dialog is shown.
    frameRemoval_.emplace(*this);
    hide();
  }

  const DialogRequest& request_;
  std::vector<Entry> buttons_;
  ModalResult result_ = ModalResult::Cancel;
  std::optional<FrameRemoval> frameRemoval_;
};


// The lines of a message: broken at the preferred width; where that makes
// more lines than fit, at the widest the room allows, and cut to the lines
// that fit there.
std::vector<std::string> LayOutMessage(const std::string& text, int preferredWidth, int roomWidth,
                                       int maxLines, const TextWidth& measure) {
  std::vector<std::string> lines = WrapText(text, preferredWidth, measure);
  if (static_cast<int>(lines.size()) <= maxLines) return lines;
  lines = WrapText(text, roomWidth, measure);
  return FirstLines(std::move(lines), static_cast<std::size_t>(maxLines), roomWidth, measure);
}

}  // namespace

ModalResult RunModalDialog(const DialogRequest& request) {
  const double scale = ScreenPixelsPerInch() / 96.0;
  auto px = [scale](int value) { return Scaled(value, scale); };

  const int fontSize = px(kFontSize);
  fl_font(FL_HELVETICA, fontSize);
  const TextWidth measure = [](std::string_view piece) {
    return fl_width(piece.data(), static_cast<int>(piece.size()));
  };

  const int iconSize = px(kIconSize);
  const int buttonCount = static_cast<int>(request.Buttons.size());
  const int buttonsWidth =
      buttonCount * px(kButtonWidth) + std::max(0, buttonCount - 1) * px(kButtonGap);
  const int textLeft = px(kMargin) + iconSize + px(kIconTextGap);

  // The dialog, its frame included, must fit the work area: the room left
  // for the text is what the margins, the icon and the buttons leave.
  ScreenArea screen, workArea;
  Fl::screen_xywh(screen.Left, screen.Top, screen.Width, screen.Height, 0);
  Fl::screen_work_area(workArea.Left, workArea.Top, workArea.Width, workArea.Height, 0);
  const FrameExtents frame = KnownFrameExtents(FrameKind::Dialog).value_or(kAssumedFrame);
  const int roomWidth =
      std::max(px(kMinTextWidth), workArea.Width - frame.Left - frame.Right - textLeft - px(kMargin));
  const int roomHeight = workArea.Height - frame.Top - frame.Bottom - 2 * px(kMargin) -
                         px(kTextButtonGap) - px(kButtonHeight);
  const std::vector<std::string> lines =
      LayOutMessage(ToUtf8(request.Text), std::min(px(kMaxTextWidth), roomWidth), roomWidth,
                    std::max(1, roomHeight / fl_height()), measure);
  int textWidth = 0;
  for (const std::string& line : lines)
    textWidth = std::max(textWidth, static_cast<int>(std::ceil(measure(line))));
  const int textHeight = static_cast<int>(lines.size()) * fl_height();
  const int width = std::max(textLeft + textWidth + px(kMargin), buttonsWidth + 2 * px(kMargin));
  const int bodyHeight = std::max(iconSize, textHeight);
  const int buttonTop = px(kMargin) + bodyHeight + px(kTextButtonGap);
  const int height = buttonTop + px(kButtonHeight) + px(kMargin);

  // The window that is active now gets the focus back afterwards.
  Fl_Widget_Tracker previousFocus(Fl::focus());
  Fl_Window* previousWindowPointer = Fl::focus() ? Fl::focus()->top_window() : Fl::first_window();
  Fl_Widget_Tracker previousWindow(previousWindowPointer);

  Fl_Group::current(nullptr);
  DialogWindow dialog(width, height, request);
  dialog.color(kFaceColor);
  const std::string title = ToUtf8(request.Title);
  dialog.label(title.c_str());
  new KindIcon(px(kMargin), px(kMargin), iconSize, request.Kind);
  new MessageText(textLeft, px(kMargin) + (bodyHeight - textHeight) / 2, textWidth + 2, textHeight,
                  lines, fontSize);
  int buttonLeft = (width - buttonsWidth) / 2;
  std::vector<std::string> captions;
  for (const DialogButton& entry : request.Buttons) {
    auto* button = new CaptionButton(buttonLeft, buttonTop, px(kButtonWidth), px(kButtonHeight));
    button->SetCaption(ToUtf8(entry.Caption));
    button->labelfont(FL_HELVETICA);
    button->labelsize(fontSize);
    button->labelcolor(FL_BLACK);
    button->color(kFaceColor);
    dialog.AddButton(button, entry.Result);
    buttonLeft += px(kButtonWidth) + px(kButtonGap);
  }
  dialog.end();
  dialog.size_range(width, height, width, height);

  // Centred on the screen, frame included, and kept within the work area.
  const Placement placement{.Kind = FrameKind::Dialog, .Screen = screen, .Within = workArea};
  const bool placed = PlaceCentred(dialog, placement);
  dialog.set_modal();
  PrepareWindowManagerHints();
  dialog.show();
  SetDialogFrameHints(dialog);
  if (!placed) CentreShown(dialog, placement);
  if (CaptionButton* defaultButton = dialog.ButtonFor(request.DefaultResult))
    defaultButton->take_focus();

  while (dialog.shown()) Fl::wait();
  dialog.AwaitFrameRemoval();

  if (!previousWindow.deleted()) {
    auto* window = static_cast<Fl_Window*>(previousWindow.widget());
    if (window->shown()) window->show();  // raises and activates it again
  }
  if (!previousFocus.deleted() && previousFocus.widget() && Fl::focus() != previousFocus.widget())
    previousFocus.widget()->take_focus();
  return dialog.Result();
}

}  // namespace vcl::fltk

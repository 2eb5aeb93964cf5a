#include "platform/vcl/fltk/FltkBackend.h"

#include <cerrno>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include "platform/vcl/fltk/FltkDialog.h"
#include "platform/vcl/fltk/FltkPeers.h"
#include "platform/vcl/fltk/FltkStyle.h"

namespace vcl::fltk {
namespace {

// MessageBeep's sound types, as the installer passes them.
constexpr unsigned int kIconHand = 0x10;
constexpr unsigned int kIconQuestion = 0x20;
constexpr unsigned int kIconExclamation = 0x30;
constexpr unsigned int kIconAsterisk = 0x40;

}  // namespace

FltkBackend::FltkBackend() {
  Fl::scheme("none");
  // The layout was made for Times New Roman and MS Sans Serif metrics. Asking
  // fontconfig for those names gets their metric-compatible stand-ins where
  // installed (Liberation, Nimbus), else the default serif or sans face.
  Fl::set_font(FL_TIMES, " Times New Roman");
  Fl::set_font(FL_TIMES_BOLD, "BTimes New Roman");
  Fl::set_font(FL_HELVETICA, " Arial");
  Fl::set_font(FL_HELVETICA_BOLD, "BArial");
  // The window class names the program, as its file name does.
  Fl_Window::default_xclass(program_invocation_short_name);
}

FltkBackend::~FltkBackend() = default;

std::unique_ptr<FormPeer> FltkBackend::CreateForm(const std::string& name, FormEvents& events) {
  auto form = MakeFormPeer(name, events);
  if (!applicationTitle_.empty()) SetFormsIconLabel(ToUtf8(applicationTitle_));
  return form;
}

std::unique_ptr<ButtonPeer> FltkBackend::CreateButton(ContainerPeer& parent,
                                                      const std::string& name,
                                                      ButtonEvents& events) {
  return MakeButtonPeer(parent, name, events);
}

std::unique_ptr<GroupBoxPeer> FltkBackend::CreateGroupBox(ContainerPeer& parent,
                                                          const std::string& name) {
  return MakeGroupBoxPeer(parent, name);
}

std::unique_ptr<EditPeer> FltkBackend::CreateEdit(ContainerPeer& parent, const std::string& name,
                                                  EditEvents& events) {
  return MakeEditPeer(parent, name, events);
}

ModalResult FltkBackend::ShowDialog(const DialogRequest& request) {
  return RunModalDialog(request);
}

void FltkBackend::RunMessageLoop() {
  // Fl::wait returns 0 once no window is shown: nothing could end the loop then.
  while (!quitRequested_) {
    if (!Fl::first_window()) break;
    Fl::wait();
  }
}

void FltkBackend::Quit() { quitRequested_ = true; }

void FltkBackend::Beep(unsigned int soundType) {
  switch (soundType) {
    case kIconHand: fl_beep(FL_BEEP_ERROR); break;
    case kIconQuestion: fl_beep(FL_BEEP_QUESTION); break;
    case kIconExclamation: fl_beep(FL_BEEP_NOTIFICATION); break;
    case kIconAsterisk: fl_beep(FL_BEEP_MESSAGE); break;
    default: fl_beep(FL_BEEP_DEFAULT); break;
  }
}

void FltkBackend::SetApplicationTitle(const std::string& title) {
  applicationTitle_ = title;
  // The title is the name the program's windows carry in the task bar when iconified.
  SetFormsIconLabel(ToUtf8(title));
}

void FltkBackend::SetApplicationIcon(const IconImage& icon) {
  if (icon.Width <= 0 || icon.Height <= 0 ||
      icon.Pixels.size() != static_cast<std::size_t>(icon.Width) * icon.Height)
    return;
  std::vector<unsigned char> rgba;
  rgba.reserve(icon.Pixels.size() * 4);
  for (std::uint32_t pixel : icon.Pixels) {
    rgba.push_back(static_cast<unsigned char>(pixel >> 16));
    rgba.push_back(static_cast<unsigned char>(pixel >> 8));
    rgba.push_back(static_cast<unsigned char>(pixel));
    rgba.push_back(static_cast<unsigned char>(pixel >> 24));
  }
  const Fl_RGB_Image image(rgba.data(), icon.Width, icon.Height, 4);
  // FLTK keeps a copy: every window shown from now on carries it as _NET_WM_ICON.
  Fl_Window::default_icon(&image);
}

}  // namespace vcl::fltk

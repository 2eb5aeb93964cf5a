// The display backend that draws the class library's forms and dialogs with
// FLTK 1.3 on X11. Nothing of FLTK shows through this header.
#pragma once

#include <memory>
#include <string>

#include "platform/vcl/Backend.h"
#include "platform/vcl/Resources.h"

namespace vcl::fltk {

class FltkBackend : public Backend {
 public:
  FltkBackend();
  ~FltkBackend() override;
  FltkBackend(const FltkBackend&) = delete;
  FltkBackend& operator=(const FltkBackend&) = delete;

  std::unique_ptr<FormPeer> CreateForm(const std::string& name, FormEvents& events) override;
  std::unique_ptr<ButtonPeer> CreateButton(ContainerPeer& parent, const std::string& name,
                                           ButtonEvents& events) override;
  std::unique_ptr<GroupBoxPeer> CreateGroupBox(ContainerPeer& parent,
                                               const std::string& name) override;
  std::unique_ptr<EditPeer> CreateEdit(ContainerPeer& parent, const std::string& name,
                                       EditEvents& events) override;

  ModalResult ShowDialog(const DialogRequest& request) override;
  void RunMessageLoop() override;
  void Quit() override;
  void Beep(unsigned int soundType) override;
  void SetApplicationTitle(const std::string& title) override;
  void SetApplicationIcon(const IconImage& icon) override;

 private:
  bool quitRequested_ = false;
  std::string applicationTitle_;
};

}  // namespace vcl::fltk

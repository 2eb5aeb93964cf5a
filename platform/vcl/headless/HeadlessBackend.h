// A display backend with no display, for tests: it keeps what the class library
// pushes to each peer, fires the same events a real window does, records every
// dialog, beep and immediate repaint, and answers dialogs from a queue.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Backend.h"

namespace vcl::headless {

// What a peer was last told.
struct PeerState {
  std::string Name;
  std::string Kind;  // "Form", "Button", "GroupBox", "Edit"
  std::string Parent;
  std::string Text;  // caption, or an edit's text
  bool Visible = true;
  bool Enabled = true;
  bool ReadOnly = false;
  bool AutoSelect = true;
  bool Shown = false;  // a form made visible by Show
  vcl::Bounds Bounds;
  TFont Font;
  TColor Color = 0;
  int TabOrder = 0;
  int ClientWidth = 0;
  int ClientHeight = 0;
  vcl::BorderStyle BorderStyle = vcl::BorderStyle::Sizeable;
  vcl::Position Position = vcl::Position::Designed;
  FormMetrics Metrics;
};

struct DialogRecord {
  DialogRequest Request;
  ModalResult Answer = ModalResult::None;
};

// Texts of every control (by name) at one immediate repaint.
struct RepaintRecord {
  std::string Form;
  std::map<std::string, std::string> Texts;
};

class HeadlessBackend : public Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  // Answers for the coming dialogs, in order.
  void QueueAnswer(ModalResult answer);
  std::size_t PendingAnswers() const { return answers_.size(); }
  // Called for a dialog with no answer queued (which then gets Cancel);
  // a test fixture makes it a test failure.
  void SetUnexpectedDialogHandler(std::function<void(const DialogRequest&)> handler);

  // The user's actions, through the same event path as a real window.
  void Click(const std::string& buttonName);  // ignored, and recorded, unless visible and enabled
  void Type(const std::string& editName, const std::string& text);  // replaces the text; ignored when read-only
  void CloseBox(const std::string& formName);

  // Actions that RunMessageLoop performs in order; the loop returns at Quit, or
  // when none is left (LoopRanDry then tells).
  void Post(std::function<void()> action);
  bool LoopRanDry() const { return loopRanDry_; }
  bool QuitCalled() const { return quit_; }

  const PeerState& State(const std::string& name) const;  // throws std::out_of_range
  bool HasPeer(const std::string& name) const;
  const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
  const std::vector<unsigned int>& Beeps() const { return beeps_; }
  const std::vector<RepaintRecord>& Repaints() const { return repaints_; }
  const std::vector<std::string>& IgnoredActions() const { return ignored_; }
  const std::string& ApplicationTitle() const { return applicationTitle_; }
  bool HasApplicationIcon() const { return hasIcon_; }

  // Backend
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
  void SetApplicationTitle(const std::string& title) override { applicationTitle_ = title; }
  void SetApplicationIcon(const IconImage&) override { hasIcon_ = true; }

 private:
  struct Registry;
  friend struct Registry;
  std::unique_ptr<Registry> registry_;  // the live peers, by name
  std::deque<ModalResult> answers_;
  std::function<void(const DialogRequest&)> unexpectedDialog_;
  std::deque<std::function<void()>> posted_;
  std::vector<DialogRecord> dialogs_;
  std::vector<unsigned int> beeps_;
  std::vector<RepaintRecord> repaints_;
  std::vector<std::string> ignored_;
  std::string applicationTitle_;
  bool hasIcon_ = false;
  bool quit_ = false;
  bool loopRanDry_ = false;
};

}  // namespace vcl::headless

#include "platform/vcl/headless/HeadlessBackend.h"

#include <stdexcept>
#include <utility>

namespace vcl::headless {

namespace {

// One live peer as the backend sees it.
struct Entry {
  PeerState state;
  std::string form;  // name of the form the peer belongs to
  ButtonEvents* button = nullptr;
  EditEvents* edit = nullptr;
  FormEvents* formEvents = nullptr;
};

// The live peers by name. Peers share it, so that a peer outliving the
// backend still unregisters safely.
struct PeerTable {
  std::map<std::string, Entry*> peers;

  Entry& Find(const std::string& name) {
    auto found = peers.find(name);
    if (found == peers.end()) throw std::out_of_range("no peer named " + name);
    return *found->second;
  }
};

struct EntryHolder {
  virtual ~EntryHolder() = default;
  Entry entry;
};

template <class Interface>
class Peer : public Interface, public EntryHolder {
 public:
  Peer(std::shared_ptr<PeerTable> table, std::string name, std::string kind, const ContainerPeer* parent)
      : table_(std::move(table)) {
    entry.state.Name = std::move(name);
    entry.state.Kind = std::move(kind);
    if (auto* holder = dynamic_cast<const EntryHolder*>(parent)) {
      entry.state.Parent = holder->entry.state.Name;
      entry.form = holder->entry.form;
    } else {
      entry.form = entry.state.Name;
    }
    table_->peers.insert_or_assign(entry.state.Name, &entry);
  }
  ~Peer() override {
    auto found = table_->peers.find(entry.state.Name);
    if (found != table_->peers.end() && found->second == &entry) table_->peers.erase(found);
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  void SetBounds(const Bounds& bounds) override { entry.state.Bounds = bounds; }
  void SetVisible(bool visible) override { entry.state.Visible = visible; }
  void SetEnabled(bool enabled) override { entry.state.Enabled = enabled; }
  void SetFont(const TFont& font) override { entry.state.Font = font; }
  void SetColor(TColor color) override { entry.state.Color = color; }
  void SetTabOrder(int tabOrder) override { entry.state.TabOrder = tabOrder; }

 protected:
  std::shared_ptr<PeerTable> table_;
};

class HeadlessButton : public Peer<ButtonPeer> {
 public:
  HeadlessButton(std::shared_ptr<PeerTable> table, const std::string& name,
                 const ContainerPeer& parent, ButtonEvents& events)
      : Peer(std::move(table), name, "Button", &parent) {
    entry.button = &events;
  }
  void SetCaption(const std::string& caption) override { entry.state.Text = caption; }
};

class HeadlessGroupBox : public Peer<GroupBoxPeer> {
 public:
  HeadlessGroupBox(std::shared_ptr<PeerTable> table, const std::string& name,
                   const ContainerPeer& parent)
      : Peer(std::move(table), name, "GroupBox", &parent) {}
  void SetCaption(const std::string& caption) override { entry.state.Text = caption; }
};

class HeadlessEdit : public Peer<EditPeer> {
 public:
  HeadlessEdit(std::shared_ptr<PeerTable> table, const std::string& name,
               const ContainerPeer& parent, EditEvents& events)
      : Peer(std::move(table), name, "Edit", &parent) {
    entry.edit = &events;
  }
  void SetText(const std::string& text) override { entry.state.Text = text; }
  void SetReadOnly(bool readOnly) override { entry.state.ReadOnly = readOnly; }
  void SetAutoSelect(bool autoSelect) override { entry.state.AutoSelect = autoSelect; }
};

class HeadlessForm : public Peer<FormPeer> {
 public:
  HeadlessForm(std::shared_ptr<PeerTable> table, const std::string& name, FormEvents& events,
               std::vector<RepaintRecord>& repaints)
      : Peer(std::move(table), name, "Form", nullptr), repaints_(repaints) {
    entry.formEvents = &events;
  }
  void SetCaption(const std::string& caption) override { entry.state.Text = caption; }
  void SetClientSize(int width, int height) override {
    entry.state.ClientWidth = width;
    entry.state.ClientHeight = height;
  }
  void SetBorderStyle(BorderStyle style) override { entry.state.BorderStyle = style; }
  void SetPosition(Position position) override { entry.state.Position = position; }
  void SetMetrics(const FormMetrics& metrics) override { entry.state.Metrics = metrics; }
  void Show() override {
    entry.state.Shown = true;
    entry.state.Visible = true;
  }
  void Hide() override { entry.state.Visible = false; }
  void Repaint() override {
    RepaintRecord record;
    record.Form = entry.state.Name;
    for (const auto& [name, peer] : table_->peers)
      if (peer->form == entry.state.Name) record.Texts[name] = peer->state.Text;
    repaints_.push_back(std::move(record));
  }

 private:
  std::vector<RepaintRecord>& repaints_;
};

// Why a user could not reach the control: itself or a container on the way to
// its form hidden or disabled. Empty when it is reachable.
std::string Unreachable(PeerTable& table, const Entry& control) {
  for (const Entry* entry = &control; entry && entry->state.Kind != "Form";) {
    if (!entry->state.Visible) return entry->state.Name + " is hidden";
    if (!entry->state.Enabled) return entry->state.Name + " is disabled";
    auto parent = table.peers.find(entry->state.Parent);
    entry = parent == table.peers.end() ? nullptr : parent->second;
  }
  return {};
}

}  // namespace

struct HeadlessBackend::Registry {
  std::shared_ptr<PeerTable> table = std::make_shared<PeerTable>();
};

HeadlessBackend::HeadlessBackend() : registry_(std::make_unique<Registry>()) {}
HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::QueueAnswer(ModalResult answer) { answers_.push_back(answer); }

void HeadlessBackend::SetUnexpectedDialogHandler(std::function<void(const DialogRequest&)> handler) {
  unexpectedDialog_ = std::move(handler);
}

void HeadlessBackend::Click(const std::string& buttonName) {
  Entry& entry = registry_->table->Find(buttonName);
  if (!entry.button) throw std::invalid_argument(buttonName + " is not a button");
  if (std::string why = Unreachable(*registry_->table, entry); !why.empty()) {
    ignored_.push_back("Click " + buttonName + ": " + why);
    return;
  }
  entry.button->Clicked();
}

void HeadlessBackend::Type(const std::string& editName, const std::string& text) {
  Entry& entry = registry_->table->Find(editName);
  if (!entry.edit) throw std::invalid_argument(editName + " is not an edit");
  std::string why = Unreachable(*registry_->table, entry);
  if (why.empty() && entry.state.ReadOnly) why = editName + " is read-only";
  if (!why.empty()) {
    ignored_.push_back("Type " + editName + ": " + why);
    return;
  }
  entry.state.Text = text;
  entry.edit->TextEdited(text);
}

void HeadlessBackend::CloseBox(const std::string& formName) {
  Entry& entry = registry_->table->Find(formName);
  if (!entry.formEvents) throw std::invalid_argument(formName + " is not a form");
  entry.formEvents->CloseRequested();
}

void HeadlessBackend::Post(std::function<void()> action) { posted_.push_back(std::move(action)); }

const PeerState& HeadlessBackend::State(const std::string& name) const {
  return registry_->table->Find(name).state;
}

bool HeadlessBackend::HasPeer(const std::string& name) const {
  return registry_->table->peers.count(name) != 0;
}

std::unique_ptr<FormPeer> HeadlessBackend::CreateForm(const std::string& name, FormEvents& events) {
  return std::make_unique<HeadlessForm>(registry_->table, name, events, repaints_);
}

std::unique_ptr<ButtonPeer> HeadlessBackend::CreateButton(ContainerPeer& parent,
                                                          const std::string& name,
                                                          ButtonEvents& events) {
  return std::make_unique<HeadlessButton>(registry_->table, name, parent, events);
}

std::unique_ptr<GroupBoxPeer> HeadlessBackend::CreateGroupBox(ContainerPeer& parent,
                                                              const std::string& name) {
  return std::make_unique<HeadlessGroupBox>(registry_->table, name, parent);
}

std::unique_ptr<EditPeer> HeadlessBackend::CreateEdit(ContainerPeer& parent, const std::string& name,
                                                      EditEvents& events) {
  return std::make_unique<HeadlessEdit>(registry_->table, name, parent, events);
}

ModalResult HeadlessBackend::ShowDialog(const DialogRequest& request) {
  ModalResult answer = ModalResult::Cancel;
  if (answers_.empty()) {
    if (unexpectedDialog_) unexpectedDialog_(request);
  } else {
    answer = answers_.front();
    answers_.pop_front();
  }
  dialogs_.push_back({request, answer});
  return answer;
}

void HeadlessBackend::RunMessageLoop() {
  loopRanDry_ = false;
  // A Quit before the loop ends it at once, as a posted quit message would.
  while (!quit_) {
    if (posted_.empty()) {
      loopRanDry_ = true;
      return;
    }
    std::function<void()> action = std::move(posted_.front());
    posted_.pop_front();
    action();
  }
}

void HeadlessBackend::Quit() { quit_ = true; }

void HeadlessBackend::Beep(unsigned int soundType) { beeps_.push_back(soundType); }

}  // namespace vcl::headless

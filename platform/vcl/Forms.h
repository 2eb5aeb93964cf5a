// Forms built from their description, and the application object.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vcl/Backend.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

enum class ComponentKind { Button, GroupBox, Edit };

// One component of a form description, as a form resource stores it.
// Every member has a default, so that a table names only what it sets.
struct ComponentDescription {
  std::string_view Name{};
  ComponentKind Kind{};
  std::string_view Parent{};  // "" for the form itself; a parent comes before its children
  vcl::Bounds Bounds{};
  std::string_view Caption{};  // caption, or the text of an edit
  TFont Font{};
  TColor Color = clBtnFace;  // for an edit, its background
  int TabOrder = 0;
  std::string_view OnClick{};  // name of a published method, or ""
};

struct FormDescription {
  std::string_view Name{};
  std::string_view ClassName{};
  std::string_view Caption{};
  vcl::BorderStyle BorderStyle = vcl::BorderStyle::Sizeable;
  int Left = 0;
  int Top = 0;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TColor Color = clBtnFace;
  TFont Font{};
  vcl::Position Position = vcl::Position::Designed;
  FormMetrics Metrics{};
  std::string_view OnCreate{};  // name of a published method, or ""
  std::vector<ComponentDescription> Components{};
};

class TForm : public TWinControl, private FormEvents {
 public:
  TForm(TApplication& application, const FormDescription& description);
  ~TForm() override;

  TApplication& Application() const { return application_; }
  const FormDescription& Description() const { return description_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }

  TNotifyEvent OnCreate;

  // Closes the form; closing the main form terminates the application.
  void Close();
  // Redraws the whole form at once, processing no input.
  void Repaint();
  void Show();
  void Hide();

  // The component of that name; nullptr where there is none or it is of another class.
  template <class T>
  T* FindComponent(std::string_view name) const {
    for (const auto& component : components_)
      if (component->Name() == name) return dynamic_cast<T*>(component.get());
    return nullptr;
  }

  ContainerPeer& ContainerPeerRef() override { return *peer_; }
  FormPeer& PeerRef() { return *peer_; }

  // Builds the controls from the description, binds the published fields and
  // methods, then runs OnCreate. TApplication::CreateForm calls it once.
  void Load();

 protected:
  using Method = std::function<void(TObject* Sender)>;
  // The published method of that name, or an empty function.
  virtual Method FindMethod(std::string_view name);
  // Points the derived form's component fields at the loaded components.
  virtual void BindComponents() {}

 private:
  void CloseRequested() override;
  TApplication& application_;
  const FormDescription& description_;
  std::unique_ptr<FormPeer> peer_;
  std::vector<std::unique_ptr<TControl>> components_;
  std::string caption_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
};

class TApplication : public TObject {
 public:
  // Sets the global Application; the title is the default one from the program file.
  explicit TApplication(Backend& backend);
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  Backend& GetBackend() const { return backend_; }

  void Initialize();

  // Creates a form owned by the application; the first becomes the main form.
  // An exception from its OnCreate is shown, and the form stays.
  template <class TFormClass>
  TFormClass* CreateForm() {
    auto form = std::make_unique<TFormClass>(*this);
    TFormClass* created = form.get();
    AdoptForm(std::move(form));
    return created;
  }

  // Shows the main form and processes messages until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  TForm* MainForm() const { return mainForm_; }
  const std::string& Title() const { return title_; }

  // Runs an event handler: what it raises is shown by ShowException and goes no further.
  void HandleEvent(const std::function<void()>& handler);
  // The default exception display: the message followed by ".", the title, the stop icon, OK.
  void ShowException(std::exception_ptr exception);

  // Destroys the forms the application owns (the first exit step of a run).
  void DestroyForms();

 private:
  void AdoptForm(std::unique_ptr<TForm> form);
  // A modal box with the application's title and one OK button.
  void ShowMessageBox(DialogKind kind, const std::string& text);
  Backend& backend_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  std::string title_;
  bool terminated_ = false;
  // Lets the exit step that Run registers see whether the application still lives.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The application object of the process (the class library's global).
extern TApplication* Application;

// The title the class library gives an application that sets none: the file
// name without its folder, cut before its first ".", lower case after the
// first character (INSTALL.EXE gives Install).
std::string DefaultApplicationTitle(std::string_view moduleFileName);

}  // namespace vcl

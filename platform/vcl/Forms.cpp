#include "platform/vcl/Forms.h"

#include <array>
#include <new>

#include "platform/vcl/Resources.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win32/codepage.h"
#include "platform/win32/hooks.h"
#include "platform/win32/prefix.h"

namespace vcl {

TApplication* Application = nullptr;

// ---------------------------------------------------------------------------
// TForm

TForm::TForm(TApplication& application, const FormDescription& description)
    : TWinControl(*this, std::string(description.Name)),
      application_(application),
      description_(description) {
  peer_ = application.GetBackend().CreateForm(Name(), *this);
  // A form stays hidden until it is shown.
  SetVisible(false);
  Attach(*peer_);
}

TForm::~TForm() {
  // Children before their parents: the table lists parents first.
  while (!components_.empty()) components_.pop_back();
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  peer_->SetCaption(caption);
}

void TForm::Close() {
  if (application_.MainForm() == this)
    application_.Terminate();
  else
    Hide();
}

void TForm::Repaint() { peer_->Repaint(); }

void TForm::Show() {
  peer_->Show();
  SetVisible(true);
}

void TForm::Hide() {
  peer_->Hide();
  SetVisible(false);
}

void TForm::CloseRequested() {
  application_.HandleEvent([this] { Close(); });
}

TForm::Method TForm::FindMethod(std::string_view) { return {}; }

namespace {

std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

}  // namespace

void TForm::Load() {
  const FormDescription& form = description_;
  Backend& backend = application_.GetBackend();

  SetCaption(std::string(form.Caption));
  peer_->SetBorderStyle(form.BorderStyle);
  peer_->SetPosition(form.Position);
  peer_->SetMetrics(form.Metrics);
  clientWidth_ = form.ClientWidth;
  clientHeight_ = form.ClientHeight;
  peer_->SetClientSize(clientWidth_, clientHeight_);
  // The frame around the client area is the backend's to add.
  SetBounds({form.Left, form.Top, form.ClientWidth, form.ClientHeight});
  SetColor(form.Color);
  SetFont(form.Font);

  auto requireMethod = [&](std::string_view methodName, std::string_view componentName) {
    Method method = FindMethod(methodName);
    if (!method)
      throw Exception("Method " + Quoted(methodName) + " of " + Quoted(componentName) +
                      " is not published by " + std::string(form.ClassName));
    return method;
  };

  for (const ComponentDescription& component : form.Components) {
    ContainerPeer* parent = &ContainerPeerRef();
    if (!component.Parent.empty()) {
      auto* container = FindComponent<TWinControl>(component.Parent);
      if (!container)
        throw Exception("Parent " + Quoted(component.Parent) + " of " + Quoted(component.Name) +
                        " is not a container described before it");
      parent = &container->ContainerPeerRef();
    }
    const std::string name(component.Name);
    const std::string caption(component.Caption);
    std::unique_ptr<TControl> control;
    switch (component.Kind) {
      case ComponentKind::Button: {
        auto button = std::make_unique<TButton>(*this, name, *parent, backend);
        button->SetCaption(caption);
        if (!component.OnClick.empty())
          button->OnClick = requireMethod(component.OnClick, component.Name);
        control = std::move(button);
        break;
      }
      case ComponentKind::GroupBox: {
        auto groupBox = std::make_unique<TGroupBox>(*this, name, *parent, backend);
        groupBox->SetCaption(caption);
        control = std::move(groupBox);
        break;
      }
      case ComponentKind::Edit: {
        auto edit = std::make_unique<TEdit>(*this, name, *parent, backend);
        edit->SetText(caption);
        control = std::move(edit);
        break;
      }
    }
    if (component.Kind != ComponentKind::Button && !component.OnClick.empty())
      throw Exception(Quoted(component.Name) + " has no OnClick event");
    control->SetBounds(component.Bounds);
    control->SetFont(component.Font);
    control->SetColor(component.Color);
    control->SetTabOrder(component.TabOrder);
    components_.push_back(std::move(control));
  }

  if (!form.OnCreate.empty()) OnCreate = requireMethod(form.OnCreate, form.Name);
  BindComponents();

  application_.HandleEvent([this] {
    TNotifyEvent handler = OnCreate;
    if (handler) handler(this);
  });
}

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication(Backend& backend) : backend_(backend) {
  Application = this;

  std::array<char, MAX_PATH> moduleFileName{};
  DWORD length = GetModuleFileNameA(nullptr, moduleFileName.data(), MAX_PATH);
  title_ = DefaultApplicationTitle(std::string_view(moduleFileName.data(), length < MAX_PATH ? length : 0));
  backend_.SetApplicationTitle(title_);
  if (const IconImage* icon = FindIcon("MAINICON")) backend_.SetApplicationIcon(*icon);

  win32::SetBeepHandler([&backend](UINT soundType) { backend.Beep(soundType); });

  // A machine that could not be laid out is told once, before any window
  // opens; the program goes on, and what it looks for there is missing.
  if (const std::string& failure = win32::Prefix::Current().CreationFailure(); !failure.empty())
    ShowMessageBox(DialogKind::Error, failure);
}

TApplication::~TApplication() {
  DestroyForms();
  win32::SetBeepHandler(nullptr);
  if (Application == this) Application = nullptr;
}

// No initialisation hook is installed, so there is nothing to do.
void TApplication::Initialize() {}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
  TForm* adopted = form.get();
  forms_.push_back(std::move(form));
  if (!mainForm_) mainForm_ = adopted;
  adopted->Load();
}

void TApplication::Run() {
  // Registered last, so it runs first: the forms go before the units that
  // started earlier shut down. The token keeps a step that outlives its
  // application from touching it.
  std::weak_ptr<bool> alive = alive_;
  AddExitProc([this, alive] {
    if (alive.lock()) DestroyForms();
  });
  if (mainForm_) mainForm_->Show();
  // A Terminate before Run ends the loop at once, as a quit message already posted would.
  if (!terminated_) backend_.RunMessageLoop();
}

void TApplication::Terminate() {
  terminated_ = true;
  backend_.Quit();
}

void TApplication::HandleEvent(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    ShowException(std::current_exception());
  }
}

void TApplication::ShowException(std::exception_ptr exception) {
  if (!exception) return;
  std::string message;
  try {
    std::rethrow_exception(exception);
  } catch (const Exception& error) {
    message = error.Message();
  } catch (const std::bad_alloc&) {
    message = "Out of memory";
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = "Unknown exception";
  }

  ShowMessageBox(DialogKind::Stop, message + ".");
}

void TApplication::ShowMessageBox(DialogKind kind, const std::string& text) {
  DialogRequest request;
  request.Kind = kind;
  request.Title = title_;
  request.Text = text;
  request.Buttons = {{"OK", ModalResult::Ok}};
  request.DefaultResult = ModalResult::Ok;
  request.CancelResult = ModalResult::Ok;
  backend_.ShowDialog(request);
}

void TApplication::DestroyForms() {
  mainForm_ = nullptr;
  // The last created goes first.
  while (!forms_.empty()) forms_.pop_back();
}

std::string DefaultApplicationTitle(std::string_view moduleFileName) {
  std::string_view name = moduleFileName;
  if (auto separator = name.find_last_of("\\/:"); separator != std::string_view::npos)
    name.remove_prefix(separator + 1);
  if (auto dot = name.find('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  std::string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) title[i] = win32::AnsiToLower(title[i]);
  return title;
}

}  // namespace vcl

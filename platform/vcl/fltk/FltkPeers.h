// The peers of the FLTK backend: one FLTK widget each, placed and styled from
// the state the class library pushes. Internal to the FLTK backend.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <FL/Fl_Widget.H>

#include "platform/vcl/Backend.h"

class Fl_Group;
class Fl_Window;

namespace vcl::fltk {

class WidgetPeer;

// What every peer of one form shares: the scale from the design metrics to the
// screen, and the peers themselves for layout and keyboard navigation.
struct FormContext {
  double Scale = 1.0;
  Fl_Window* Window = nullptr;
  std::vector<WidgetPeer*> Peers;  // in creation order
  Fl_Widget* LastFocus = nullptr;  // the control that had the focus last

  // Places, sizes and styles every peer anew (after a scale or parent change).
  void Relayout();
  // The controls that Tab visits, in tab order; only those that can take the focus.
  std::vector<WidgetPeer*> FocusOrder() const;
  // Moves the focus to the next (or previous) control in tab order.
  void Navigate(bool forward);
  // Gives the focus to the first control in tab order.
  void FocusFirst();
};

// The FLTK side of one control: design bounds relative to the parent, font,
// colour and tab order, applied to its widget at the form's scale.
class WidgetPeer {
 public:
  WidgetPeer(std::shared_ptr<FormContext> context, WidgetPeer* parent, std::string name);
  virtual ~WidgetPeer();
  WidgetPeer(const WidgetPeer&) = delete;
  WidgetPeer& operator=(const WidgetPeer&) = delete;

  virtual Fl_Widget& Widget() = 0;
  // The group children go into, for a container.
  virtual Fl_Group* ChildGroup() { return nullptr; }
  // Applies geometry, font and colour at the current scale.
  virtual void Apply();
  virtual bool TakesFocus() const { return true; }

  WidgetPeer* Parent() const { return parent_; }
  const std::string& Name() const { return name_; }
  int TabOrder() const { return tabOrder_; }
  std::size_t CreationIndex() const { return creationIndex_; }
  // The top-left corner in window coordinates, where FLTK places children.
  void WindowOrigin(int& x, int& y) const;
  bool CanFocus();

 protected:
  void AdoptWidget();  // adds Widget() to the parent's group
  void StoreBounds(const Bounds& bounds);
  void StoreFont(const TFont& font) { font_ = font; }
  void StoreColor(TColor color) { color_ = color; hasColor_ = true; }
  void StoreTabOrder(int tabOrder) { tabOrder_ = tabOrder; }
  void StoreVisible(bool visible);
  void StoreEnabled(bool enabled);
  FormContext& Context() { return *context_; }
  const TFont& Font() const { return font_; }
  TColor Color() const { return color_; }
  bool HasColor() const { return hasColor_; }
  const Bounds& DesignBounds() const { return bounds_; }

 private:
  std::shared_ptr<FormContext> context_;
  WidgetPeer* parent_;
  std::string name_;
  std::size_t creationIndex_;
  Bounds bounds_;
  TFont font_;
  TColor color_ = clBtnFace;
  bool hasColor_ = false;
  int tabOrder_ = 0;
};

// The container peers hand the backend this to create children in.
class FltkContainer {
 public:
  virtual ~FltkContainer() = default;
  virtual WidgetPeer& AsWidgetPeer() = 0;
  virtual std::shared_ptr<FormContext> SharedContext() = 0;
};

std::unique_ptr<FormPeer> MakeFormPeer(const std::string& name, FormEvents& events);
std::unique_ptr<ButtonPeer> MakeButtonPeer(ContainerPeer& parent, const std::string& name,
                                           ButtonEvents& events);
std::unique_ptr<GroupBoxPeer> MakeGroupBoxPeer(ContainerPeer& parent, const std::string& name);
std::unique_ptr<EditPeer> MakeEditPeer(ContainerPeer& parent, const std::string& name,
                                       EditEvents& events);

// Applies the application's title (the windows' icon name) to every form.
void SetFormsIconLabel(const std::string& utf8Title);

}  // namespace vcl::fltk

// The X11 requests FLTK does not make itself. X11's macros (None, Bool, ...)
// stay in this file, away from the class library's names.
#include <poll.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include "platform/vcl/fltk/FltkStyle.h"

namespace vcl::fltk {
namespace {

// _MOTIF_WM_HINTS: which of its fields are given, and their bits.
constexpr unsigned long kHintsFunctions = 1, kHintsDecorations = 2;
constexpr unsigned long kFunctionMove = 4, kFunctionClose = 32;
constexpr unsigned long kDecorBorder = 2, kDecorTitle = 8;

// How long a window manager that offers _NET_REQUEST_FRAME_EXTENTS may take
// to answer, counted from the question; one that takes longer is asked the
// frame of the first window shown instead, for as long again as that may take.
constexpr std::chrono::milliseconds kRequestAnswerLimit{20};
constexpr std::chrono::milliseconds kShownWindowLimit{500};
// How long a window manager may take to take a closed dialog's frame off the screen.
constexpr std::chrono::milliseconds kFrameRemovalLimit{1000};

// A resolution outside this range is taken for a server that reports nonsense.
constexpr double kLowestPixelsPerInch = 48;
constexpr double kHighestPixelsPerInch = 480;
constexpr double kDefaultPixelsPerInch = 96;

struct WindowManagerAtoms {
  Atom MotifHints = 0;
  Atom Supported = 0;
  Atom FrameExtents = 0;
  Atom RequestFrameExtents = 0;
};

const WindowManagerAtoms& Atoms() {
  static const WindowManagerAtoms atoms = [] {
    fl_open_display();
    WindowManagerAtoms interned;
    interned.MotifHints = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
    interned.Supported = XInternAtom(fl_display, "_NET_SUPPORTED", False);
    interned.FrameExtents = XInternAtom(fl_display, "_NET_FRAME_EXTENTS", False);
    interned.RequestFrameExtents = XInternAtom(fl_display, "_NET_REQUEST_FRAME_EXTENTS", False);
    return interned;
  }();
  return atoms;
}

// The data of a window property, released with XFree.
struct XFreeDeleter {
  void operator()(unsigned char* data) const {
    if (data) XFree(data);
  }
};
using PropertyData = std::unique_ptr<unsigned char, XFreeDeleter>;

// The 32-bit items of a property of the given type; empty where it is missing.
std::vector<unsigned long> ReadProperty(Window window, Atom property, Atom type) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* raw = nullptr;
  const int status = XGetWindowProperty(fl_display, window, property, 0, 4096, False, type,
                                        &actualType, &format, &count, &remaining, &raw);
  PropertyData data(raw);
  if (status != Success || !data || actualType != type || format != 32) return {};
  // Xlib hands 32-bit items out as longs.
  const auto* items = reinterpret_cast<const unsigned long*>(data.get());
  return std::vector<unsigned long>(items, items + count);
}

void WriteMotifHints(Window window, FrameKind kind) {
  if (kind != FrameKind::Dialog) return;
  // Move and close only: no minimise, no maximise, no resizing; a border and
  // a title bar, without the window-menu button that shows the icon.
  std::array<long, 5> hints{static_cast<long>(kHintsFunctions | kHintsDecorations),
                            static_cast<long>(kFunctionMove | kFunctionClose),
                            static_cast<long>(kDecorBorder | kDecorTitle), 0, 0};
  XChangeProperty(fl_display, window, Atoms().MotifHints, Atoms().MotifHints, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(hints.data()),
                  static_cast<int>(hints.size()));
}

bool WindowManagerSupports(Atom feature) {
  const Window root = RootWindow(fl_display, fl_screen);
  for (unsigned long atom : ReadProperty(root, Atoms().Supported, XA_ATOM))
    if (atom == feature) return true;
  return false;
}

std::optional<FrameExtents> ReadFrameExtents(Window window) {
  const std::vector<unsigned long> values = ReadProperty(window, Atoms().FrameExtents, XA_CARDINAL);
  if (values.size() != 4) return std::nullopt;
  return FrameExtents{static_cast<int>(values[0]), static_cast<int>(values[1]),
                      static_cast<int>(values[2]), static_cast<int>(values[3])};
}

// Waits for anything from the server until the deadline; false once it has passed.
bool WaitForServer(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return false;
  pollfd connection{ConnectionNumber(fl_display), POLLIN, 0};
  poll(&connection, 1, static_cast<int>(left.count()));
  return true;
}

// An unmapped window that carries the hints of a frame kind, only to be asked about.
class ProbeWindow {
 public:
  explicit ProbeWindow(FrameKind kind) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    window_ = XCreateWindow(fl_display, RootWindow(fl_display, fl_screen), 0, 0, 100, 100, 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attributes);
    WriteMotifHints(window_, kind);
  }
  ~ProbeWindow() {
    XDestroyWindow(fl_display, window_);
    // Events of the probe still queued would reach FLTK for a window it does not know.
    XEvent event;
    while (XCheckWindowEvent(fl_display, window_, ~0L, &event)) {
    }
  }
  ProbeWindow(const ProbeWindow&) = delete;
  ProbeWindow& operator=(const ProbeWindow&) = delete;
  Window Id() const { return window_; }

 private:
  Window window_ = 0;
};

// What the process knows of the frame of one kind of window. The question
// goes out early and its answer is read when a window is about to be shown,
// so that a prompt window manager costs no waiting. Some window managers
// offer _NET_REQUEST_FRAME_EXTENTS and never answer: the extents are then
// learned from the first window shown.
class FrameKnowledge {
 public:
  explicit FrameKnowledge(FrameKind kind) : kind_(kind) {}

  void Ask() {
    if (asked_) return;
    asked_ = true;
    if (!WindowManagerSupports(Atoms().RequestFrameExtents)) return;
    probe_ = std::make_unique<ProbeWindow>(kind_);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = probe_->Id();
    request.xclient.message_type = Atoms().RequestFrameExtents;
    request.xclient.format = 32;
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureNotifyMask | SubstructureRedirectMask, &request);
    XFlush(fl_display);
    askedAt_ = std::chrono::steady_clock::now();
  }

  std::optional<FrameExtents> Answer() {
    Ask();
    if (!probe_) return extents_;
    const auto deadline = askedAt_ + kRequestAnswerLimit;
    for (;;) {
      XEvent event;
      while (XCheckTypedWindowEvent(fl_display, probe_->Id(), PropertyNotify, &event))
        if (event.xproperty.atom == Atoms().FrameExtents) extents_ = ReadFrameExtents(probe_->Id());
      if (extents_ || !WaitForServer(deadline)) break;
    }
    probe_.reset();
    return extents_;
  }

  std::optional<FrameExtents> Learn(Window shown) {
    if (!extents_ && WindowManagerSupports(Atoms().FrameExtents)) {
      const auto deadline = std::chrono::steady_clock::now() + kShownWindowLimit;
      while (!(extents_ = ReadFrameExtents(shown)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return extents_;
  }

 private:
  FrameKind kind_;
  bool asked_ = false;
  std::unique_ptr<ProbeWindow> probe_;
  std::chrono::steady_clock::time_point askedAt_;
  std::optional<FrameExtents> extents_;
};

FrameKnowledge& KnowledgeOf(FrameKind kind) {
  static FrameKnowledge dialog(FrameKind::Dialog);
  static FrameKnowledge sizeable(FrameKind::Sizeable);
  return kind == FrameKind::Dialog ? dialog : sizeable;
}

}  // namespace

double ScreenPixelsPerInch() {
  fl_open_display();
  // Desktops publish their scale as Xft.dpi in the resource database (xrdb).
  double dpi = 0;
  if (const char* setting = XGetDefault(fl_display, "Xft", "dpi")) dpi = std::strtod(setting, nullptr);
  if (!(dpi >= kLowestPixelsPerInch && dpi <= kHighestPixelsPerInch)) {
    float horizontal = 0, vertical = 0;
    Fl::screen_dpi(horizontal, vertical, 0);
    dpi = vertical > 0 ? vertical : horizontal;
  }
  if (!(dpi >= kLowestPixelsPerInch && dpi <= kHighestPixelsPerInch)) return kDefaultPixelsPerInch;
  // The screen's millimetres are whole numbers: 120 dpi may come back as 119.8.
  return std::round(dpi);
}

void PrepareWindowManagerHints() { Atoms(); }

void SetDialogFrameHints(Fl_Window& window) {
  if (!window.shown()) return;
  WriteMotifHints(fl_xid(&window), FrameKind::Dialog);
}

void AskFrameExtents(FrameKind kind) {
  fl_open_display();
  KnowledgeOf(kind).Ask();
}

std::optional<FrameExtents> KnownFrameExtents(FrameKind kind) {
  fl_open_display();
  return KnowledgeOf(kind).Answer();
}

std::optional<FrameExtents> ShownFrameExtents(Fl_Window& window, FrameKind kind) {
  if (!window.shown()) return std::nullopt;
  return KnowledgeOf(kind).Learn(fl_xid(&window));
}

FrameRemoval::FrameRemoval(Fl_Window& shown) {
  if (!shown.shown()) return;
  // The frame is the window's ancestor that is a child of the root window.
  Window window = fl_xid(&shown);
  const Window root = RootWindow(fl_display, fl_screen);
  for (;;) {
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(fl_display, window, &rootReturn, &parent, &children, &count)) return;
    if (children) XFree(children);
    if (parent == root || parent == 0) break;
    window = parent;
  }
  if (window == fl_xid(&shown)) return;  // no window manager frames it
  frame_ = window;
  XSelectInput(fl_display, frame_, StructureNotifyMask);
}

void FrameRemoval::Await() {
  if (!frame_) return;
  const auto deadline = std::chrono::steady_clock::now() + kFrameRemovalLimit;
  XFlush(fl_display);
  for (;;) {
    XEvent event;
    while (XCheckWindowEvent(fl_display, frame_, StructureNotifyMask, &event))
      if (event.type == DestroyNotify || event.type == UnmapNotify) return;
    if (!WaitForServer(deadline)) return;
  }
}

void FinishDrawing() {
  // Waits for the server to have done every request sent: the picture is on
  // the screen when this returns. Events that arrive meanwhile stay queued.
  if (fl_display) XSync(fl_display, False);
}

}  // namespace vcl::fltk

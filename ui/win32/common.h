// What the Win32 dialogs share: the module and its resources, the common-controls manifest,
// pixel geometry, fonts, and a trap that keeps exceptions out of the system's dialog code.
#pragma once

#include <exception>
#include <string>

#include "platform/win32.h"

namespace varkesh::ui::win32 {

// The plug-in's own module, whose resources hold the dialogs and texts.
HINSTANCE ThisModule();

// A string resource.
std::wstring LoadText(UINT id);

// Host text (the ANSI code page) and the windows' UTF-16.
std::string WindowTextA(HWND window);
std::wstring WindowTextW(HWND window);

// Activates the plug-in's manifest (version 6 of the common controls) for as long as it
// lives. A dialog made from a library does not get it otherwise.
class ManifestScope {
 public:
  ManifestScope();
  ~ManifestScope();
  ManifestScope(const ManifestScope&) = delete;
  ManifestScope& operator=(const ManifestScope&) = delete;

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// A control's place in client pixels.
struct Box {
  int x, y, width, height;
};

void Place(HWND dialog, int id, const Box& box);

// Gives the dialog the client size and centres it on the work area of the monitor it is on.
void SizeAndCentre(HWND dialog, int client_width, int client_height);

// A font like the dialog's, `height` pixels high (0: the same height).
HFONT DerivedFont(HWND dialog, int height, bool bold, bool underline);

// Owns GDI objects made for one dialog.
class GdiObject {
 public:
  GdiObject() = default;

  explicit GdiObject(HGDIOBJ object) : object_(object) {}

  ~GdiObject() {
    if (object_ != nullptr)
      DeleteObject(object_);
  }

  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  void Reset(HGDIOBJ object) {
    if (object_ != nullptr)
      DeleteObject(object_);
    object_ = object;
  }

  HGDIOBJ get() const { return object_; }

  HFONT font() const { return static_cast<HFONT>(object_); }

  HBRUSH brush() const { return static_cast<HBRUSH>(object_); }

 private:
  HGDIOBJ object_ = nullptr;
};

// Runs a dialog handler. An exception ends the dialog and is kept, to be rethrown once the
// modal loop has returned: it must not unwind through the system's frames.
class HandlerTrap {
 public:
  template <class Handler>
  INT_PTR Run(HWND dialog, Handler&& handler) noexcept {
    try {
      return handler();
    } catch (...) {
      if (!error_)
        error_ = std::current_exception();
      EndDialog(dialog, 0);
      return TRUE;
    }
  }

  void RethrowIfAny() const {
    if (error_)
      std::rethrow_exception(error_);
  }

 private:
  std::exception_ptr error_;
};

// A modal dialog from the plug-in's resources: shown with the manifest active, its messages
// routed to Handle through a HandlerTrap, and a handler's error rethrown once the modal loop
// has returned.
class ModalDialog {
 public:
  virtual ~ModalDialog() = default;

 protected:
  // Shows dialog resource `id` owned by `owner`; returns the code it ended with. `what` names
  // the dialog in the error raised when it cannot be shown at all.
  INT_PTR RunModal(int id, HWND owner, const char* what);
  virtual INT_PTR Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HandlerTrap trap_;
};

}  // namespace varkesh::ui::win32

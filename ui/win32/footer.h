// The footer every properties dialog ends with: a help icon, the action's name on a small
// silver plate, its hint on an info-coloured panel, and the OK, Cancel and Help buttons.
#pragma once

#include "ui/win32/common.h"

namespace varkesh::ui::win32 {

class Footer {
 public:
  static constexpr int kHeight = 145;

  // Places the footer's controls at the bottom of the dialog's client area.
  void Create(HWND dialog, int client_width, int client_height);

  void Paint(HDC dc) const;

  // The brush for one of the footer's labels (after setting up `dc`), or null for any other
  // control.
  HBRUSH ColorStatic(HDC dc, HWND control) const;

  void Repaint() const;

 private:
  HWND dialog_ = nullptr;
  int top_ = 0;
  int width_ = 0;
  GdiObject bold_;
};

}  // namespace varkesh::ui::win32

#include "ui/win32/footer.h"

#include "ui/win32/ids.h"

namespace varkesh::ui::win32 {

namespace {

constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kMargin = 8;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;

// The plates behind the two labels, relative to the footer's top.
constexpr Box kActionPlate{30, 10, 160, 22};
constexpr Box kInfoPanel{kMargin, 40, 340, 62};

void RoundedBox(HDC dc, int top, const Box& box, COLORREF fill, COLORREF border) {
  const HBRUSH brush = CreateSolidBrush(fill);
  const HPEN pen = CreatePen(PS_SOLID, 1, border);
  const HGDIOBJ old_brush = SelectObject(dc, brush);
  const HGDIOBJ old_pen = SelectObject(dc, pen);
  RoundRect(dc, box.x, top + box.y, box.x + box.width, top + box.y + box.height, 8, 8);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace

void Footer::Create(HWND dialog, int client_width, int client_height) {
  dialog_ = dialog;
  width_ = client_width;
  top_ = client_height - kHeight;
  const int buttons = top_ + kHeight - kMargin - kButtonHeight;
  const int right = client_width - kMargin;

  const auto icon = static_cast<HICON>(LoadImageW(
      nullptr, MAKEINTRESOURCEW(32516) /* information */, IMAGE_ICON, 16, 16, LR_SHARED));
  SendDlgItemMessageW(dialog, IDC_FOOTER_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  Place(dialog, IDC_FOOTER_ICON, {kMargin, top_ + 13, 16, 16});
  Place(dialog, IDC_FOOTER_ACTION,
        {kActionPlate.x + 8, top_ + kActionPlate.y + 4, kActionPlate.width - 16, 15});
  Place(dialog, IDC_FOOTER_INFO,
        {kInfoPanel.x + 8, top_ + kInfoPanel.y + 7, kInfoPanel.width - 16, kInfoPanel.height - 12});
  Place(dialog, IDC_FOOTER_HELP, {kMargin, buttons, kButtonWidth, kButtonHeight});
  Place(dialog, IDOK, {right - 2 * kButtonWidth - 6, buttons, kButtonWidth, kButtonHeight});
  Place(dialog, IDCANCEL, {right - kButtonWidth, buttons, kButtonWidth, kButtonHeight});

  bold_.Reset(DerivedFont(dialog, 0, true, false));
  SendDlgItemMessageW(dialog, IDC_FOOTER_ACTION, WM_SETFONT, reinterpret_cast<WPARAM>(bold_.get()),
                      FALSE);
}

void Footer::Paint(HDC dc) const {
  RECT line{0, top_, width_, top_ + 2};
  DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
  RoundedBox(dc, top_, kActionPlate, kSilver, kSilver);
  RoundedBox(dc, top_, kInfoPanel, GetSysColor(COLOR_INFOBK), kSilver);
}

HBRUSH Footer::ColorStatic(HDC dc, HWND control) const {
  const int id = GetDlgCtrlID(control);
  if (id != IDC_FOOTER_ACTION && id != IDC_FOOTER_INFO && id != IDC_FOOTER_ICON)
    return nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, id == IDC_FOOTER_ACTION ? kWhite : GetSysColor(COLOR_INFOTEXT));
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void Footer::Repaint() const {
  RECT area{0, top_, width_, top_ + kHeight};
  RedrawWindow(dialog_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace varkesh::ui::win32

// The About box: name and version, author, web and mail links, and the plug-in series.
#include <array>

#include "ui/dialogs.h"
#include "ui/win32/common.h"
#include "ui/win32/ids.h"
#include "ui/win32/shell_launch.h"
#include "varkesh/framework.h"

namespace varkesh::ui {

namespace {

using win32::Box;
using win32::LoadText;
using win32::Place;

constexpr int kClientWidth = 363;
constexpr int kClientHeight = 315;
constexpr Box kFrame{8, 8, 345, 264};
constexpr Box kSeries{20, 124, 321, 136};
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kLink = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The link labels tell their target by tag: 1 the web address, 2 the mail address.
constexpr int kWebTag = 1;
constexpr int kMailTag = 2;

int TagOf(int id) {
  switch (id) {
    case IDC_ABOUT_WEB:
      return kWebTag;
    case IDC_ABOUT_MAIL:
      return kMailTag;
    default:
      return 0;
  }
}

bool IsClickable(int id) {
  return id == IDC_ABOUT_WEB || id == IDC_ABOUT_MAIL || id == IDC_ABOUT_DONATE;
}

int TextWidth(HWND control, const std::wstring& text) {
  const HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

class AboutBox final : public win32::ModalDialog {
 public:
  void Show() { RunModal(IDD_ABOUT, GetActiveWindow(), "About box"); }

 private:
  INT_PTR Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        window_ = window;
        Open();
        return TRUE;
      case WM_COMMAND:
        Command(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
      case WM_PAINT:
        Paint();
        return TRUE;
      case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(
            ColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
      case WM_DRAWITEM:
        DrawDonate(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
      case WM_SETCURSOR:
        if (IsClickable(GetDlgCtrlID(reinterpret_cast<HWND>(wparam)))) {
          SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // the hand
          SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
        return FALSE;
      default:
        return FALSE;
    }
  }

  void Open() {
    win32::SizeAndCentre(window_, kClientWidth, kClientHeight);
    project_font_.Reset(win32::DerivedFont(window_, 19, true, false));
    beta_font_.Reset(win32::DerivedFont(window_, 13, true, false));
    link_font_.Reset(win32::DerivedFont(window_, 0, false, true));
    credit_font_.Reset(win32::DerivedFont(window_, 11, false, false));
    white_.Reset(CreateSolidBrush(kWhite));
    SetFont(IDC_ABOUT_PROJECT, project_font_);
    SetFont(IDC_ABOUT_BETA, beta_font_);
    SetFont(IDC_ABOUT_WEB, link_font_);
    SetFont(IDC_ABOUT_MAIL, link_font_);
    SetFont(IDC_ABOUT_CREDIT, credit_font_);

    const std::wstring project =
        LoadText(IDS_NAME) + LoadText(IDS_SEPARATOR) + LoadText(IDS_VERSION);
    SetDlgItemTextW(window_, IDC_ABOUT_PROJECT, project.c_str());
    SetDlgItemTextW(window_, IDC_ABOUT_AUTHOR, LoadText(IDS_AUTHOR).c_str());
    SetDlgItemTextW(window_, IDC_ABOUT_WEB, LoadText(IDS_WEB).c_str());
    SetDlgItemTextW(window_, IDC_ABOUT_MAIL, LoadText(IDS_MAIL).c_str());

    const int project_width = TextWidth(GetDlgItem(window_, IDC_ABOUT_PROJECT), project) + 2;
    Place(window_, IDC_ABOUT_PROJECT, {20, 20, project_width, 24});
    Place(window_, IDC_ABOUT_BETA, {20 + project_width + 6, 24, 40, 16});
    Place(window_, IDC_ABOUT_AUTHOR, {20, 52, 300, 16});
    // The links are as wide as their text, so that only the text takes clicks.
    for (const auto& [id, y] : {std::pair{IDC_ABOUT_WEB, 74}, std::pair{IDC_ABOUT_MAIL, 94}}) {
      const HWND link = GetDlgItem(window_, id);
      Place(window_, id, {20, y, TextWidth(link, win32::WindowTextW(link)) + 2, 16});
    }
    Place(window_, IDC_ABOUT_SERIES, kSeries);
    Place(window_, IDC_ABOUT_DONATE,
          {kSeries.x + (kSeries.width - 150) / 2, kSeries.y + 48, 150, 44});
    Place(window_, IDC_ABOUT_CREDIT, {kFrame.x, 282, 250, 16});
    Place(window_, IDOK, {kClientWidth - 8 - 80, kClientHeight - 8 - 25, 80, 25});
  }

  void SetFont(int id, const win32::GdiObject& font) {
    SendDlgItemMessageW(window_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  }

  void Command(int id, int code) {
    if (id == IDOK || id == IDCANCEL) {
      // One button, both default and cancel: Enter and Esc close the box alike.
      EndDialog(window_, IDOK);
      return;
    }
    if (code != STN_CLICKED)
      return;
    if (id == IDC_ABOUT_DONATE) {
      Open(kWebTag);
    } else {
      Open(TagOf(id));
    }
  }

  void Open(int tag) {
    std::wstring target;
    if (tag == kWebTag) {
      target = LoadText(IDS_WEB_SCHEME) + LoadText(IDS_WEB);
    } else if (tag == kMailTag) {
      target = LoadText(IDS_MAIL_SCHEME) + LoadText(IDS_MAIL);
    } else {
      return;
    }
    win32::LaunchShell(target, L"", false);
  }

  void Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    const HPEN pen = CreatePen(PS_SOLID, 1, kGrey);
    const HGDIOBJ old_pen = SelectObject(dc, pen);
    const HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, kFrame.x, kFrame.y, kFrame.x + kFrame.width, kFrame.y + kFrame.height);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    RECT series{kSeries.x, kSeries.y, kSeries.x + kSeries.width, kSeries.y + kSeries.height};
    FillRect(dc, &series, white_.brush());
    EndPaint(window_, &paint);
  }

  HBRUSH ColorStatic(HDC dc, HWND control) {
    switch (GetDlgCtrlID(control)) {
      case IDC_ABOUT_BETA:
        SetTextColor(dc, kRed);
        break;
      case IDC_ABOUT_WEB:
      case IDC_ABOUT_MAIL:
        SetTextColor(dc, kLink);
        break;
      case IDC_ABOUT_CREDIT:
        SetTextColor(dc, kGrey);
        break;
      case IDC_ABOUT_SERIES:
        SetBkColor(dc, kWhite);
        return white_.brush();
      default:
        return nullptr;
    }
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }

  // The donation button: a picture of a rounded yellow button.
  void DrawDonate(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    FillRect(dc, &r, white_.brush());
    const HBRUSH fill = CreateSolidBrush(RGB(255, 196, 57));
    const HPEN pen = CreatePen(PS_SOLID, 1, RGB(204, 150, 30));
    const HGDIOBJ old_brush = SelectObject(dc, fill);
    const HGDIOBJ old_pen = SelectObject(dc, pen);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 20, 20);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    DeleteObject(fill);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 48, 135));
    const HGDIOBJ old_font = SelectObject(dc, project_font_.get());
    RECT text = r;
    const std::wstring label = LoadText(IDS_DONATE);
    DrawTextW(dc, label.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old_font);
  }

  HWND window_ = nullptr;
  win32::GdiObject project_font_, beta_font_, link_font_, credit_font_, white_;
};

}  // namespace

void ShowAboutBox() {
  AboutBox box;
  box.Show();
}

}  // namespace varkesh::ui

#include "ui/win32/common.h"

#include <commctrl.h>

#include <vector>

#include "varkesh/framework.h"

namespace varkesh::ui::win32 {

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring LoadText(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero length, LoadString hands out a read-only pointer into the resource.
  const int length = LoadStringW(ThisModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::string WindowTextA(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  const int got = GetWindowTextA(window, buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

std::wstring WindowTextW(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

ManifestScope::ManifestScope() {
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = ThisModule();
  request.lpResourceName = MAKEINTRESOURCEW(2);
  context_ = CreateActCtxW(&request);
  if (context_ != INVALID_HANDLE_VALUE)
    active_ = ActivateActCtx(context_, &cookie_) != FALSE;
  INITCOMMONCONTROLSEX controls{static_cast<DWORD>(sizeof(controls)), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

ManifestScope::~ManifestScope() {
  if (active_)
    DeactivateActCtx(0, cookie_);
  if (context_ != INVALID_HANDLE_VALUE)
    ReleaseActCtx(context_);
}

void Place(HWND dialog, int id, const Box& box) {
  SetWindowPos(GetDlgItem(dialog, id), nullptr, box.x, box.y, box.width, box.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeAndCentre(HWND dialog, int client_width, int client_height) {
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT DerivedFont(HWND dialog, int height, bool bold, bool underline) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
  if (height != 0)
    font.lfHeight = -height;
  font.lfWidth = 0;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  return CreateFontIndirectW(&font);
}

INT_PTR ModalDialog::RunModal(int id, HWND owner, const char* what) {
  const ManifestScope manifest;
  const INT_PTR result = DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(id), owner,
                                         &ModalDialog::Procedure, reinterpret_cast<LPARAM>(this));
  trap_.RethrowIfAny();
  if (result == -1)
    throw Error(std::string("The ") + what + " cannot be shown");
  return result;
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrW(window, DWLP_USER, lparam);
  auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr)
    return FALSE;
  return self->trap_.Run(window, [&] { return self->Handle(window, message, wparam, lparam); });
}

}  // namespace varkesh::ui::win32

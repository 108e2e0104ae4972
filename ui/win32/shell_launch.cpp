#include "ui/win32/shell_launch.h"

#include "ui/win32/common.h"
// Needs <windows.h> first.
#include <shellapi.h>

namespace varkesh::ui::win32 {

namespace {

void RunPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to take: leave it for the host's own loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void LaunchShell(const std::wstring& target, const std::wstring& parameters, bool wait) {
  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof(request);
  request.fMask = SEE_MASK_NOCLOSEPROCESS;
  request.hwnd = GetDesktopWindow();
  request.lpVerb = nullptr;  // the shell's default action
  request.lpFile = target.c_str();
  request.lpParameters = parameters.c_str();
  request.lpDirectory = nullptr;
  request.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&request))
    return;
  if (request.hProcess == nullptr)  // opened without a new process
    return;
  if (wait) {
    DWORD waited;
    do {
      waited = WaitForSingleObject(request.hProcess, 500);
      RunPendingMessages();
    } while (waited == WAIT_TIMEOUT);
  }
  // We asked for the handle only to wait on it.
  CloseHandle(request.hProcess);
}

}  // namespace varkesh::ui::win32

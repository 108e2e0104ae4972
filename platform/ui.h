// The few window-system services the plug-in needs outside its dialogs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varkesh::platform {

// An error message box (icon and OK button) owned by the active window. The message is UTF-8
// and reaches the window in wide characters, so every letter shows whatever the system's code
// page. Does nothing where there is no window system.
void ShowErrorBox(const std::string& utf8);

// Text in the system's ANSI code page (as the host passes it on Windows) as UTF-8; nullopt
// where the system has no such code page.
std::optional<std::string> AnsiToUtf8(std::string_view ansi);

}  // namespace varkesh::platform

// The few window-system services the plug-in needs outside its dialogs.
#pragma once

#include <string>

namespace varkesh::platform {

// An error message box (icon and OK button) owned by the active window, with the message in
// the host's code page. Does nothing where there is no window system.
void ShowErrorBox(const std::string& message);

}  // namespace varkesh::platform

// Opens a document, web address or mail link with whatever the shell associates with it.
#pragma once

#include <string>

namespace varkesh::ui::win32 {

// Asks the shell to open `target` with `parameters`. With `wait`, returns only when the
// program it started has ended, keeping the host's windows alive meanwhile. A target the shell
// cannot open is left to the shell to report.
void LaunchShell(const std::wstring& target, const std::wstring& parameters, bool wait);

}  // namespace varkesh::ui::win32

#include "platform/ui.h"

#ifdef _WIN32
#  include "platform/win32.h"
#endif

namespace varkesh::platform {

#ifdef _WIN32

namespace {

std::wstring Wide(UINT code_page, std::string_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), n);
  return out;
}

}  // namespace

void ShowErrorBox(const std::string& utf8) {
  MessageBoxW(GetActiveWindow(), Wide(CP_UTF8, utf8).c_str(), L"Varkesh", MB_ICONERROR | MB_OK);
}

std::optional<std::string> AnsiToUtf8(std::string_view ansi) {
  const std::wstring wide = Wide(CP_ACP, ansi);
  if (wide.empty())
    return std::string();
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

#else

void ShowErrorBox(const std::string&) {}

std::optional<std::string> AnsiToUtf8(std::string_view) { return std::nullopt; }

#endif

}  // namespace varkesh::platform

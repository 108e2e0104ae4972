#include "platform/arguments.h"

#include <cstdlib>

#ifdef _WIN32
#  include "platform/win32.h"
// Needs <windows.h> first.
#  include <shellapi.h>
#endif

namespace varkesh::platform {

#ifdef _WIN32
namespace {

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), n, nullptr, nullptr);
  text.pop_back();
  return text;
}

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), n);
  text.pop_back();
  return text;
}

}  // namespace
#endif

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

std::optional<std::string> EnvironmentVariable(const std::string& name) {
#ifdef _WIN32
  const wchar_t* value = _wgetenv(Wide(name).c_str());
  if (value == nullptr)
    return std::nullopt;
  return Utf8(value);
#else
  const char* value = std::getenv(name.c_str());
  if (value == nullptr)
    return std::nullopt;
  return std::string(value);
#endif
}

}  // namespace varkesh::platform

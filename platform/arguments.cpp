#include "platform/arguments.h"

#ifdef _WIN32
#  include "platform/win32.h"
// Needs <windows.h> first.
#  include <shellapi.h>
#endif

namespace varkesh::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string argument(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), n, nullptr, nullptr);
    argument.pop_back();
    arguments.push_back(std::move(argument));
  }
  LocalFree(wide);
  return arguments;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace varkesh::platform

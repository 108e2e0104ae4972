#include "platform/ui.h"

#ifdef _WIN32
#  include "platform/win32.h"
#endif

namespace varkesh::platform {

void ShowErrorBox(const std::string& message) {
#ifdef _WIN32
  MessageBoxA(GetActiveWindow(), message.c_str(), "Varkesh", MB_ICONERROR | MB_OK);
#else
  (void)message;
#endif
}

}  // namespace varkesh::platform

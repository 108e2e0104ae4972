#include "plugin/guard.h"

#include "platform/ui.h"

namespace varkesh::plugin {

namespace {

std::string& LastErrorStorage() {
  static std::string message;
  return message;
}

}  // namespace

const std::string& LastError() { return LastErrorStorage(); }

void ClearError() { LastErrorStorage().clear(); }

void ReportError(const std::string& message) {
  try {
    LastErrorStorage() = message;
    platform::ShowErrorBox(message);
  } catch (...) {
    // Out of memory while reporting: nothing more can be done.
  }
}

}  // namespace varkesh::plugin

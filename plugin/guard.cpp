#include "plugin/guard.h"

#include "hostlink/host_text.h"
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

void ReportError(const std::exception& error) {
  try {
    LastErrorStorage() = error.what();
    platform::ShowErrorBox(ErrorBoxText(error));
  } catch (...) {
    // Out of memory while reporting: nothing more can be done.
  }
}

}  // namespace varkesh::plugin

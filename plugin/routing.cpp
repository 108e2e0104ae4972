#include "plugin/routing.h"

#include <optional>
#include <string>
#include <vector>

#include "actions/actions.h"
#include "hostlink/host_link.h"
#include "platform/wipe.h"
#include "plugin/catalogue.h"
#include "ui/dialogs.h"

namespace varkesh::plugin {

using hostlink::SetHostVariable;

bool ExecAction(int32_t action, char** parameters) {
  const int count = ParameterCount(action);
  if (count == 0)
    return false;

  // The copies hold the pass phrase: made in place, never moved, and wiped on every way out.
  struct Copies : std::vector<std::string> {
    ~Copies() {
      for (std::string& text : *this) platform::Wipe(text);
    }
  } p;

  p.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) p.emplace_back(parameters[i] != nullptr ? parameters[i] : "");
  switch (action) {
    case 1:
      return RunFileCipher(p[0], p[1], p[2], p[3], p[4], p[5]);
    case 2:
      return RunStringCipher(p[0], p[1], p[2], p[3], p[4], p[5], SetHostVariable);
    case 3:
      return RunFileHashing(p[0], p[1], p[2], SetHostVariable);
    default:
      return RunStringHashing(p[0], p[1], p[2], SetHostVariable);
  }
}

bool EditAction(int32_t action, char** parameters) {
  const std::optional<ui::FormKind> kind = ui::FormForAction(action);
  if (!kind)
    return false;
  return ui::EditWithDialog(*kind, parameters);
}

bool ShowAbout() {
  ui::ShowAboutBox();
  return true;
}

}  // namespace varkesh::plugin

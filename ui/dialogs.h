// The dialogs as the exports show them: on Windows modal windows owned by the host's active
// window; where there is no window system, the edit step fills its dialog (so broken
// parameters are still reported) and then refuses, and the About box shows nothing.
#pragma once

#include "ui/properties.h"

namespace varkesh::ui {

// True when the author confirmed and the slots were rewritten.
bool EditWithDialog(FormKind kind, char** slots);

void ShowAboutBox();

}  // namespace varkesh::ui

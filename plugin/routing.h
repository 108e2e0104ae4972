// Routes edit and run calls by action number (1-4) to a dialog or a run step.
#pragma once

#include <cstdint>

namespace varkesh::plugin {

// Copies the action's parameter slots and runs it; false for any other number, without
// reading the array.
bool ExecAction(int32_t action, char** parameters);

// Shows the action's properties dialog; true when the author confirmed and the slots were
// rewritten.
bool EditAction(int32_t action, char** parameters);

bool ShowAbout();

}  // namespace varkesh::plugin

// What we keep from the host between calls, and the small operations through which the rest of
// the plug-in talks to it. All texts are the host's 8-bit texts.
#pragma once

#include <string>

#include "hostlink/abi.h"

namespace varkesh::hostlink {

// Zero when the library is loaded; each value is written only by the export that delivers it.
struct HostLink {
  uint32_t host_handle = 0;
  RegisterActionCallback register_action = nullptr;
  OpaqueCallback second_callback = nullptr;
  OpaqueCallback third_callback = nullptr;
  SetVariableCallback set_variable = nullptr;
  uint32_t script_processor = 0;
  InterfaceAccessCallback interface_access = nullptr;
};

HostLink& Link();

// Replaces the text in a host string slot: frees the old block, leaves a new host-heap block.
void StoreHostString(char** slot, const std::string& text);
// Frees the block a text pointer holds (if any) and sets the pointer to null.
void FreeHostString(char** text);
// A host text read as ours: null reads as empty.
std::string ReadHostString(const char* text);

// Sets a host variable; an error when the host never registered its callback.
void SetHostVariable(const std::string& name, const std::string& value);
// True when the host's version (request 6) starts with a digit of 5 or more.
bool HostSupportsVariablePicker();
// The variable the author picked in the host (request 14), or empty.
std::string PickHostVariable();

}  // namespace varkesh::hostlink

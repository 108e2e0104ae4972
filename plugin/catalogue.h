// The four actions as the host knows them: ids, names, titles, hints and parameter kinds.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "hostlink/abi.h"

namespace varkesh::plugin {

inline constexpr uint8_t kKindTitle = 0;     // the one-byte kind list of a title entry
inline constexpr uint8_t kKindText = 1;      // a text the action reads
inline constexpr uint8_t kKindVariable = 6;  // a host variable the action writes

struct ActionEntry {
  int32_t id;
  std::string_view name;
  std::string_view title;  // UTF-8; handed over in the host's code page
  std::string_view hint;   // UTF-8
  std::vector<uint8_t> kinds;
};

const std::array<ActionEntry, 4>& Catalogue();

// Number of parameter slots of action `id` (1-4), 0 for any other number.
int ParameterCount(int32_t id);

// Calls the host's callback eight times: title 1, action 1, ..., title 4, action 4.
void RegisterActions(RegisterActionCallback callback);

}  // namespace varkesh::plugin

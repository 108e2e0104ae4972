// The hashing actions' own list of hashes, shorter than the key-hash list of the cipher actions:
// index 0 MD5, 1 RIPEMD-160, 2 SHA-256. The index is stored in the actions' parameters.
#pragma once

#include <cstdint>
#include <span>

#include "varkesh/framework.h"

namespace varkesh {

// The list as key-hash indices (algorithms.h): {2, 4, 6}.
std::span<const int> HashingActionTable();

// The hash of an index of that list; any other throws Error "Invalid hash index: <n>".
const HashClass& HashingActionHash(int32_t index);

}  // namespace varkesh

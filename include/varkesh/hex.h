// Hexadecimal text to bytes and back, for known-answer tests, the command-line tool and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "varkesh/export.h"

namespace varkesh {

/// Decodes pairs of hex digits (either case); anything else, or an odd count, throws
/// std::invalid_argument.
VARKESH_API std::vector<uint8_t> FromHex(std::string_view hex);

/// Two uppercase digits per byte.
VARKESH_API std::string ToHex(const uint8_t* data, size_t size);

inline std::string ToHex(const std::vector<uint8_t>& bytes) {
  return ToHex(bytes.data(), bytes.size());
}

}  // namespace varkesh

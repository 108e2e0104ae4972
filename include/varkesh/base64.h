// Base64: a standard encoder (RFC 4648 alphabet, '=' padding, no line breaks) and the lenient
// decoder that reads every stored string. The decoder never fails: it reads whole groups of
// four characters, a character outside the alphabet keeps the value its position had in the
// previous group (0 in the first group), and '=' counts by position: in the third place the
// group yields one byte, in the fourth two; elsewhere it is the value 255.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "varkesh/export.h"

namespace varkesh {

/// Writes ((size + 2) / 3) * 4 characters and returns that count.
VARKESH_API size_t EncodeBase64(const uint8_t* in, char* out, size_t size);
VARKESH_API std::string EncodeBase64Text(std::string_view bytes);

/// Writes at most (size / 4) * 3 bytes and returns how many it wrote.
VARKESH_API size_t DecodeBase64(const char* in, uint8_t* out, size_t size);
VARKESH_API std::string DecodeBase64Text(std::string_view text);

}  // namespace varkesh

// Long inputs of the vector files are written as pattern(size, seed) instead of hex: the bytes
// of a small linear congruential generator. The vector reader and the independent generator of
// the format vectors both expand it with this function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varkesh::test {

inline std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  uint32_t state = seed;
  for (uint8_t& byte : out) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return out;
}

}  // namespace varkesh::test

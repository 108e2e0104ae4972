// HAVAL with five passes and a 256-bit digest: 128-byte blocks, little-endian words. Unlike the
// published algorithm, the final block starts its padding with 0x80 rather than 0x01, so digests
// (and every key derived from them) differ from published HAVAL-256/5 values.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_hash.h"
#include "crypto/tables/haval.h"

namespace varkesh {

class Haval final : public detail::MdHash<Haval,
                                          ids::kHaval,
                                          std::array<uint32_t, 8>,
                                          detail::MdFormat{.block_bytes = 128,
                                                           .order = detail::ByteOrder::kLittle}> {
 public:
  static bool KnownAnswerTest();

 private:
  friend MdHashCore;

  static constexpr auto& kInitialState = tables::HAVAL_IV;
  // Ahead of the bit count, the 16-bit field version 1 | 5 passes << 3 | 256 bits << 6 = 0x4029.
  static constexpr std::array<uint8_t, 2> kLengthPrefix = {0x29, 0x40};

  void Compress(const uint8_t* blocks, size_t count);
};

}  // namespace varkesh

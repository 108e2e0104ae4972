// RIPEMD-160 (Dobbertin, Bosselaers, Preneel): 160-bit digest, 64-byte blocks, little-endian words,
// two parallel lines of compression steps per block.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_hash.h"
#include "crypto/tables/ripemd.h"

namespace varkesh {

class Ripemd160 final
    : public detail::MdHash<Ripemd160,
                            ids::kRipemd160,
                            std::array<uint32_t, 5>,
                            detail::MdFormat{.order = detail::ByteOrder::kLittle}> {
 public:
  static bool KnownAnswerTest();

 private:
  friend MdHashCore;

  static constexpr auto& kInitialState = tables::MD_IV;

  void Compress(const uint8_t* blocks, size_t count);
};

}  // namespace varkesh

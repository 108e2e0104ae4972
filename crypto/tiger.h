// Tiger (three passes, 192-bit digest): 64-byte blocks, little-endian 64-bit words, and the pad
// byte 0x01 of the algorithm as first published. Table lookups depend on the data, so it is not
// constant-time.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_hash.h"

namespace varkesh {

// The digest is each state word little-endian: the published test results print the words as
// numbers, so their bytes appear reversed there.
class Tiger final : public detail::MdHash<Tiger,
                                          ids::kTiger,
                                          std::array<uint64_t, 3>,
                                          detail::MdFormat{.order = detail::ByteOrder::kLittle,
                                                           .pad_byte = 0x01}> {
 public:
  static bool KnownAnswerTest();

 private:
  friend MdHashCore;

  static constexpr std::array<uint64_t, 3> kInitialState = {
      0x0123456789ABCDEFull, 0xFEDCBA9876543210ull, 0xF096A5B4C3B2E187ull};

  void Compress(const uint8_t* blocks, size_t count);
};

}  // namespace varkesh

// SHA-1 (FIPS 180-2): 160-bit digest, 64-byte blocks, big-endian words. On x86 processors with
// the SHA instructions the compression uses them, chosen at run time; both paths agree bit for bit.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/cpu.h"
#include "crypto/detail/md_hash.h"
#include "crypto/tables/sha.h"

namespace varkesh {

class Sha1 final : public detail::MdHash<Sha1,
                                         ids::kSha1,
                                         std::array<uint32_t, 5>,
                                         detail::MdFormat{.order = detail::ByteOrder::kBig}> {
 public:
  static bool KnownAnswerTest();

 private:
  friend MdHashCore;

  static constexpr auto& kInitialState = tables::SHA1_IV;

  void Compress(const uint8_t* blocks, size_t count);
};

namespace kernels {

// sha1_shani.cpp: `count` blocks through the SHA instructions (needs kCpuSha).
void Sha1Shani(uint32_t* state, const uint8_t* blocks, size_t count);

}  // namespace kernels

}  // namespace varkesh

// SHA-256 (FIPS 180-2): 256-bit digest, 64-byte blocks, big-endian words. On x86 processors with
// the SHA instructions the compression uses them, chosen at run time; both paths agree bit for bit.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/cpu.h"
#include "crypto/detail/md_hash.h"
#include "crypto/tables/sha.h"

namespace varkesh {

class Sha256 final : public detail::MdHash<Sha256,
                                           ids::kSha256,
                                           std::array<uint32_t, 8>,
                                           detail::MdFormat{.order = detail::ByteOrder::kBig}> {
 public:
  static bool KnownAnswerTest();

 private:
  friend MdHashCore;

  static constexpr auto& kInitialState = tables::SHA256_IV;

  void Compress(const uint8_t* blocks, size_t count);
};

namespace kernels {

// sha256_shani.cpp: `count` blocks through the SHA instructions (needs kCpuSha).
void Sha256Shani(uint32_t* state, const uint8_t* blocks, size_t count);

}  // namespace kernels

}  // namespace varkesh

// SHA-384 and SHA-512 (FIPS 180-2): 384- and 512-bit digests, 128-byte blocks, big-endian 64-bit
// words. Sha512Base holds what the two share; they differ only in the initial value and in how
// much of the final state makes the digest.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/cpu.h"
#include "crypto/detail/md_hash.h"

namespace varkesh {

// Not a hash on its own: like the bare Hash it has no identity and its Init and Final do
// nothing, so only the two leaf classes are ever created.
class Sha512Base : public detail::MdHashCore<Sha512Base,
                                             std::array<uint64_t, 8>,
                                             detail::MdFormat{.block_bytes = 128,
                                                              .order = detail::ByteOrder::kBig,
                                                              .length_bytes = 16}> {
 protected:
  Sha512Base() = default;

 private:
  friend MdHashCore;

  void Compress(const uint8_t* blocks, size_t count);
};

class Sha384 final : public HashImpl<Sha384, ids::kSha384, Sha512Base> {
 public:
  static bool KnownAnswerTest();

  void Init() override;
  void Final(uint8_t* digest) override;
};

class Sha512 final : public HashImpl<Sha512, ids::kSha512, Sha512Base> {
 public:
  static bool KnownAnswerTest();

  void Init() override;
  void Final(uint8_t* digest) override;
};

namespace kernels {

// sha512_avx2.cpp (needs kCpuAvx2 and kCpuBmi2) and sha512_avx512.cpp (also kCpuAvx512f and
// kCpuAvx512vl): `count` blocks into the state, the message schedules of two blocks at a time
// computed in vectors.
void Sha512Avx2(uint64_t* state, const uint8_t* blocks, size_t count);
void Sha512Avx512(uint64_t* state, const uint8_t* blocks, size_t count);

}  // namespace kernels

}  // namespace varkesh

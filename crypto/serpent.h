// Serpent: 128-bit block, keys of up to 256 bits, 32 rounds, in the bitslice form. Blocks and keys
// are read as little-endian words; keys shorter than 256 bits get the usual padding (a 1 bit, then
// zeros). No table is indexed with secret data.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/block_ciphers.h"
#include "crypto/detail/cpu.h"

namespace varkesh {

class Serpent final : public CipherImpl<Serpent, ids::kSerpent, BlockCipher128> {
 public:
  Serpent() { Serpent::Wipe(); }

  ~Serpent() override { Serpent::Wipe(); }

  static bool KnownAnswerTest();
  void Wipe() override;

 protected:
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override;
  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void ChainBlocks(detail::ModeRun mode,
                   uint8_t* chain,
                   const uint8_t* in,
                   uint8_t* out,
                   size_t count) const override;

 private:
  std::array<uint32_t, 33 * 4> subkeys_;
};

namespace kernels {

// serpent_avx2.cpp (needs kCpuAvx2) and serpent_avx512.cpp (kCpuAvx512f): whole groups of 8 or
// 16 blocks of a run, in place allowed, with the 132 subkey words `k`; each returns how many
// blocks it did and leaves the rest.
size_t SerpentAvx2(const uint32_t* k, bool decrypt, const uint8_t* in, uint8_t* out, size_t blocks);
size_t SerpentAvx512(
    const uint32_t* k, bool decrypt, const uint8_t* in, uint8_t* out, size_t blocks);

}  // namespace kernels

}  // namespace varkesh

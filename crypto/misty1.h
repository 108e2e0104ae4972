// MISTY1: 64-bit blocks, keys of up to 128 bits (a shorter key is padded with zero bytes).
#pragma once

#include <array>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Misty1 final : public CipherImpl<Misty1, ids::kMisty1, BlockCipher64> {
 public:
  Misty1() { Misty1::Wipe(); }

  ~Misty1() override { Misty1::Wipe(); }

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
  uint32_t FO(uint32_t x, int k) const;
  uint32_t FL(uint32_t x, int k) const;
  uint32_t FLInverse(uint32_t x, int k) const;
  // N blocks side by side.
  template <size_t N>
  void EncryptLanes(const uint8_t* in, uint8_t* out) const;
  template <size_t N>
  void DecryptLanes(const uint8_t* in, uint8_t* out) const;

  // The key words K1..K8, the derived words K'1..K'8, and K'i cut into the two halves that
  // FI takes: its low 9 bits and its high 7 bits.
  std::array<uint32_t, 8> k_;
  std::array<uint32_t, 8> k_prime_;
  std::array<uint32_t, 8> k_prime_low9_;
  std::array<uint32_t, 8> k_prime_high7_;
};

}  // namespace varkesh

// IDEA: 64-bit blocks, keys of up to 128 bits (a shorter key is padded with zero bytes).
#pragma once

#include <array>
#include <cstdint>

#include "crypto/block_ciphers.h"
#include "crypto/detail/cpu.h"

namespace varkesh {

class Idea final : public CipherImpl<Idea, ids::kIdea, BlockCipher64> {
 public:
  Idea() { Idea::Wipe(); }

  ~Idea() override { Idea::Wipe(); }

  static bool KnownAnswerTest();
  void Wipe() override;

  static constexpr size_t kSubkeys = 52;  // 8 rounds of 6, and 4 for the output transformation

  // A subkey as the scalar multiplication takes it: the factor with 0 written as 2^16, and the
  // product of the word 0 (2^16) by it, 1 - subkey in 16 bits.
  struct WideKey {
    uint32_t factor;
    uint32_t times_zero;
  };

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
  // The decryption subkeys are inverted once here, so both directions cost the same.
  std::array<uint16_t, kSubkeys> encrypt_keys_;
  std::array<uint16_t, kSubkeys> decrypt_keys_;
  std::array<WideKey, kSubkeys> encrypt_wide_;
  std::array<WideKey, kSubkeys> decrypt_wide_;
};

namespace kernels {

// idea_avx2.cpp (kCpuAvx2) and idea_sse2.cpp (kCpuSse2): whole groups of 16 or 8 blocks with the
// 52 subkeys k, in place allowed; each returns how many blocks it did and leaves the rest.
size_t IdeaAvx2(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t blocks);
size_t IdeaSse2(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t blocks);

}  // namespace kernels

}  // namespace varkesh

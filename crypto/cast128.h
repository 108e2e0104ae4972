// CAST-128: 64-bit block, keys of 8 to 128 bits; 12 rounds for keys of at most 10 bytes,
// 16 otherwise. Table lookups on secret bytes: not constant-time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Cast128 final : public CipherImpl<Cast128, ids::kCast128, BlockCipher64> {
 public:
  Cast128() { Cast128::Wipe(); }

  ~Cast128() override { Cast128::Wipe(); }

  static bool KnownAnswerTest();

  // Subkeys are filled with 0xFF bytes and the round count set to 0.
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
  std::array<uint32_t, 16> km_;  // masking subkeys
  std::array<uint32_t, 16> kr_;  // rotation subkeys, low 5 bits
  int32_t rounds_ = 0;
};

}  // namespace varkesh

// CAST-256 (RFC 2612): 128-bit block, keys of up to 256 bits zero-padded to 256, 48 rounds.
// Blocks and keys are read as big-endian words. Not constant-time: the S-boxes are indexed with
// secret data.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Cast256 final : public CipherImpl<Cast256, ids::kCast256, BlockCipher128> {
 public:
  Cast256() { Cast256::Wipe(); }

  ~Cast256() override { Cast256::Wipe(); }

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
  // Four of each per quad-round; rotations keep their low 5 bits.
  std::array<uint32_t, 48> rotations_;
  std::array<uint32_t, 48> masks_;
};

}  // namespace varkesh

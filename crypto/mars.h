// MARS: 128-bit block, keys of 32 to 1248 bits, unkeyed forward mixing, a keyed core of 16 rounds
// and unkeyed backward mixing. The key expansion is that of the first published version (not the
// later revision with its 15-word array), which the stored data depend on. Blocks and keys are
// read as little-endian words. Not constant-time: the S-box is indexed with secret data.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Mars final : public CipherImpl<Mars, ids::kMars, BlockCipher128> {
 public:
  Mars() { Mars::Wipe(); }

  ~Mars() override { Mars::Wipe(); }

  static bool KnownAnswerTest();
  void Wipe() override;

 protected:
  // Only whole 32-bit words of the key count; a key without one (under 32 bits) would leave the
  // cipher unkeyed and is refused with BlockCipherError "Invalid key size".
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override;
  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void ChainBlocks(detail::ModeRun mode,
                   uint8_t* chain,
                   const uint8_t* in,
                   uint8_t* out,
                   size_t count) const override;

 private:
  std::array<uint32_t, 40> k_;
};

namespace detail {

// The pieces of the key expansion, open to tests. MarsExpandKey needs key_bits >= 32.
void MarsExpandKey(const uint8_t* key, uint32_t key_bits, std::array<uint32_t, 40>& k);
// The mask of bits of a multiplication key word that are fixed up: bits 2..31 that lie inside a
// run of ten or more equal bits of w and equal both neighbours (bit 32 reads as 0).
uint32_t MarsFixupMask(uint32_t w);

}  // namespace detail

}  // namespace varkesh

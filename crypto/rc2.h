// RC2: 64-bit blocks, keys of 8 to 1024 bits, effective key length always 1024 bits.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Rc2 final : public CipherImpl<Rc2, ids::kRc2, BlockCipher64> {
 public:
  Rc2() { Rc2::Wipe(); }

  ~Rc2() override { Rc2::Wipe(); }

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
  std::array<uint16_t, 64> k_;  // K[i] = L[2i] + 256 * L[2i+1] of the expanded key bytes
};

}  // namespace varkesh

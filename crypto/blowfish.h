// Blowfish: 64-bit block, keys of 8 to 448 bits (whole bytes, used cyclically), 16 rounds.
// The S-boxes are key-dependent and indexed by secret bytes, so it is not constant-time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Blowfish final : public CipherImpl<Blowfish, ids::kBlowfish, BlockCipher64> {
 public:
  Blowfish() { Blowfish::Wipe(); }

  ~Blowfish() override { Blowfish::Wipe(); }

  static bool KnownAnswerTest();

  // The P-array and S-boxes are filled with 0xFF bytes.
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
  std::array<uint32_t, 18> p_;
  std::array<std::array<uint32_t, 256>, 4> s_;
};

}  // namespace varkesh

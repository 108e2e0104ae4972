// Twofish: 128-bit blocks, keys of 8 to 256 bits zero-padded to 128, 192 or 256 bits. The
// key-dependent S-boxes are expanded with the MDS matrix into four word tables per key, so a
// block costs only look-ups, additions and rotations; not constant-time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Twofish final : public CipherImpl<Twofish, ids::kTwofish, BlockCipher128> {
 public:
  Twofish() { Twofish::Wipe(); }

  ~Twofish() override { Twofish::Wipe(); }

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
  std::array<uint32_t, 40> subkeys_;
  std::array<std::array<uint32_t, 256>, 4> sboxes_;  // g(x) = XOR of sboxes_[i][byte i of x]
};

}  // namespace varkesh

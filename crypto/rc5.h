// RC5-32/12/b: 64-bit block, keys of 8 to 2048 bits, 12 rounds, little-endian words. Also home
// of the key expansion that RC6 shares.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

namespace detail {

// The RC5/RC6 key expansion: fills s[0..words-1] (words <= 44) from key_bytes key bytes
// (1 to 256), read as little-endian words of a zero-padded 256-byte buffer.
void ExpandRcKey(const uint8_t* key, size_t key_bytes, uint32_t* s, size_t words);

}  // namespace detail

class Rc5 final : public CipherImpl<Rc5, ids::kRc5, BlockCipher64> {
 public:
  Rc5() { Rc5::Wipe(); }

  ~Rc5() override { Rc5::Wipe(); }

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
  std::array<uint32_t, 26> s_;  // 12 rounds
};

}  // namespace varkesh

// RC6-32/20/b: 128-bit block, keys of 8 to 2048 bits, 20 rounds, little-endian words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Rc6 final : public CipherImpl<Rc6, ids::kRc6, BlockCipher128> {
 public:
  Rc6() { Rc6::Wipe(); }

  ~Rc6() override { Rc6::Wipe(); }

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
  static constexpr int kRounds = 20;

  std::array<uint32_t, 2 * kRounds + 4> s_;
};

}  // namespace varkesh

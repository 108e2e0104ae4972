// The ICE family: Thin-ICE (8 rounds), ICE (16 rounds) and ICE-2 (32 rounds), 64-bit blocks,
// keys of up to 64, 64 and 128 bits. One shared implementation; the leaves pick the level.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

// Common base of the three levels. It keeps the framework's default identity and is only ever
// used through Ice, ThinIce and Ice2.
class CustomIce : public BlockCipher64 {
 public:
  ~CustomIce() override { CustomIce::Wipe(); }

  void Wipe() override;  // subkeys zeroed, rounds 0, then BlockCipher64::Wipe()

 protected:
  CustomIce() { CustomIce::Wipe(); }  // a new object is in the state Wipe leaves

  // Fills rounds and subkeys from key_bits / 8 key bytes (zero-padded to 16). Level 0 gives 8
  // rounds from key bytes 0-7, level n >= 1 gives 16n rounds from key bytes 0 to 8n-1.
  void IceKeySchedule(const uint8_t* key, uint32_t key_bits, unsigned level);

  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void ChainBlocks(detail::ModeRun mode,
                   uint8_t* chain,
                   const uint8_t* in,
                   uint8_t* out,
                   size_t count) const override;

 private:
  // The two 20-bit XOR words and the salt mask, each split into its high and low 10 bits (the
  // halves the S-box indices take): XOR 0 high, low, XOR 1 high, low, salt high, low; then the
  // complement of the salt's high and low halves (within their 10 bits).
  using Subkey = std::array<uint32_t, 8>;

  void BuildSubkeys(std::array<uint16_t, 4>& kb, size_t first, const uint8_t* rotation);

  int32_t rounds_ = 0;
  std::array<Subkey, 32> subkeys_;
};

class Ice final : public CipherImpl<Ice, ids::kIce, CustomIce> {
 public:
  static bool KnownAnswerTest();

 protected:
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override {
    IceKeySchedule(key, key_bits, 1);
  }
};

class ThinIce final : public CipherImpl<ThinIce, ids::kThinIce, CustomIce> {
 public:
  static bool KnownAnswerTest();

 protected:
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override {
    IceKeySchedule(key, key_bits, 0);
  }
};

class Ice2 final : public CipherImpl<Ice2, ids::kIce2, CustomIce> {
 public:
  static bool KnownAnswerTest();

 protected:
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override {
    IceKeySchedule(key, key_bits, 2);
  }
};

}  // namespace varkesh

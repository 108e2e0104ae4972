// RC2: 64-bit blocks as four little-endian 16-bit words, keys of 1 to 128 bytes, 16 mixing and
// 2 mashing rounds. The effective key length is always 1024 bits, whatever the key length, so
// only the first expanded key byte goes through the reduction step; published vectors for
// other effective lengths do not apply. Mashing indexes the key with data, so timing depends
// on both.
#include "crypto/rc2.h"

#include <cstring>

#include "crypto/detail/bytes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/rc2.h"

namespace varkesh {

namespace {

inline uint16_t Rotl16(uint32_t v, int n) {
  v &= 0xFFFF;
  return static_cast<uint16_t>(v << n | v >> (16 - n));
}

inline uint16_t Rotr16(uint32_t v, int n) {
  v &= 0xFFFF;
  return static_cast<uint16_t>(v >> n | v << (16 - n));
}

}  // namespace

bool Rc2::KnownAnswerTest() {
  return BlockKnownAnswers<Rc2>({
      {"000102030405060708090a0b0c0d0e0f", 128, "0000000000000000", "50dc0162bd757f31"},
      {"00000000000000000000000000000001", 128, "0000000000000000", "21829c78a9f9c074"},
  });
}

void Rc2::Wipe() {
  detail::SecureWipe(k_.data(), sizeof(k_));
  BlockCipher64::Wipe();
}

void Rc2::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  const size_t t = key_bits / 8;  // 1 to 128: Init refuses the rest
  uint8_t l[128];
  std::memcpy(l, key, t);
  for (size_t i = t; i < 128; ++i) {
    l[i] = tables::RC2_PITABLE[static_cast<uint8_t>(l[i - 1] + l[i - t])];
  }
  // The reduction to the effective key length: with 1024 bits it touches the first byte only.
  l[0] = tables::RC2_PITABLE[l[0]];
  for (size_t i = 0; i < 64; ++i) k_[i] = static_cast<uint16_t>(l[2 * i] | l[2 * i + 1] << 8);
  detail::SecureWipe(l, sizeof(l));
}

void Rc2::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  const uint16_t* k = k_.data();
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint32_t r0 = in[0] | in[1] << 8, r1 = in[2] | in[3] << 8;
    uint32_t r2 = in[4] | in[5] << 8, r3 = in[6] | in[7] << 8;
    for (int round = 0; round < 16; ++round) {
      const uint16_t* j = k + 4 * round;
      r0 = Rotl16(r0 + j[0] + (r3 & r2) + (~r3 & r1), 1);
      r1 = Rotl16(r1 + j[1] + (r0 & r3) + (~r0 & r2), 2);
      r2 = Rotl16(r2 + j[2] + (r1 & r0) + (~r1 & r3), 3);
      r3 = Rotl16(r3 + j[3] + (r2 & r1) + (~r2 & r0), 5);
      // Mashing after the fifth and the eleventh mixing round.
      if (round == 4 || round == 10) {
        r0 = (r0 + k[r3 & 63]) & 0xFFFF;
        r1 = (r1 + k[r0 & 63]) & 0xFFFF;
        r2 = (r2 + k[r1 & 63]) & 0xFFFF;
        r3 = (r3 + k[r2 & 63]) & 0xFFFF;
      }
    }
    const uint32_t words[4] = {r0, r1, r2, r3};
    for (int i = 0; i < 4; ++i) {
      out[2 * i] = static_cast<uint8_t>(words[i]);
      out[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
  }
}

void Rc2::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  const uint16_t* k = k_.data();
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint32_t r0 = in[0] | in[1] << 8, r1 = in[2] | in[3] << 8;
    uint32_t r2 = in[4] | in[5] << 8, r3 = in[6] | in[7] << 8;
    for (int round = 15; round >= 0; --round) {
      const uint16_t* j = k + 4 * round;
      r3 = (Rotr16(r3, 5) - j[3] - (r2 & r1) - (~r2 & r0)) & 0xFFFF;
      r2 = (Rotr16(r2, 3) - j[2] - (r1 & r0) - (~r1 & r3)) & 0xFFFF;
      r1 = (Rotr16(r1, 2) - j[1] - (r0 & r3) - (~r0 & r2)) & 0xFFFF;
      r0 = (Rotr16(r0, 1) - j[0] - (r3 & r2) - (~r3 & r1)) & 0xFFFF;
      // The mashing rounds came just before mixing rounds 5 and 11; undo them right after.
      if (round == 5 || round == 11) {
        r3 = (r3 - k[r2 & 63]) & 0xFFFF;
        r2 = (r2 - k[r1 & 63]) & 0xFFFF;
        r1 = (r1 - k[r0 & 63]) & 0xFFFF;
        r0 = (r0 - k[r3 & 63]) & 0xFFFF;
      }
    }
    const uint32_t words[4] = {r0, r1, r2, r3};
    for (int i = 0; i < 4; ++i) {
      out[2 * i] = static_cast<uint8_t>(words[i]);
      out[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
  }
}

}  // namespace varkesh

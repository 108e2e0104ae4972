// IDEA: 64-bit blocks as four big-endian 16-bit words, 128-bit keys (a shorter key is padded
// with zero bytes), 8 rounds and an output transformation. The multiplication branches on its
// operands, so timing depends on key and data.
#include "crypto/idea.h"

#include <cstring>

#include "crypto/detail/bytes.h"
#include "crypto/known_answer.h"

namespace varkesh {

namespace {

// Multiplication modulo 2^16 + 1, where the word 0 stands for 2^16.
inline uint16_t Mul(uint16_t a, uint16_t b) {
  const uint32_t p = uint32_t{a} * b;
  if (p == 0) {
    // One operand is 2^16 = -1: the product is the negated other one, 1 - a - b in 16 bits.
    return static_cast<uint16_t>(1 - a - b);
  }
  // p = hi * 2^16 + lo, and 2^16 = -1, so p = lo - hi.
  const uint32_t lo = p & 0xFFFF;
  const uint32_t hi = p >> 16;
  return static_cast<uint16_t>(lo - hi + (lo < hi ? 1 : 0));
}

// Multiplicative inverse modulo 2^16 + 1 (0 and 1 are their own inverses), by x^(2^16 - 1).
uint16_t MulInverse(uint16_t x) {
  if (x <= 1)
    return x;
  uint64_t result = 1, base = x, exponent = 0xFFFF;
  for (; exponent != 0; exponent >>= 1) {
    if (exponent & 1)
      result = result * base % 0x10001;
    base = base * base % 0x10001;
  }
  return static_cast<uint16_t>(result);
}

inline uint16_t Negate(uint16_t x) { return static_cast<uint16_t>(0 - x); }

void Crypt(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t blocks) {
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint16_t x1 = static_cast<uint16_t>(in[0] << 8 | in[1]);
    uint16_t x2 = static_cast<uint16_t>(in[2] << 8 | in[3]);
    uint16_t x3 = static_cast<uint16_t>(in[4] << 8 | in[5]);
    uint16_t x4 = static_cast<uint16_t>(in[6] << 8 | in[7]);
    const uint16_t* rk = k;
    for (int round = 0; round < 8; ++round, rk += 6) {
      x1 = Mul(x1, rk[0]);
      x2 = static_cast<uint16_t>(x2 + rk[1]);
      x3 = static_cast<uint16_t>(x3 + rk[2]);
      x4 = Mul(x4, rk[3]);
      uint16_t t = Mul(static_cast<uint16_t>(x1 ^ x3), rk[4]);
      const uint16_t u = Mul(static_cast<uint16_t>(t + (x2 ^ x4)), rk[5]);
      t = static_cast<uint16_t>(t + u);
      x1 ^= u;
      x4 ^= t;
      // The two middle words trade places between rounds.
      const uint16_t middle = static_cast<uint16_t>(x2 ^ t);
      x2 = static_cast<uint16_t>(x3 ^ u);
      x3 = middle;
    }
    // The output transformation undoes the last exchange of the middle words.
    const uint16_t y1 = Mul(x1, rk[0]);
    const uint16_t y2 = static_cast<uint16_t>(x3 + rk[1]);
    const uint16_t y3 = static_cast<uint16_t>(x2 + rk[2]);
    const uint16_t y4 = Mul(x4, rk[3]);
    const uint16_t words[4] = {y1, y2, y3, y4};
    for (int i = 0; i < 4; ++i) {
      out[2 * i] = static_cast<uint8_t>(words[i] >> 8);
      out[2 * i + 1] = static_cast<uint8_t>(words[i]);
    }
  }
}

}  // namespace

bool Idea::KnownAnswerTest() {
  return BlockKnownAnswers<Idea>({
      {"3a984e2000195db32ee501c8c47cea60", 128, "0102030405060708", "97bcd8200780da86"},
      {"006400c8012c019001f4025802bc0320", 128, "05320a6414c819fa", "65be87e7a2538aed"},
  });
}

void Idea::Wipe() {
  detail::SecureWipe(encrypt_keys_.data(), sizeof(encrypt_keys_));
  detail::SecureWipe(decrypt_keys_.data(), sizeof(decrypt_keys_));
  BlockCipher64::Wipe();
}

void Idea::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  uint8_t padded[16] = {};
  std::memcpy(padded, key, key_bits / 8);
  // The 128-bit key as two halves; each group of eight subkeys is read from it in order, and
  // it turns 25 bits to the left between groups.
  uint64_t hi = detail::LoadBe64(padded), lo = detail::LoadBe64(padded + 8);
  for (size_t i = 0; i < kSubkeys; ++i) {
    const size_t word = i % 8;
    const uint64_t half = word < 4 ? hi : lo;
    encrypt_keys_[i] = static_cast<uint16_t>(half >> (48 - 16 * (word % 4)));
    if (word == 7) {
      const uint64_t new_hi = hi << 25 | lo >> 39;
      lo = lo << 25 | hi >> 39;
      hi = new_hi;
    }
  }
  detail::SecureWipe(padded, sizeof(padded));
  detail::SecureWipeObject(hi);
  detail::SecureWipeObject(lo);

  // Decryption runs the rounds backwards: round r takes the inverted multiplication and
  // addition keys of round 8 - r (the addition keys exchanged, except at the two ends) and the
  // MA-layer keys of round 7 - r unchanged.
  const uint16_t* e = encrypt_keys_.data();
  uint16_t* d = decrypt_keys_.data();
  for (size_t round = 0; round <= 8; ++round) {
    const size_t src = 6 * (8 - round);
    const bool ends = round == 0 || round == 8;
    d[6 * round] = MulInverse(e[src]);
    d[6 * round + 1] = Negate(e[src + (ends ? 1 : 2)]);
    d[6 * round + 2] = Negate(e[src + (ends ? 2 : 1)]);
    d[6 * round + 3] = MulInverse(e[src + 3]);
    if (round < 8) {
      d[6 * round + 4] = e[src - 2];
      d[6 * round + 5] = e[src - 1];
    }
  }
}

void Idea::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  Crypt(encrypt_keys_.data(), in, out, blocks);
}

void Idea::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  Crypt(decrypt_keys_.data(), in, out, blocks);
}

}  // namespace varkesh

// MISTY1: 64-bit blocks as two big-endian 32-bit words, 128-bit keys read as eight big-endian
// 16-bit words (a shorter key is padded with zero bytes), 8 FO rounds with FL layers. The S-box
// lookups use secret indices, so timing depends on key and data.
#include "crypto/misty1.h"

#include <cstring>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/misty1.h"

namespace varkesh {

namespace {

using tables::MISTY1_S7;
using tables::MISTY1_S9;

// FI on a 16-bit value with the key split into its low 9 and high 7 bits.
inline uint32_t FI(uint32_t x, uint32_t key_low9, uint32_t key_high7) {
  uint32_t d9 = x >> 7;
  uint32_t d7 = x & 0x7F;
  d9 = MISTY1_S9[d9] ^ d7;
  d7 = (MISTY1_S7[d7] ^ d9) & 0x7F;
  d7 ^= key_high7;
  d9 ^= key_low9;
  d9 = MISTY1_S9[d9] ^ d7;
  return d7 << 9 | d9;
}

// FI(x) ^ mix, rearranged for the latency of one block: the path from x is a shift, a look-up, an
// XOR, a look-up and an XOR. Everything the 7-bit half contributes (S7, the high key bits, and at
// the end that half in both of its places of the result, bits 9 to 15 and 0 to 6) is worked out
// beside the two S9 look-ups, as is mix.
inline uint32_t MixedFI(uint32_t x, uint32_t key_low9, uint32_t key_high7, uint32_t mix) {
  const uint32_t d7 = x & 0x7F;
  const uint32_t d9 = MISTY1_S9[x >> 7] ^ (d7 ^ key_low9);  // the second look-up's index
  const uint32_t e7 = (d9 & 0x7F) ^ (MISTY1_S7[d7] ^ key_high7 ^ (key_low9 & 0x7F));
  return MISTY1_S9[d9] ^ detail::Settled((e7 << 9 | e7) ^ mix);
}

}  // namespace

bool Misty1::KnownAnswerTest() {
  // Both vectors run on one keyed object, so the second also shows that a block leaves no
  // trace in the schedule.
  static constexpr BlockAnswer kAnswers[] = {
      {"00112233445566778899aabbccddeeff", 128, "0123456789abcdef", "8b1da5f56ab3d07c"},
      {"00112233445566778899aabbccddeeff", 128, "fedcba9876543210", "04b68240b13be95d"},
  };
  Misty1 cipher;
  const std::vector<uint8_t> key = FromHex(kAnswers[0].key_hex);
  cipher.Init(key.data(), kAnswers[0].key_bits);
  bool ok = true;
  for (const BlockAnswer& answer : kAnswers) {
    const std::vector<uint8_t> plain = FromHex(answer.plain_hex);
    std::vector<uint8_t> block(8);
    cipher.EncryptBlock(plain.data(), block.data());
    ok = block == FromHex(answer.cipher_hex) && ok;
    cipher.DecryptBlock(block.data(), block.data());
    ok = block == plain && ok;
  }
  cipher.Wipe();
  return ok;
}

void Misty1::Wipe() {
  detail::SecureWipe(k_.data(), sizeof(k_));
  detail::SecureWipe(k_prime_.data(), sizeof(k_prime_));
  detail::SecureWipe(k_prime_low9_.data(), sizeof(k_prime_low9_));
  detail::SecureWipe(k_prime_high7_.data(), sizeof(k_prime_high7_));
  BlockCipher64::Wipe();
}

void Misty1::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  uint8_t padded[16] = {};
  std::memcpy(padded, key, key_bits / 8);
  for (size_t i = 0; i < 8; ++i) k_[i] = uint32_t{padded[2 * i]} << 8 | padded[2 * i + 1];
  detail::SecureWipe(padded, sizeof(padded));
  for (size_t i = 0; i < 8; ++i) {
    const uint32_t next = k_[(i + 1) % 8];
    k_prime_[i] = FI(k_[i], next & 0x1FF, next >> 9);
    k_prime_low9_[i] = k_prime_[i] & 0x1FF;
    k_prime_high7_[i] = k_prime_[i] >> 9;
  }
}

inline uint32_t Misty1::FO(uint32_t x, int k) const {
  const auto at = [k](int offset) { return static_cast<size_t>((k + offset) % 8); };
  const uint32_t t0 = x >> 16;
  const uint32_t t1 = x & 0xFFFF;
  // The second FI does not depend on the first. The first's output carries the XORs that come
  // before the third FI, which takes it as it is; the other words each half takes go in as mix.
  const uint32_t a =
      MixedFI(t0 ^ k_[at(0)], k_prime_low9_[at(5)], k_prime_high7_[at(5)], t1 ^ k_[at(7)]);
  const uint32_t b =
      MixedFI(t1 ^ k_[at(2)], k_prime_low9_[at(1)], k_prime_high7_[at(1)], k_[at(7)] ^ k_[at(4)]);
  const uint32_t high = a ^ b;
  const uint32_t low = MixedFI(a, k_prime_low9_[at(3)], k_prime_high7_[at(3)], high ^ k_[at(4)]);
  return high << 16 | low;
}

inline uint32_t Misty1::FL(uint32_t x, int k) const {
  uint32_t d0 = x >> 16;
  uint32_t d1 = x & 0xFFFF;
  const auto half = static_cast<size_t>(k / 2);
  if (k % 2 == 0) {
    d1 ^= d0 & k_[half];
    d0 ^= d1 | k_prime_[(half + 6) % 8];
  } else {
    d1 ^= d0 & k_prime_[(half + 2) % 8];
    d0 ^= d1 | k_[(half + 4) % 8];
  }
  return d0 << 16 | d1;
}

inline uint32_t Misty1::FLInverse(uint32_t x, int k) const {
  uint32_t d0 = x >> 16;
  uint32_t d1 = x & 0xFFFF;
  const auto half = static_cast<size_t>(k / 2);
  if (k % 2 == 0) {
    d0 ^= d1 | k_prime_[(half + 6) % 8];
    d1 ^= d0 & k_[half];
  } else {
    d0 ^= d1 | k_[(half + 4) % 8];
    d1 ^= d0 & k_prime_[(half + 2) % 8];
  }
  return d0 << 16 | d1;
}

template <size_t N>
inline void Misty1::EncryptLanes(const uint8_t* in, uint8_t* out) const {
  uint32_t d0[N], d1[N];
  for (size_t b = 0; b < N; ++b) {
    d0[b] = detail::LoadBe32(in + 8 * b);
    d1[b] = detail::LoadBe32(in + 8 * b + 4);
  }
  // Unrolled, so that every subkey index is a constant.
  detail::Unroll(
      [&](auto step) {
        constexpr int i = 2 * static_cast<int>(step);
        for (size_t b = 0; b < N; ++b) {
          d0[b] = FL(d0[b], i);
          d1[b] = FL(d1[b], i + 1);
        }
        for (size_t b = 0; b < N; ++b) d1[b] ^= FO(d0[b], i);
        for (size_t b = 0; b < N; ++b) d0[b] ^= FO(d1[b], i + 1);
      },
      std::make_index_sequence<4>());
  for (size_t b = 0; b < N; ++b) {
    detail::StoreBe32(out + 8 * b, FL(d1[b], 9));
    detail::StoreBe32(out + 8 * b + 4, FL(d0[b], 8));
  }
}

template <size_t N>
inline void Misty1::DecryptLanes(const uint8_t* in, uint8_t* out) const {
  uint32_t d0[N], d1[N];
  for (size_t b = 0; b < N; ++b) {
    d1[b] = FLInverse(detail::LoadBe32(in + 8 * b), 9);
    d0[b] = FLInverse(detail::LoadBe32(in + 8 * b + 4), 8);
  }
  detail::Unroll(
      [&](auto step) {
        constexpr int i = 6 - 2 * static_cast<int>(step);
        for (size_t b = 0; b < N; ++b) d0[b] ^= FO(d1[b], i + 1);
        for (size_t b = 0; b < N; ++b) d1[b] ^= FO(d0[b], i);
        for (size_t b = 0; b < N; ++b) {
          d1[b] = FLInverse(d1[b], i + 1);
          d0[b] = FLInverse(d0[b], i);
        }
      },
      std::make_index_sequence<4>());
  for (size_t b = 0; b < N; ++b) {
    detail::StoreBe32(out + 8 * b, d0[b]);
    detail::StoreBe32(out + 8 * b + 4, d1[b]);
  }
}

void Misty1::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<4, 8>(in, out, blocks,
                         [this]<size_t N>(const uint8_t* i, uint8_t* o) { EncryptLanes<N>(i, o); });
}

void Misty1::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<4, 8>(in, out, blocks,
                         [this]<size_t N>(const uint8_t* i, uint8_t* o) { DecryptLanes<N>(i, o); });
}

void Misty1::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, 4>(
      mode, chain, in, out, count,
      [this]<size_t N>(const uint8_t* i, uint8_t* o) { EncryptLanes<N>(i, o); },
      [this]<size_t N>(const uint8_t* i, uint8_t* o) { DecryptLanes<N>(i, o); });
}

}  // namespace varkesh

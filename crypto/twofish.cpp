// Twofish in its full-keying form: the h function is evaluated once per key for all 256 inputs
// of each byte lane, giving four word tables whose XOR is g. Blocks and keys are read as
// little-endian words.
#include "crypto/twofish.h"

#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/tables/twofish.h"
#include "varkesh/hex.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreLe32;
using tables::TWOFISH_Q0;
using tables::TWOFISH_Q1;

// Product in GF(2^8) modulo the given degree-8 polynomial.
constexpr uint8_t Multiply(uint8_t a, uint8_t b, uint16_t poly) {
  uint16_t x = a;
  uint8_t product = 0;
  for (; b != 0; b >>= 1) {
    if ((b & 1) != 0)
      product ^= static_cast<uint8_t>(x);
    x <<= 1;
    if ((x & 0x100) != 0)
      x ^= poly;
  }
  return product;
}

constexpr uint8_t Byte(uint32_t w, unsigned i) { return static_cast<uint8_t>(w >> (8 * i)); }

using WordTables = std::array<std::array<uint32_t, 256>, 4>;

// kMds[j][y]: column j of the MDS matrix times the last q-permutation of lane j applied to y
// (q1, q0, q1, q0 for lanes 0 to 3). Key-independent, so computed at compile time; each key then
// only indexes it.
constexpr WordTables kMds = [] {
  WordTables t{};
  for (size_t j = 0; j < 4; ++j) {
    for (size_t y = 0; y < 256; ++y) {
      const uint8_t q = (j % 2 == 0) ? TWOFISH_Q1[y] : TWOFISH_Q0[y];
      uint32_t word = 0;
      for (unsigned i = 0; i < 4; ++i) {
        word |= uint32_t{Multiply(tables::TWOFISH_MDS[4 * i + j], q, tables::TWOFISH_MDS_POLY[0])}
                << (8 * i);
      }
      t[j][y] = word;
    }
  }
  return t;
}();

// The h function for the key words l[0..k-1] (k = 2, 3 or 4), on each byte lane of x, stopping
// before the last q-permutation and the MDS matrix (kMds supplies both).
struct Lanes {
  uint8_t y[4];
};

Lanes HBeforeMds(uint32_t x, const uint32_t* l, size_t k) {
  uint8_t y0 = Byte(x, 0), y1 = Byte(x, 1), y2 = Byte(x, 2), y3 = Byte(x, 3);
  if (k == 4) {
    y0 = TWOFISH_Q1[y0] ^ Byte(l[3], 0);
    y1 = TWOFISH_Q0[y1] ^ Byte(l[3], 1);
    y2 = TWOFISH_Q0[y2] ^ Byte(l[3], 2);
    y3 = TWOFISH_Q1[y3] ^ Byte(l[3], 3);
  }
  if (k >= 3) {
    y0 = TWOFISH_Q1[y0] ^ Byte(l[2], 0);
    y1 = TWOFISH_Q1[y1] ^ Byte(l[2], 1);
    y2 = TWOFISH_Q0[y2] ^ Byte(l[2], 2);
    y3 = TWOFISH_Q0[y3] ^ Byte(l[2], 3);
  }
  return {{
      static_cast<uint8_t>(TWOFISH_Q0[TWOFISH_Q0[y0] ^ Byte(l[1], 0)] ^ Byte(l[0], 0)),
      static_cast<uint8_t>(TWOFISH_Q0[TWOFISH_Q1[y1] ^ Byte(l[1], 1)] ^ Byte(l[0], 1)),
      static_cast<uint8_t>(TWOFISH_Q1[TWOFISH_Q0[y2] ^ Byte(l[1], 2)] ^ Byte(l[0], 2)),
      static_cast<uint8_t>(TWOFISH_Q1[TWOFISH_Q1[y3] ^ Byte(l[1], 3)] ^ Byte(l[0], 3)),
  }};
}

uint32_t H(uint32_t x, const uint32_t* l, size_t k) {
  const Lanes lanes = HBeforeMds(x, l, k);
  return kMds[0][lanes.y[0]] ^ kMds[1][lanes.y[1]] ^ kMds[2][lanes.y[2]] ^ kMds[3][lanes.y[3]];
}

// One S-box word: the Reed-Solomon code of eight key bytes.
uint32_t ReedSolomon(const uint8_t* m) {
  uint32_t word = 0;
  for (unsigned i = 0; i < 4; ++i) {
    uint8_t s = 0;
    for (unsigned j = 0; j < 8; ++j) {
      s ^= Multiply(tables::TWOFISH_RS[8 * i + j], m[j], tables::TWOFISH_RS_POLY[0]);
    }
    word |= uint32_t{s} << (8 * i);
  }
  return word;
}

inline uint32_t G0(const WordTables& s, uint32_t x) {
  return s[0][Byte(x, 0)] ^ s[1][Byte(x, 1)] ^ s[2][Byte(x, 2)] ^ s[3][Byte(x, 3)];
}

// g of x rotated left by 8 bits.
inline uint32_t G1(const WordTables& s, uint32_t x) {
  return s[0][Byte(x, 3)] ^ s[1][Byte(x, 0)] ^ s[2][Byte(x, 1)] ^ s[3][Byte(x, 2)];
}

// kLanes blocks side by side: their rounds are independent, so the table look-ups of one block
// overlap those of the other. Two rounds per step, the halves trading places instead of being
// swapped; the output undoes the last swap.
template <size_t kLanes>
inline void EncryptLanes(const WordTables& s,
                         const uint32_t* key,
                         const uint8_t* in,
                         uint8_t* out) {
  uint32_t r0[kLanes], r1[kLanes], r2[kLanes], r3[kLanes];
  for (size_t b = 0; b < kLanes; ++b) {
    r0[b] = LoadLe32(in + 16 * b) ^ key[0];
    r1[b] = LoadLe32(in + 16 * b + 4) ^ key[1];
    r2[b] = LoadLe32(in + 16 * b + 8) ^ key[2];
    r3[b] = LoadLe32(in + 16 * b + 12) ^ key[3];
  }
  for (size_t round = 0; round < 16; round += 2) {
    const uint32_t* rk = key + 8 + 2 * round;
    for (size_t b = 0; b < kLanes; ++b) {
      const uint32_t t0 = G0(s, r0[b]), t1 = G1(s, r1[b]);
      r2[b] = Rotr32(r2[b] ^ (t0 + t1 + rk[0]), 1);
      r3[b] = Rotl32(r3[b], 1) ^ (t0 + 2 * t1 + rk[1]);
    }
    for (size_t b = 0; b < kLanes; ++b) {
      const uint32_t t0 = G0(s, r2[b]), t1 = G1(s, r3[b]);
      r0[b] = Rotr32(r0[b] ^ (t0 + t1 + rk[2]), 1);
      r1[b] = Rotl32(r1[b], 1) ^ (t0 + 2 * t1 + rk[3]);
    }
  }
  for (size_t b = 0; b < kLanes; ++b) {
    StoreLe32(out + 16 * b, r2[b] ^ key[4]);
    StoreLe32(out + 16 * b + 4, r3[b] ^ key[5]);
    StoreLe32(out + 16 * b + 8, r0[b] ^ key[6]);
    StoreLe32(out + 16 * b + 12, r1[b] ^ key[7]);
  }
}

template <size_t kLanes>
inline void DecryptLanes(const WordTables& s,
                         const uint32_t* key,
                         const uint8_t* in,
                         uint8_t* out) {
  uint32_t r0[kLanes], r1[kLanes], r2[kLanes], r3[kLanes];
  for (size_t b = 0; b < kLanes; ++b) {
    r2[b] = LoadLe32(in + 16 * b) ^ key[4];
    r3[b] = LoadLe32(in + 16 * b + 4) ^ key[5];
    r0[b] = LoadLe32(in + 16 * b + 8) ^ key[6];
    r1[b] = LoadLe32(in + 16 * b + 12) ^ key[7];
  }
  for (size_t round = 16; round != 0; round -= 2) {
    const uint32_t* rk = key + 8 + 2 * (round - 2);
    for (size_t b = 0; b < kLanes; ++b) {
      const uint32_t t0 = G0(s, r2[b]), t1 = G1(s, r3[b]);
      r0[b] = Rotl32(r0[b], 1) ^ (t0 + t1 + rk[2]);
      r1[b] = Rotr32(r1[b] ^ (t0 + 2 * t1 + rk[3]), 1);
    }
    for (size_t b = 0; b < kLanes; ++b) {
      const uint32_t t0 = G0(s, r0[b]), t1 = G1(s, r1[b]);
      r2[b] = Rotl32(r2[b], 1) ^ (t0 + t1 + rk[0]);
      r3[b] = Rotr32(r3[b] ^ (t0 + 2 * t1 + rk[1]), 1);
    }
  }
  for (size_t b = 0; b < kLanes; ++b) {
    StoreLe32(out + 16 * b, r0[b] ^ key[0]);
    StoreLe32(out + 16 * b + 4, r1[b] ^ key[1]);
    StoreLe32(out + 16 * b + 8, r2[b] ^ key[2]);
    StoreLe32(out + 16 * b + 12, r3[b] ^ key[3]);
  }
}

constexpr size_t kLanes = 2;

// The lane bodies (see RunLanes) of encryption and decryption.
template <bool kDecrypt>
auto LaneRun(const WordTables& s, const uint32_t* key) {
  return [&s, key]<size_t N>(const uint8_t* i, uint8_t* o) {
    if constexpr (kDecrypt)
      DecryptLanes<N>(s, key, i, o);
    else
      EncryptLanes<N>(s, key, i, o);
  };
}

}  // namespace

bool Twofish::KnownAnswerTest() {
  // The published iterated test: each key is the previous plaintext followed by the leading
  // bytes of the previous key, each plaintext the previous ciphertext.
  struct Iterated {
    uint32_t key_bits;
    std::string_view last_cipher_hex;
  };

  Twofish cipher;
  bool ok = true;
  for (const Iterated& test : {Iterated{128, "5d9d4eeffa9151575524f115815a12e0"},
                               Iterated{192, "e75449212beef9f4a390bd860a640941"},
                               Iterated{256, "37fe26ff1cf66175f5ddf4c33b97a205"}}) {
    uint8_t key[32] = {};
    uint8_t block[16] = {};
    for (int i = 0; i < 49; ++i) {
      cipher.Init(key, test.key_bits);
      if (test.key_bits == 192) {
        std::memcpy(key + 16, key, 8);
      } else if (test.key_bits == 256) {
        std::memcpy(key + 16, key, 16);
      }
      std::memcpy(key, block, 16);
      cipher.EncryptBlock(block, block);
      cipher.Wipe();
    }
    const std::vector<uint8_t> expected = FromHex(test.last_cipher_hex);
    ok = std::memcmp(block, expected.data(), sizeof(block)) == 0 && ok;
  }
  cipher.Wipe();
  return ok;
}

void Twofish::Wipe() {
  detail::SecureWipeObject(subkeys_, 0xFF);
  detail::SecureWipeObject(sboxes_, 0xFF);
  BlockCipher128::Wipe();
}

void Twofish::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  // The key length class follows the size in bits (132 bits count as 192, the missing bytes
  // being zero); the bytes read are the whole ones.
  uint8_t padded[32] = {};
  std::memcpy(padded, key, key_bits / 8);
  const size_t k = key_bits <= 128 ? 2 : key_bits <= 192 ? 3 : 4;

  uint32_t even[4], odd[4], sbox_key[4];
  for (size_t i = 0; i < k; ++i) {
    even[i] = LoadLe32(padded + 8 * i);
    odd[i] = LoadLe32(padded + 8 * i + 4);
    sbox_key[k - 1 - i] = ReedSolomon(padded + 8 * i);
  }

  constexpr uint32_t kRho = 0x01010101;
  for (uint32_t i = 0; i < 20; ++i) {
    const uint32_t a = H(2 * i * kRho, even, k);
    const uint32_t b = Rotl32(H((2 * i + 1) * kRho, odd, k), 8);
    subkeys_[2 * i] = a + b;
    subkeys_[2 * i + 1] = Rotl32(a + 2 * b, 9);
  }

  for (uint32_t x = 0; x < 256; ++x) {
    const Lanes lanes = HBeforeMds(x * kRho, sbox_key, k);
    for (size_t j = 0; j < 4; ++j) sboxes_[j][x] = kMds[j][lanes.y[j]];
  }

  detail::SecureWipe(padded, sizeof(padded));
  detail::SecureWipe(even, sizeof(even));
  detail::SecureWipe(odd, sizeof(odd));
  detail::SecureWipe(sbox_key, sizeof(sbox_key));
}

void Twofish::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 16>(in, out, blocks, LaneRun<false>(sboxes_, subkeys_.data()));
}

void Twofish::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 16>(in, out, blocks, LaneRun<true>(sboxes_, subkeys_.data()));
}

void Twofish::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<16, false, kLanes>(mode, chain, in, out, count,
                                            LaneRun<false>(sboxes_, subkeys_.data()),
                                            LaneRun<true>(sboxes_, subkeys_.data()));
}

}  // namespace varkesh

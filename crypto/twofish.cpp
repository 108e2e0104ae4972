// Twofish in its full-keying form: the h function is evaluated once per key for all 256 inputs
// of each byte lane, giving four word tables whose XOR is g. Blocks and keys are read as
// little-endian words.
#include "crypto/twofish.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/detail/unroll.h"
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

// A word beside its halves swapped. Each byte of the word is then the low or the top byte of one
// of the two, a single operation away, and a round makes both from the same value side by side:
// the bytes of a new word are ready one operation after it instead of two.
struct Split {
  uint32_t w, h;  // h = w rotated by 16 bits
};

// The swapped halves are kept apart: the compiler would see through them and take byte 1 from the
// second byte register, with one more zero-extension on the way to the look-up.
inline Split SplitOf(uint32_t w) { return {w, detail::KeepApart(Rotl32(w, 16))}; }

// v rotated right by one bit, split.
inline Split RotrSplit(uint32_t v) { return {Rotr32(v, 1), Rotl32(v, 15)}; }

// g(x): bytes 0 and 3 from x, bytes 1 and 2 from its swapped halves. The look-ups are combined as
// a balanced tree (the compiler would chain them), pairing those whose indices come first.
inline uint32_t G0(const WordTables& s, Split x) {
  return detail::KeepApart(s[0][x.w & 0xFF] ^ s[3][x.w >> 24]) ^
         detail::KeepApart(s[1][x.h >> 24] ^ s[2][x.h & 0xFF]);
}

// g of x rotated left by 8 bits.
inline uint32_t G1(const WordTables& s, Split x) {
  return detail::KeepApart(s[1][x.w & 0xFF] ^ s[0][x.w >> 24]) ^
         detail::KeepApart(s[2][x.h >> 24] ^ s[3][x.h & 0xFF]);
}

// One round: a and b through g into c and d. The halves trade places from round to round
// instead of being swapped. The word rotated right after its XOR, the later of the two, is the
// next round's left input in encryption and its right input in decryption.
template <bool kDecrypt>
[[gnu::always_inline]] inline void Round(
    const WordTables& s, const uint32_t* rk, Split a, Split b, Split& c, Split& d) {
  const uint32_t t0 = G0(s, a), t1 = G1(s, b);
  if constexpr (kDecrypt) {
    c = SplitOf(Rotl32(c.w, 1) ^ (t0 + t1 + rk[0]));
    d = RotrSplit(d.w ^ (t0 + 2 * t1 + rk[1]));
  } else {
    c = RotrSplit(c.w ^ (t0 + t1 + rk[0]));
    d = SplitOf(Rotl32(d.w, 1) ^ (t0 + 2 * t1 + rk[1]));
  }
}

// A block's words in the order of its bytes.
struct Words {
  uint32_t w[4];
};

// kLanes blocks side by side: their rounds are independent, so the table look-ups of one block
// overlap those of the other. The output undoes the last swap.
template <size_t kLanes, bool kDecrypt>
[[gnu::always_inline]] inline void CryptWords(const WordTables& s,
                                              const uint32_t* key,
                                              Words (&x)[kLanes]) {
  // Encryption whitens with key words 0-3 on the way in and 4-7 on the way out; decryption the
  // other way round, the halves swapped.
  constexpr size_t kIn = kDecrypt ? 4 : 0, kOut = kDecrypt ? 0 : 4;
  Split r0[kLanes], r1[kLanes], r2[kLanes], r3[kLanes];
  for (size_t b = 0; b < kLanes; ++b) {
    if constexpr (kDecrypt) {
      r2[b] = SplitOf(x[b].w[0] ^ key[kIn]), r3[b] = SplitOf(x[b].w[1] ^ key[kIn + 1]);
      r0[b] = SplitOf(x[b].w[2] ^ key[kIn + 2]), r1[b] = SplitOf(x[b].w[3] ^ key[kIn + 3]);
    } else {
      r0[b] = SplitOf(x[b].w[0] ^ key[kIn]), r1[b] = SplitOf(x[b].w[1] ^ key[kIn + 1]);
      r2[b] = SplitOf(x[b].w[2] ^ key[kIn + 2]), r3[b] = SplitOf(x[b].w[3] ^ key[kIn + 3]);
    }
  }
  const auto two_rounds = [&](size_t i) {
    if constexpr (kDecrypt) {
      const uint32_t* rk = key + 8 + 2 * (14 - i);
      for (size_t b = 0; b < kLanes; ++b) Round<true>(s, rk + 2, r2[b], r3[b], r0[b], r1[b]);
      for (size_t b = 0; b < kLanes; ++b) Round<true>(s, rk, r0[b], r1[b], r2[b], r3[b]);
    } else {
      const uint32_t* rk = key + 8 + 2 * i;
      for (size_t b = 0; b < kLanes; ++b) Round<false>(s, rk, r0[b], r1[b], r2[b], r3[b]);
      for (size_t b = 0; b < kLanes; ++b) Round<false>(s, rk + 2, r2[b], r3[b], r0[b], r1[b]);
    }
  };
  if constexpr (kLanes == 1) {
    // A lone block's rounds written out: the round keys at fixed offsets free the registers a
    // loop would hold, and its words then stay in registers throughout.
    detail::Unroll([&](auto step) { two_rounds(2 * step()); }, std::make_index_sequence<8>());
  } else {
    for (size_t i = 0; i < 16; i += 2) two_rounds(i);
  }
  // Each output word apart: the compiler would whiten them together in a vector register, a
  // detour for a chain that goes on in these registers, or that needs only one of the words.
  using detail::KeepApart;
  for (size_t b = 0; b < kLanes; ++b) {
    if constexpr (kDecrypt) {
      x[b] = {{KeepApart(r0[b].w ^ key[kOut]), KeepApart(r1[b].w ^ key[kOut + 1]),
               KeepApart(r2[b].w ^ key[kOut + 2]), KeepApart(r3[b].w ^ key[kOut + 3])}};
    } else {
      x[b] = {{KeepApart(r2[b].w ^ key[kOut]), KeepApart(r3[b].w ^ key[kOut + 1]),
               KeepApart(r0[b].w ^ key[kOut + 2]), KeepApart(r1[b].w ^ key[kOut + 3])}};
    }
  }
}

template <size_t kLanes, bool kDecrypt>
[[gnu::always_inline]] inline void CryptLanes(const WordTables& s,
                                              const uint32_t* key,
                                              const uint8_t* in,
                                              uint8_t* out) {
  Words x[kLanes];
  for (size_t b = 0; b < kLanes; ++b)
    for (size_t i = 0; i < 4; ++i) x[b].w[i] = LoadLe32(in + 16 * b + 4 * i);
  CryptWords<kLanes, kDecrypt>(s, key, x);
  for (size_t b = 0; b < kLanes; ++b)
    for (size_t i = 0; i < 4; ++i) StoreLe32(out + 16 * b + 4 * i, x[b].w[i]);
}

// Four blocks side by side: enough independent look-ups to keep the load and integer units busy.
constexpr size_t kLanes = 4;

// The lane bodies (see RunLanes) of encryption and decryption.
template <bool kDecrypt>
auto LaneRun(const WordTables& s, const uint32_t* key) {
  return
      [&s, key]<size_t N>(const uint8_t* i, uint8_t* o) { CryptLanes<N, kDecrypt>(s, key, i, o); };
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
  // The serial modes on one block's words, the chain kept in registers.
  const auto one = [this](uint32_t(&w)[4]) {
    Words x[1] = {{{w[0], w[1], w[2], w[3]}}};
    CryptWords<1, false>(sboxes_, subkeys_.data(), x);
    std::copy(std::begin(x[0].w), std::end(x[0].w), std::begin(w));
  };
  const auto encrypt = [this](const uint8_t* i, uint8_t* o, size_t n) {
    detail::RunLanes<kLanes, 16>(i, o, n, LaneRun<false>(sboxes_, subkeys_.data()));
  };
  const auto decrypt = [this](const uint8_t* i, uint8_t* o, size_t n) {
    detail::RunLanes<kLanes, 16>(i, o, n, LaneRun<true>(sboxes_, subkeys_.data()));
  };
  detail::RunMode<16>(mode, chain, in, out, count, detail::WordsOf<16, false>(one), encrypt,
                      decrypt);
}

}  // namespace varkesh

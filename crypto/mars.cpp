// MARS. The block words are kept in four named variables; each round works on them in rotated
// order, so four rounds bring the names back to their places and no words are moved.
#include "crypto/mars.h"

#include <cstddef>
#include <string>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/mars.h"

namespace varkesh {

namespace detail {

uint32_t MarsFixupMask(uint32_t w) {
  // Bit l of `equal` says that bits l and l+1 of w agree, bit 31 comparing with a zero bit 32.
  const uint32_t equal = ~(w ^ (w >> 1));
  // Starts of ten equal bits within bits 0..31: nine agreeing neighbours in a row.
  const uint32_t inside = equal & 0x7FFFFFFF;
  uint32_t starts = inside;
  for (unsigned i = 1; i < 9; ++i) starts &= inside >> i;
  uint32_t runs = starts;
  for (unsigned i = 1; i < 10; ++i) runs |= starts << i;
  return runs & equal & (equal << 1) & 0xFFFFFFFC;
}

void MarsExpandKey(const uint8_t* key, uint32_t key_bits, std::array<uint32_t, 40>& k) {
  const auto& s = tables::MARS_SBOX;
  const uint32_t n = key_bits / 32;  // bytes beyond the last whole word are not used
  std::array<uint32_t, 39> words{};
  for (uint32_t i = 0; i < n; ++i) words[i] = LoadLe32(key + 4 * i);

  std::array<uint32_t, 47> t{};
  for (size_t i = 0; i < 7; ++i) t[i] = s[i];
  for (uint32_t i = 0; i < 39; ++i) t[i + 7] = Rotl32(t[i] ^ t[i + 5], 3) ^ words[i % n] ^ i;
  t[46] = n;
  for (int pass = 0; pass < 7; ++pass) {
    for (size_t j = 8; j < 47; ++j) t[j] = Rotl32(t[j] + s[t[j - 1] & 0x1FF], 9);
    t[7] = Rotl32(t[7] + s[t[46] & 0x1FF], 9);
  }
  for (size_t i = 0; i < 40; ++i) k[(7 * i) % 40] = t[i + 7];

  // The multiplication keys must be odd and should hold no long runs of equal bits.
  for (size_t i = 5; i <= 35; i += 2) {
    const uint32_t w = k[i] | 3;
    const uint32_t pattern = s[265 + (k[i] & 3)];
    k[i] = w ^ (Rotl32(pattern, k[i + 3] & 31) & MarsFixupMask(w));
  }
  SecureWipeObject(words);
  SecureWipeObject(t);
}

}  // namespace detail

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreLe32;

inline uint32_t S0(uint32_t byte) { return tables::MARS_SBOX[byte & 0xFF]; }

inline uint32_t S1(uint32_t byte) { return tables::MARS_SBOX[256 + (byte & 0xFF)]; }

// One unkeyed forward-mixing round with d0 as the source word, and its inverse.
inline void MixForward(uint32_t& d0, uint32_t& d1, uint32_t& d2, uint32_t& d3) {
  d1 = (d1 ^ S0(d0)) + S1(d0 >> 8);
  d2 += S0(d0 >> 16);
  d3 ^= S1(d0 >> 24);
  d0 = Rotr32(d0, 24);
}

inline void UnmixForward(uint32_t& d0, uint32_t& d1, uint32_t& d2, uint32_t& d3) {
  d0 = Rotl32(d0, 24);
  d3 ^= S1(d0 >> 24);
  d2 -= S0(d0 >> 16);
  d1 = (d1 - S1(d0 >> 8)) ^ S0(d0);
}

// One unkeyed backward-mixing round, and its inverse.
inline void MixBackward(uint32_t& d0, uint32_t& d1, uint32_t& d2, uint32_t& d3) {
  d1 ^= S1(d0);
  d2 -= S0(d0 >> 24);
  d3 = (d3 - S1(d0 >> 16)) ^ S0(d0 >> 8);
  d0 = Rotl32(d0, 24);
}

inline void UnmixBackward(uint32_t& d0, uint32_t& d1, uint32_t& d2, uint32_t& d3) {
  d0 = Rotr32(d0, 24);
  d3 = (d3 ^ S0(d0 >> 8)) + S1(d0 >> 16);
  d2 += S0(d0 >> 24);
  d1 ^= S1(d0);
}

struct EOutput {
  uint32_t l, m, r;
};

// The E function of the keyed core on `in`, whose rotation by 13 the caller already holds.
inline EOutput E(uint32_t in, uint32_t in_rotated, uint32_t k1, uint32_t k2) {
  uint32_t m = in + k1;
  uint32_t r = Rotl32(in_rotated * k2, 5);
  uint32_t l = tables::MARS_SBOX[m & 0x1FF];
  m = Rotl32(m, r);
  l ^= r;
  r = Rotl32(r, 5);
  l = Rotl32(l ^ r, r);
  return {l, m, r};
}

// One keyed core round: forward mode adds L to d1 and XORs R into d3, backwards mode swaps them.
template <bool kForwardMode>
inline void Core(uint32_t& d0, uint32_t& d1, uint32_t& d2, uint32_t& d3, const uint32_t* k) {
  const uint32_t rotated = Rotl32(d0, 13);
  const EOutput e = E(d0, rotated, k[0], k[1]);
  d0 = rotated;
  d2 += e.m;
  if constexpr (kForwardMode)
    d1 += e.l, d3 ^= e.r;
  else
    d3 += e.l, d1 ^= e.r;
}

template <bool kForwardMode>
inline void Uncore(uint32_t& d0, uint32_t& d1, uint32_t& d2, uint32_t& d3, const uint32_t* k) {
  const uint32_t rotated = d0;
  d0 = Rotr32(d0, 13);
  const EOutput e = E(d0, rotated, k[0], k[1]);
  d2 -= e.m;
  if constexpr (kForwardMode)
    d1 -= e.l, d3 ^= e.r;
  else
    d3 -= e.l, d1 ^= e.r;
}

// N blocks side by side; each phase runs on every block before the next phase starts.
template <size_t N>
inline void EncryptLanes(const uint32_t* k, const uint8_t* in, uint8_t* out) {
  uint32_t a[N], b[N], c[N], d[N];
  for (size_t j = 0; j < N; ++j) {
    a[j] = LoadLe32(in + 16 * j) + k[0], b[j] = LoadLe32(in + 16 * j + 4) + k[1];
    c[j] = LoadLe32(in + 16 * j + 8) + k[2], d[j] = LoadLe32(in + 16 * j + 12) + k[3];
  }
  for (int i = 0; i < 2; ++i) {
    for (size_t j = 0; j < N; ++j) {
      MixForward(a[j], b[j], c[j], d[j]), a[j] += d[j];
      MixForward(b[j], c[j], d[j], a[j]), b[j] += c[j];
      MixForward(c[j], d[j], a[j], b[j]);
      MixForward(d[j], a[j], b[j], c[j]);
    }
  }
  for (size_t i = 4; i < 20; i += 8) {
    for (size_t j = 0; j < N; ++j) {
      Core<true>(a[j], b[j], c[j], d[j], k + i);
      Core<true>(b[j], c[j], d[j], a[j], k + i + 2);
      Core<true>(c[j], d[j], a[j], b[j], k + i + 4);
      Core<true>(d[j], a[j], b[j], c[j], k + i + 6);
    }
  }
  for (size_t i = 20; i < 36; i += 8) {
    for (size_t j = 0; j < N; ++j) {
      Core<false>(a[j], b[j], c[j], d[j], k + i);
      Core<false>(b[j], c[j], d[j], a[j], k + i + 2);
      Core<false>(c[j], d[j], a[j], b[j], k + i + 4);
      Core<false>(d[j], a[j], b[j], c[j], k + i + 6);
    }
  }
  for (int i = 0; i < 2; ++i) {
    for (size_t j = 0; j < N; ++j) {
      MixBackward(a[j], b[j], c[j], d[j]);
      MixBackward(b[j], c[j], d[j], a[j]);
      c[j] -= b[j], MixBackward(c[j], d[j], a[j], b[j]);
      d[j] -= a[j], MixBackward(d[j], a[j], b[j], c[j]);
    }
  }
  for (size_t j = 0; j < N; ++j) {
    StoreLe32(out + 16 * j, a[j] - k[36]), StoreLe32(out + 16 * j + 4, b[j] - k[37]);
    StoreLe32(out + 16 * j + 8, c[j] - k[38]), StoreLe32(out + 16 * j + 12, d[j] - k[39]);
  }
}

template <size_t N>
inline void DecryptLanes(const uint32_t* k, const uint8_t* in, uint8_t* out) {
  uint32_t a[N], b[N], c[N], d[N];
  for (size_t j = 0; j < N; ++j) {
    a[j] = LoadLe32(in + 16 * j) + k[36], b[j] = LoadLe32(in + 16 * j + 4) + k[37];
    c[j] = LoadLe32(in + 16 * j + 8) + k[38], d[j] = LoadLe32(in + 16 * j + 12) + k[39];
  }
  for (int i = 0; i < 2; ++i) {
    for (size_t j = 0; j < N; ++j) {
      UnmixBackward(d[j], a[j], b[j], c[j]), d[j] += a[j];
      UnmixBackward(c[j], d[j], a[j], b[j]), c[j] += b[j];
      UnmixBackward(b[j], c[j], d[j], a[j]);
      UnmixBackward(a[j], b[j], c[j], d[j]);
    }
  }
  for (size_t i = 36; i > 20; i -= 8) {
    for (size_t j = 0; j < N; ++j) {
      Uncore<false>(d[j], a[j], b[j], c[j], k + i - 2);
      Uncore<false>(c[j], d[j], a[j], b[j], k + i - 4);
      Uncore<false>(b[j], c[j], d[j], a[j], k + i - 6);
      Uncore<false>(a[j], b[j], c[j], d[j], k + i - 8);
    }
  }
  for (size_t i = 20; i > 4; i -= 8) {
    for (size_t j = 0; j < N; ++j) {
      Uncore<true>(d[j], a[j], b[j], c[j], k + i - 2);
      Uncore<true>(c[j], d[j], a[j], b[j], k + i - 4);
      Uncore<true>(b[j], c[j], d[j], a[j], k + i - 6);
      Uncore<true>(a[j], b[j], c[j], d[j], k + i - 8);
    }
  }
  for (int i = 0; i < 2; ++i) {
    for (size_t j = 0; j < N; ++j) {
      UnmixForward(d[j], a[j], b[j], c[j]);
      UnmixForward(c[j], d[j], a[j], b[j]);
      b[j] -= c[j], UnmixForward(b[j], c[j], d[j], a[j]);
      a[j] -= d[j], UnmixForward(a[j], b[j], c[j], d[j]);
    }
  }
  for (size_t j = 0; j < N; ++j) {
    StoreLe32(out + 16 * j, a[j] - k[0]), StoreLe32(out + 16 * j + 4, b[j] - k[1]);
    StoreLe32(out + 16 * j + 8, c[j] - k[2]), StoreLe32(out + 16 * j + 12, d[j] - k[3]);
  }
}

constexpr size_t kLanes = 4;

// The lane bodies (see RunLanes) of encryption and decryption.
template <bool kDecrypt>
auto LaneRun(const uint32_t* k) {
  return [k]<size_t N>(const uint8_t* i, uint8_t* o) {
    if constexpr (kDecrypt)
      DecryptLanes<N>(k, i, o);
    else
      EncryptLanes<N>(k, i, o);
  };
}

}  // namespace

bool Mars::KnownAnswerTest() {
  return BlockKnownAnswers<Mars>({
      {"3251b3dede96c2836b9e063938244c99", 128, "3251b3dede96c2836b9e063938244c99",
       "f94512a9b42d034ec4792204d708a69b"},
      {"791739a58b04581a93a953a82c10411dd158860838874d95", 192, "6761c42d3e6142d2a84fbfadb383158f",
       "cb340326457f586d54bdd2e0571c19bd"},
      {"fba167983e7aef22317ce28c02aae1a3e8e5cc3cedbea82a99dbc39ad65e7227", 256,
       "1344aba4d3c44708a8a72116d4f49384", "ddaca167e36331be2c1c9f5fe38fa4b8"},
  });
}

void Mars::Wipe() {
  detail::SecureWipeObject(k_, 0xFF);
  BlockCipher128::Wipe();
}

void Mars::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  if (key_bits < 32) {
    Wipe();
    throw BlockCipherError(std::string(kInvalidKeySize));
  }
  detail::MarsExpandKey(key, key_bits, k_);
}

void Mars::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 16>(in, out, blocks, LaneRun<false>(k_.data()));
}

void Mars::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 16>(in, out, blocks, LaneRun<true>(k_.data()));
}

void Mars::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<16, false, kLanes>(mode, chain, in, out, count, LaneRun<false>(k_.data()),
                                            LaneRun<true>(k_.data()));
}

}  // namespace varkesh

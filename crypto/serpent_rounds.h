// Serpent's rounds in the bitslice form, written once for a 32-bit word (one block) or a vector
// of such words (word j of several blocks side by side): serpent.cpp runs them on words and on
// 128-bit vectors, the kernel files on wider vectors. The S-box circuits are derived at compile
// time from the S-box tables (their algebraic normal form) and checked against the tables there.
// Only ANDs, XORs, NOTs, shifts and rotations: no table is indexed with data, no branch taken on
// it, so every path is constant-time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/tables/serpent.h"

namespace varkesh::serpent {

using detail::LoadLe32;
using detail::StoreLe32;
using tables::SERPENT_S0;
using tables::SERPENT_S0_INV;
using tables::SERPENT_S1;
using tables::SERPENT_S1_INV;
using tables::SERPENT_S2;
using tables::SERPENT_S2_INV;
using tables::SERPENT_S3;
using tables::SERPENT_S3_INV;
using tables::SERPENT_S4;
using tables::SERPENT_S4_INV;
using tables::SERPENT_S5;
using tables::SERPENT_S5_INV;
using tables::SERPENT_S6;
using tables::SERPENT_S6_INV;
using tables::SERPENT_S7;
using tables::SERPENT_S7_INV;

using Box = std::array<uint8_t, 16>;

// Bit m of Anf(box)[b] tells whether output bit b of the S-box contains the product of the input
// bits selected by m (the Moebius transform of the output bit's truth table).
constexpr std::array<uint16_t, 4> Anf(const Box& box) {
  std::array<uint16_t, 4> anf{};
  for (unsigned bit = 0; bit < 4; ++bit) {
    std::array<uint8_t, 16> a{};
    for (unsigned x = 0; x < 16; ++x) a[x] = static_cast<uint8_t>((box[x] >> bit) & 1);
    for (unsigned v = 1; v < 16; v <<= 1) {
      for (unsigned x = 0; x < 16; ++x) {
        if ((x & v) != 0)
          a[x] ^= a[x ^ v];
      }
    }
    for (unsigned m = 0; m < 16; ++m) anf[bit] = static_cast<uint16_t>(anf[bit] | a[m] << m);
  }
  return anf;
}

template <uint16_t kTerms, class W, size_t... kM>
constexpr W SumOfTerms(const std::array<W, 16>& products, std::index_sequence<kM...> /*unused*/) {
  return ((((kTerms >> kM) & 1) != 0 ? products[kM] : W{}) ^ ...);
}

// The S-box on 32 nibbles at once: bit i of x0..x3 is nibble i, x0 holding its lowest bit. Only
// the products a box needs survive optimisation. W is a 32-bit word, or a vector of such words
// that holds one word of each of several blocks.
template <const Box& kBox, class W>
constexpr void SBox(W& x0, W& x1, W& x2, W& x3) {
  constexpr std::array<uint16_t, 4> kAnf = Anf(kBox);
  const W x01 = x0 & x1, x23 = x2 & x3;
  const std::array<W, 16> products = {~W{},    x0,       x1,       x01,      x2,      x0 & x2,
                                      x1 & x2, x01 & x2, x3,       x0 & x3,  x1 & x3, x01 & x3,
                                      x23,     x0 & x23, x1 & x23, x01 & x23};
  constexpr auto kAll = std::make_index_sequence<16>();
  const W y0 = SumOfTerms<kAnf[0]>(products, kAll);
  const W y1 = SumOfTerms<kAnf[1]>(products, kAll);
  const W y2 = SumOfTerms<kAnf[2]>(products, kAll);
  const W y3 = SumOfTerms<kAnf[3]>(products, kAll);
  x0 = y0, x1 = y1, x2 = y2, x3 = y3;
}

// Runs the circuit on the 16 possible nibbles side by side and compares with the table.
template <const Box& kBox>
constexpr bool CircuitMatchesTable() {
  uint32_t x0 = 0xAAAA, x1 = 0xCCCC, x2 = 0xF0F0, x3 = 0xFF00;
  SBox<kBox>(x0, x1, x2, x3);
  for (unsigned i = 0; i < 16; ++i) {
    const unsigned y = (x0 >> i & 1) | (x1 >> i & 1) << 1 | (x2 >> i & 1) << 2 | (x3 >> i & 1) << 3;
    if (y != kBox[i])
      return false;
  }
  return true;
}

static_assert(CircuitMatchesTable<SERPENT_S0>() && CircuitMatchesTable<SERPENT_S1>() &&
              CircuitMatchesTable<SERPENT_S2>() && CircuitMatchesTable<SERPENT_S3>() &&
              CircuitMatchesTable<SERPENT_S4>() && CircuitMatchesTable<SERPENT_S5>() &&
              CircuitMatchesTable<SERPENT_S6>() && CircuitMatchesTable<SERPENT_S7>());
static_assert(CircuitMatchesTable<SERPENT_S0_INV>() && CircuitMatchesTable<SERPENT_S1_INV>() &&
              CircuitMatchesTable<SERPENT_S2_INV>() && CircuitMatchesTable<SERPENT_S3_INV>() &&
              CircuitMatchesTable<SERPENT_S4_INV>() && CircuitMatchesTable<SERPENT_S5_INV>() &&
              CircuitMatchesTable<SERPENT_S6_INV>() && CircuitMatchesTable<SERPENT_S7_INV>());

template <class W>
struct Words {
  W a, b, c, d;
};

// Rotations written with shifts, which vectors of words have too; on a single word the
// compiler turns them into rotate instructions.
template <class W>
inline W Rotl(W v, int n) {
  return (v << n) | (v >> (32 - n));
}

template <class W>
inline W Rotr(W v, int n) {
  return (v >> n) | (v << (32 - n));
}

template <class W>
inline void MixKey(Words<W>& x, const uint32_t* k) {
  x.a ^= k[0], x.b ^= k[1], x.c ^= k[2], x.d ^= k[3];
}

template <class W>
inline void Transform(Words<W>& x) {
  x.a = Rotl(x.a, 13);
  x.c = Rotl(x.c, 3);
  x.b ^= x.a ^ x.c;
  x.d ^= x.c ^ (x.a << 3);
  x.b = Rotl(x.b, 1);
  x.d = Rotl(x.d, 7);
  x.a ^= x.b ^ x.d;
  x.c ^= x.d ^ (x.b << 7);
  x.a = Rotl(x.a, 5);
  x.c = Rotl(x.c, 22);
}

template <class W>
inline void InverseTransform(Words<W>& x) {
  x.c = Rotr(x.c, 22);
  x.a = Rotr(x.a, 5);
  x.c ^= x.d ^ (x.b << 7);
  x.a ^= x.b ^ x.d;
  x.d = Rotr(x.d, 7);
  x.b = Rotr(x.b, 1);
  x.d ^= x.c ^ (x.a << 3);
  x.b ^= x.a ^ x.c;
  x.c = Rotr(x.c, 3);
  x.a = Rotr(x.a, 13);
}

template <const Box& kBox, class W>
inline void Substitute(Words<W>& x) {
  SBox<kBox>(x.a, x.b, x.c, x.d);
}

// One round without its linear transformation, and its inverse.
template <const Box& kBox, class W>
inline void KeyAndBox(Words<W>& x, const uint32_t* k) {
  MixKey(x, k);
  Substitute<kBox>(x);
}

template <const Box& kInverse, class W>
inline void InverseBoxAndKey(Words<W>& x, const uint32_t* k) {
  Substitute<kInverse>(x);
  MixKey(x, k);
}

// Subkey i is prekeys 4i..4i+3 through S-box (3 - i) mod 8.
template <const Box& kBox>
inline void MakeSubkey(const uint32_t* prekeys, uint32_t* subkey) {
  Words<uint32_t> x{prekeys[0], prekeys[1], prekeys[2], prekeys[3]};
  Substitute<kBox>(x);
  subkey[0] = x.a, subkey[1] = x.b, subkey[2] = x.c, subkey[3] = x.d;
}

// The 32 rounds on one word of each block (W = uint32_t) or on vectors holding the words of
// several blocks.
template <class W>
inline void EncryptWords(Words<W>& x, const uint32_t* k) {
  for (size_t r = 0; r < 32; r += 8) {
    const uint32_t* const kr = k + 4 * r;
    KeyAndBox<SERPENT_S0>(x, kr), Transform(x);
    KeyAndBox<SERPENT_S1>(x, kr + 4), Transform(x);
    KeyAndBox<SERPENT_S2>(x, kr + 8), Transform(x);
    KeyAndBox<SERPENT_S3>(x, kr + 12), Transform(x);
    KeyAndBox<SERPENT_S4>(x, kr + 16), Transform(x);
    KeyAndBox<SERPENT_S5>(x, kr + 20), Transform(x);
    KeyAndBox<SERPENT_S6>(x, kr + 24), Transform(x);
    KeyAndBox<SERPENT_S7>(x, kr + 28);
    if (r != 24)
      Transform(x);
  }
  MixKey(x, k + 128);
}

template <class W>
inline void DecryptWords(Words<W>& x, const uint32_t* k) {
  MixKey(x, k + 128);
  for (size_t r = 32; r != 0; r -= 8) {
    const uint32_t* const kr = k + 4 * (r - 8);
    if (r != 32)
      InverseTransform(x);
    InverseBoxAndKey<SERPENT_S7_INV>(x, kr + 28);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S6_INV>(x, kr + 24);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S5_INV>(x, kr + 20);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S4_INV>(x, kr + 16);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S3_INV>(x, kr + 12);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S2_INV>(x, kr + 8);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S1_INV>(x, kr + 4);
    InverseTransform(x), InverseBoxAndKey<SERPENT_S0_INV>(x, kr);
  }
}

// kLanes blocks 16 bytes apart in vectors V of kLanes words, lane i of vector j holding word j
// of block i.
template <class V, size_t... kLane>
inline V Gather(const uint8_t* word, std::index_sequence<kLane...> /*unused*/) {
  return V{LoadLe32(word + 16 * kLane)...};
}

template <bool kDecrypt, class V>
inline void VectorBlocks(const uint32_t* k, const uint8_t* in, uint8_t* out) {
  constexpr size_t kLanes = sizeof(V) / sizeof(uint32_t);
  constexpr auto kLaneIndices = std::make_index_sequence<kLanes>();
  Words<V> x{Gather<V>(in, kLaneIndices), Gather<V>(in + 4, kLaneIndices),
             Gather<V>(in + 8, kLaneIndices), Gather<V>(in + 12, kLaneIndices)};
  if constexpr (kDecrypt) {
    DecryptWords(x, k);
  } else {
    EncryptWords(x, k);
  }
  for (size_t i = 0; i < kLanes; ++i) {
    uint8_t* block = out + 16 * i;
    StoreLe32(block, x.a[i]), StoreLe32(block + 4, x.b[i]);
    StoreLe32(block + 8, x.c[i]), StoreLe32(block + 12, x.d[i]);
  }
}

// Whole groups of blocks in vectors V; returns how many blocks they took.
template <class V>
inline size_t VectorGroups(
    const uint32_t* k, bool decrypt, const uint8_t* in, uint8_t* out, size_t blocks) {
  constexpr size_t kLanes = sizeof(V) / sizeof(uint32_t);
  const size_t groups = blocks / kLanes;
  for (size_t g = 0; g < groups; ++g, in += 16 * kLanes, out += 16 * kLanes) {
    if (decrypt)
      VectorBlocks<true, V>(k, in, out);
    else
      VectorBlocks<false, V>(k, in, out);
  }
  return groups * kLanes;
}

}  // namespace varkesh::serpent

// Serpent's rounds in the bitslice form, written once for a 32-bit word (one block) or a vector
// of such words (word j of several blocks side by side): serpent.cpp runs them on words and on
// 128-bit vectors, the kernel files on wider vectors. Only ANDs, ORs, XORs, NOTs, shifts and
// rotations: no table is indexed with data, no branch taken on it, so every path is constant-time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
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

// The S-boxes as gate circuits on 32 nibbles at once: bit i of x0..x3 is nibble i, x0 holding
// its lowest bit. Each is 16 to 20 operations on four words and one temporary (after Osvik's
// published bitslice circuits); the checks below run every one against its table. W is a
// 32-bit word, or a vector of such words that holds one word of each of several blocks.
template <class W>
constexpr void Box0(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r3 ^= r0;
  W r4 = r1;
  r1 &= r3;
  r4 ^= r2;
  r1 ^= r0;
  r0 |= r3;
  r0 ^= r4;
  r4 ^= r3;
  r3 ^= r2;
  r2 |= r1;
  r2 ^= r4;
  r4 = ~r4;
  r4 |= r1;
  r1 ^= r3;
  r1 ^= r4;
  r3 |= r0;
  r1 ^= r3;
  r4 ^= r3;
  x0 = r1, x1 = r4, x2 = r2, x3 = r0;
}

template <class W>
constexpr void Box0Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r2 = ~r2;
  W r4 = r1;
  r1 |= r0;
  r4 = ~r4;
  r1 ^= r2;
  r2 |= r4;
  r1 ^= r3;
  r0 ^= r4;
  r2 ^= r0;
  r0 &= r3;
  r4 ^= r0;
  r0 |= r1;
  r0 ^= r2;
  r3 ^= r4;
  r2 ^= r1;
  r3 ^= r0;
  r3 ^= r1;
  r2 &= r3;
  r4 ^= r2;
  x0 = r0, x1 = r4, x2 = r1, x3 = r3;
}

template <class W>
constexpr void Box1(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r0 = ~r0;
  r2 = ~r2;
  W r4 = r0;
  r0 &= r1;
  r2 ^= r0;
  r0 |= r3;
  r3 ^= r2;
  r1 ^= r0;
  r0 ^= r4;
  r4 |= r1;
  r1 ^= r3;
  r2 |= r0;
  r2 &= r4;
  r0 ^= r1;
  r1 &= r2;
  r1 ^= r0;
  r0 &= r2;
  r0 ^= r4;
  x0 = r2, x1 = r0, x2 = r3, x3 = r1;
}

template <class W>
constexpr void Box1Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r1;
  r1 ^= r3;
  r3 &= r1;
  r4 ^= r2;
  r3 ^= r0;
  r0 |= r1;
  r2 ^= r3;
  r0 ^= r4;
  r0 |= r2;
  r1 ^= r3;
  r0 ^= r1;
  r1 |= r3;
  r1 ^= r0;
  r4 = ~r4;
  r4 ^= r1;
  r1 |= r0;
  r1 ^= r0;
  r1 |= r4;
  r3 ^= r1;
  x0 = r4, x1 = r0, x2 = r3, x3 = r2;
}

template <class W>
constexpr void Box2(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r0;
  r0 &= r2;
  r0 ^= r3;
  r2 ^= r1;
  r2 ^= r0;
  r3 |= r4;
  r3 ^= r1;
  r4 ^= r2;
  r1 = r3;
  r3 |= r4;
  r3 ^= r0;
  r0 &= r1;
  r4 ^= r0;
  r1 ^= r3;
  r1 ^= r4;
  r4 = ~r4;
  x0 = r2, x1 = r3, x2 = r1, x3 = r4;
}

template <class W>
constexpr void Box2Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r2 ^= r3;
  r3 ^= r0;
  W r4 = r3;
  r3 &= r2;
  r3 ^= r1;
  r1 |= r2;
  r1 ^= r4;
  r4 &= r3;
  r2 ^= r3;
  r4 &= r0;
  r4 ^= r2;
  r2 &= r1;
  r2 |= r0;
  r3 = ~r3;
  r2 ^= r3;
  r0 ^= r3;
  r0 &= r1;
  r3 ^= r4;
  r3 ^= r0;
  x0 = r1, x1 = r4, x2 = r2, x3 = r3;
}

template <class W>
constexpr void Box3(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r0;
  r0 |= r3;
  r3 ^= r1;
  r1 &= r4;
  r4 ^= r2;
  r2 ^= r3;
  r3 &= r0;
  r4 |= r1;
  r3 ^= r4;
  r0 ^= r1;
  r4 &= r0;
  r1 ^= r3;
  r4 ^= r2;
  r1 |= r0;
  r1 ^= r2;
  r0 ^= r3;
  r2 = r1;
  r1 |= r3;
  r1 ^= r0;
  x0 = r1, x1 = r2, x2 = r3, x3 = r4;
}

template <class W>
constexpr void Box3Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r2;
  r2 ^= r1;
  r0 ^= r2;
  r4 &= r2;
  r4 ^= r0;
  r0 &= r1;
  r1 ^= r3;
  r3 |= r4;
  r2 ^= r3;
  r0 ^= r3;
  r1 ^= r4;
  r3 &= r2;
  r3 ^= r1;
  r1 ^= r0;
  r1 |= r2;
  r0 ^= r3;
  r1 ^= r4;
  r0 ^= r1;
  x0 = r2, x1 = r1, x2 = r3, x3 = r0;
}

template <class W>
constexpr void Box4(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r1 ^= r3;
  r3 = ~r3;
  r2 ^= r3;
  r3 ^= r0;
  W r4 = r1;
  r1 &= r3;
  r1 ^= r2;
  r4 ^= r3;
  r0 ^= r4;
  r2 &= r4;
  r2 ^= r0;
  r0 &= r1;
  r3 ^= r0;
  r4 |= r1;
  r4 ^= r0;
  r0 |= r3;
  r0 ^= r2;
  r2 &= r3;
  r0 = ~r0;
  r4 ^= r2;
  x0 = r1, x1 = r4, x2 = r0, x3 = r3;
}

template <class W>
constexpr void Box4Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r2;
  r2 &= r3;
  r2 ^= r1;
  r1 |= r3;
  r1 &= r0;
  r4 ^= r2;
  r4 ^= r1;
  r1 &= r2;
  r0 = ~r0;
  r3 ^= r4;
  r1 ^= r3;
  r3 &= r0;
  r3 ^= r2;
  r0 ^= r1;
  r2 &= r0;
  r3 ^= r0;
  r2 ^= r4;
  r2 |= r3;
  r3 ^= r0;
  r2 ^= r1;
  x0 = r0, x1 = r3, x2 = r2, x3 = r4;
}

template <class W>
constexpr void Box5(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r0 ^= r1;
  r1 ^= r3;
  r3 = ~r3;
  W r4 = r1;
  r1 &= r0;
  r2 ^= r3;
  r1 ^= r2;
  r2 |= r4;
  r4 ^= r3;
  r3 &= r1;
  r3 ^= r0;
  r4 ^= r1;
  r4 ^= r2;
  r2 ^= r0;
  r0 &= r3;
  r2 = ~r2;
  r0 ^= r4;
  r4 |= r3;
  r2 ^= r4;
  x0 = r1, x1 = r3, x2 = r0, x3 = r2;
}

template <class W>
constexpr void Box5Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r1 = ~r1;
  W r4 = r3;
  r2 ^= r1;
  r3 |= r0;
  r3 ^= r2;
  r2 |= r1;
  r2 &= r0;
  r4 ^= r3;
  r2 ^= r4;
  r4 |= r0;
  r4 ^= r1;
  r1 &= r2;
  r1 ^= r3;
  r4 ^= r2;
  r3 &= r4;
  r4 ^= r1;
  r3 ^= r4;
  r4 = ~r4;
  r3 ^= r0;
  x0 = r1, x1 = r4, x2 = r3, x3 = r2;
}

template <class W>
constexpr void Box6(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r2 = ~r2;
  W r4 = r3;
  r3 &= r0;
  r0 ^= r4;
  r3 ^= r2;
  r2 |= r4;
  r1 ^= r3;
  r2 ^= r0;
  r0 |= r1;
  r2 ^= r1;
  r4 ^= r0;
  r0 |= r3;
  r0 ^= r2;
  r4 ^= r3;
  r4 ^= r0;
  r3 = ~r3;
  r2 &= r4;
  r2 ^= r3;
  x0 = r0, x1 = r1, x2 = r4, x3 = r2;
}

template <class W>
constexpr void Box6Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  r0 ^= r2;
  W r4 = r2;
  r2 &= r0;
  r4 ^= r3;
  r2 = ~r2;
  r3 ^= r1;
  r2 ^= r3;
  r4 |= r0;
  r0 ^= r2;
  r3 ^= r4;
  r4 ^= r1;
  r1 &= r3;
  r1 ^= r0;
  r0 ^= r3;
  r0 |= r2;
  r3 ^= r1;
  r4 ^= r0;
  x0 = r1, x1 = r2, x2 = r4, x3 = r3;
}

template <class W>
constexpr void Box7(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r1;
  r1 |= r2;
  r1 ^= r3;
  r4 ^= r2;
  r2 ^= r1;
  r3 |= r4;
  r3 &= r0;
  r4 ^= r2;
  r3 ^= r1;
  r1 |= r4;
  r1 ^= r0;
  r0 |= r4;
  r0 ^= r2;
  r1 ^= r4;
  r2 ^= r1;
  r1 &= r0;
  r1 ^= r4;
  r2 = ~r2;
  r2 |= r0;
  r4 ^= r2;
  x0 = r4, x1 = r3, x2 = r1, x3 = r0;
}

template <class W>
constexpr void Box7Inverse(W& x0, W& x1, W& x2, W& x3) {
  W r0 = x0, r1 = x1, r2 = x2, r3 = x3;
  W r4 = r2;
  r2 ^= r0;
  r0 &= r3;
  r4 |= r3;
  r2 = ~r2;
  r3 ^= r1;
  r1 |= r0;
  r0 ^= r2;
  r2 &= r4;
  r3 &= r4;
  r1 ^= r2;
  r2 ^= r0;
  r0 |= r2;
  r4 ^= r1;
  r0 ^= r3;
  r3 ^= r4;
  r4 |= r0;
  r3 ^= r2;
  r4 ^= r2;
  x0 = r3, x1 = r0, x2 = r1, x3 = r4;
}

template <const Box&>
constexpr bool kNotABox = false;

// The table picks its circuit by contents, not by address: with the sanitizers GCC does not
// fold comparisons of two objects' addresses at compile time.
template <const Box& kBox, class W>
constexpr void SBox(W& x0, W& x1, W& x2, W& x3) {
  if constexpr (kBox == SERPENT_S0)
    Box0(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S1)
    Box1(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S2)
    Box2(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S3)
    Box3(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S4)
    Box4(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S5)
    Box5(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S6)
    Box6(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S7)
    Box7(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S0_INV)
    Box0Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S1_INV)
    Box1Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S2_INV)
    Box2Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S3_INV)
    Box3Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S4_INV)
    Box4Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S5_INV)
    Box5Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S6_INV)
    Box6Inverse(x0, x1, x2, x3);
  else if constexpr (kBox == SERPENT_S7_INV)
    Box7Inverse(x0, x1, x2, x3);
  else
    static_assert(kNotABox<kBox>, "not a Serpent S-box");
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

// The linear transformation and the next round's key. On a lone block, whose rounds are one
// chain of dependent operations, the key words of the two words rotated last go in before that
// rotation (rotated back to match) and beside a value that is ready early, so that the key costs
// the chain no step. Vectors of blocks are bound by throughput instead and keep the plain order.
template <class W>
inline void TransformAndMixKey(Words<W>& x, const uint32_t* k) {
  if constexpr (std::is_same_v<W, uint32_t>) {
    const uint32_t a = Rotl(x.a, 13), c = Rotl(x.c, 3);
    const uint32_t b = Rotl(x.b ^ a ^ c, 1);
    const uint32_t d = Rotl(x.d ^ c ^ (a << 3), 7);
    x.a = Rotl(detail::KeepApart(a ^ Rotr(k[0], 5)) ^ b ^ d, 5);
    x.c = Rotl(detail::KeepApart(c ^ Rotr(k[2], 22)) ^ d ^ (b << 7), 22);
    x.b = b ^ k[1];
    x.d = d ^ k[3];
  } else {
    Transform(x);
    MixKey(x, k);
  }
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

// The inverse of a round without its linear transformation.
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
  MixKey(x, k);
  for (size_t r = 0; r < 32; r += 8) {
    const uint32_t* const kr = k + 4 * r;
    Substitute<SERPENT_S0>(x), TransformAndMixKey(x, kr + 4);
    Substitute<SERPENT_S1>(x), TransformAndMixKey(x, kr + 8);
    Substitute<SERPENT_S2>(x), TransformAndMixKey(x, kr + 12);
    Substitute<SERPENT_S3>(x), TransformAndMixKey(x, kr + 16);
    Substitute<SERPENT_S4>(x), TransformAndMixKey(x, kr + 20);
    Substitute<SERPENT_S5>(x), TransformAndMixKey(x, kr + 24);
    Substitute<SERPENT_S6>(x), TransformAndMixKey(x, kr + 28);
    Substitute<SERPENT_S7>(x);
    if (r != 24)
      TransformAndMixKey(x, kr + 32);
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

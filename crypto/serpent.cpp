// Serpent in the bitslice form: the block is four little-endian words, and each 4-bit S-box works
// on all 32 nibble columns of the words at once. The S-box circuits are derived at compile time
// from the S-box tables (their algebraic normal form) and checked against the tables there.
#include "crypto/serpent.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/serpent.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
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

constexpr uint32_t kPhi = 0x9E3779B9;

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

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
// Where SSE2 is always there (x86-64), four blocks go side by side in 128-bit vectors, lane i of
// vector j holding word j of block i. The same circuits serve, so no table is indexed either.
#  define VARKESH_SERPENT_VECTORS 1
using Vector = uint32_t __attribute__((vector_size(16)));
constexpr size_t kVectorLanes = sizeof(Vector) / sizeof(uint32_t);

// Word j of each block, from blocks 16 bytes apart.
template <size_t... kLane>
inline Vector Gather(const uint8_t* word, std::index_sequence<kLane...> /*unused*/) {
  return Vector{LoadLe32(word + 16 * kLane)...};
}

template <bool kDecrypt>
inline void VectorBlocks(const uint32_t* k, const uint8_t* in, uint8_t* out) {
  constexpr auto kLanes = std::make_index_sequence<kVectorLanes>();
  Words<Vector> x{Gather(in, kLanes), Gather(in + 4, kLanes), Gather(in + 8, kLanes),
                  Gather(in + 12, kLanes)};
  if constexpr (kDecrypt) {
    DecryptWords(x, k);
  } else {
    EncryptWords(x, k);
  }
  for (size_t i = 0; i < kVectorLanes; ++i) {
    uint8_t* block = out + 16 * i;
    StoreLe32(block, x.a[i]), StoreLe32(block + 4, x.b[i]);
    StoreLe32(block + 8, x.c[i]), StoreLe32(block + 12, x.d[i]);
  }
}
#else
#  define VARKESH_SERPENT_VECTORS 0
#endif

}  // namespace

bool Serpent::KnownAnswerTest() {
  return BlockKnownAnswers<Serpent>({
      {"ffeeddccbbaa99887766554433221100", 128, "1032547698badcfeefcdab8967452301",
       "d5baa00a4bb9d8a7c981c8dc90d89d92"},
      {"8899aabbccddeeffffeeddccbbaa99887766554433221100", 192, "1032547698badcfeefcdab8967452301",
       "da860842b720802bf404a4c71034879a"},
      {"00112233445566778899aabbccddeeffffeeddccbbaa99887766554433221100", 256,
       "1032547698badcfeefcdab8967452301", "93df9a3cafe387bd999eebe393a17fca"},
  });
}

void Serpent::Wipe() {
  detail::SecureWipeObject(subkeys_, 0x00);
  BlockCipher128::Wipe();
}

void Serpent::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  // w[0..7] is the padded key, w[8 + i] prekey i.
  std::array<uint32_t, 8 + 132> w{};
  std::array<uint8_t, 32> buffer{};
  std::copy_n(key, key_bits / 8, buffer.begin());
  for (size_t i = 0; i < 8; ++i) w[i] = LoadLe32(&buffer[4 * i]);
  if (key_bits < 256) {
    // A 1 bit right after the key; everything above it stays zero. For a size of the form 8k+4
    // the ignored half byte counts as zero bits of the key.
    const uint32_t bit = key_bits % 32;
    uint32_t& word = w[key_bits / 32];
    word = (word | uint32_t{1} << bit) & ((uint32_t{2} << bit) - 1);
  }
  for (uint32_t i = 0; i < 132; ++i)
    w[i + 8] = Rotl32(w[i] ^ w[i + 3] ^ w[i + 5] ^ w[i + 7] ^ kPhi ^ i, 11);

  const uint32_t* pre = &w[8];
  uint32_t* sub = subkeys_.data();
  for (size_t i = 0; i < 32; i += 8, pre += 32, sub += 32) {
    MakeSubkey<SERPENT_S3>(pre, sub);
    MakeSubkey<SERPENT_S2>(pre + 4, sub + 4);
    MakeSubkey<SERPENT_S1>(pre + 8, sub + 8);
    MakeSubkey<SERPENT_S0>(pre + 12, sub + 12);
    MakeSubkey<SERPENT_S7>(pre + 16, sub + 16);
    MakeSubkey<SERPENT_S6>(pre + 20, sub + 20);
    MakeSubkey<SERPENT_S5>(pre + 24, sub + 24);
    MakeSubkey<SERPENT_S4>(pre + 28, sub + 28);
  }
  MakeSubkey<SERPENT_S3>(pre, sub);

  detail::SecureWipeObject(w);
  detail::SecureWipeObject(buffer);
}

void Serpent::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  const uint32_t* const k = subkeys_.data();
#if VARKESH_SERPENT_VECTORS
  for (; blocks >= kVectorLanes;
       blocks -= kVectorLanes, in += 16 * kVectorLanes, out += 16 * kVectorLanes)
    VectorBlocks<false>(k, in, out);
#endif
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    Words<uint32_t> x{LoadLe32(in), LoadLe32(in + 4), LoadLe32(in + 8), LoadLe32(in + 12)};
    EncryptWords(x, k);
    StoreLe32(out, x.a), StoreLe32(out + 4, x.b);
    StoreLe32(out + 8, x.c), StoreLe32(out + 12, x.d);
  }
}

void Serpent::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  const uint32_t* const k = subkeys_.data();
#if VARKESH_SERPENT_VECTORS
  for (; blocks >= kVectorLanes;
       blocks -= kVectorLanes, in += 16 * kVectorLanes, out += 16 * kVectorLanes)
    VectorBlocks<true>(k, in, out);
#endif
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    Words<uint32_t> x{LoadLe32(in), LoadLe32(in + 4), LoadLe32(in + 8), LoadLe32(in + 12)};
    DecryptWords(x, k);
    StoreLe32(out, x.a), StoreLe32(out + 4, x.b);
    StoreLe32(out + 8, x.c), StoreLe32(out + 12, x.d);
  }
}

}  // namespace varkesh

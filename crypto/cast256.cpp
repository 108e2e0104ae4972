// CAST-256: six forward and six reverse quad-rounds over the four words A, B, C, D. The key
// schedule's masking and rotation constants are generated at compile time from their seeds.
#include "crypto/cast256.h"

#include <algorithm>
#include <cstddef>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/cast.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::Rotl32;
using detail::StoreBe32;
using tables::CAST_S1;
using tables::CAST_S2;
using tables::CAST_S3;
using tables::CAST_S4;

// The key schedule's constants: 24 octaves of 8 masks and 8 rotations each.
struct KeyScheduleConstants {
  std::array<uint32_t, 24 * 8> tm{};
  std::array<uint32_t, 24 * 8> tr{};
};

constexpr KeyScheduleConstants MakeKeyScheduleConstants() {
  KeyScheduleConstants t;
  uint32_t cm = 0x5A827999, cr = 19;
  for (size_t i = 0; i < t.tm.size(); ++i) {
    t.tm[i] = cm, t.tr[i] = cr;
    cm += 0x6ED9EBA1;
    cr = (cr + 17) % 32;
  }
  return t;
}

constexpr KeyScheduleConstants kConstants = MakeKeyScheduleConstants();

// The S-box outputs for the rotated word i: S1 and S4 by i's top and low bytes, S2 and S3 by those
// of j, i with its halves swapped. j is rotated from the same value as i, beside it, so that every
// index is one operation from the rotation.
struct Sboxes {
  uint32_t s1, s2, s3, s4;
};

inline Sboxes Lookup(uint32_t x, uint32_t kr) {
  const uint32_t i = Rotl32(x, kr), j = Rotl32(x, kr + 16);
  return {CAST_S1[i >> 24], CAST_S2[j & 0xFF], CAST_S3[j >> 24], CAST_S4[i & 0xFF]};
}

// The three round functions, XORed into `to`. Their operations are regrouped into the shallowest
// trees (the compiler would chain them, and a lone block waits on every step): ((S1 ^ S2) - S3) +
// S4 as (S1 ^ S2) + (S4 - S3), and the last XOR of the second joined with the target word first.
using detail::KeepApart;

inline void F1(uint32_t& to, uint32_t d, uint32_t kr, uint32_t km) {
  const Sboxes s = Lookup(km + d, kr);
  to ^= KeepApart(s.s1 ^ s.s2) + KeepApart(s.s4 - s.s3);
}

inline void F2(uint32_t& to, uint32_t d, uint32_t kr, uint32_t km) {
  const Sboxes s = Lookup(km ^ d, kr);
  to = KeepApart(KeepApart(s.s1 - s.s2) + s.s3) ^ KeepApart(s.s4 ^ to);
}

inline void F3(uint32_t& to, uint32_t d, uint32_t kr, uint32_t km) {
  const Sboxes s = Lookup(km - d, kr);
  to ^= ((KeepApart(s.s1 + s.s2) ^ s.s3) - s.s4);
}

struct Words {
  uint32_t a, b, c, d;
};

// Quad-round Q and its inverse QBAR with the four subkeys starting at kr/km.
inline void Forward(Words& x, const uint32_t* kr, const uint32_t* km) {
  F1(x.c, x.d, kr[0], km[0]);
  F2(x.b, x.c, kr[1], km[1]);
  F3(x.a, x.b, kr[2], km[2]);
  F1(x.d, x.a, kr[3], km[3]);
}

inline void Reverse(Words& x, const uint32_t* kr, const uint32_t* km) {
  F1(x.d, x.a, kr[3], km[3]);
  F3(x.a, x.b, kr[2], km[2]);
  F2(x.b, x.c, kr[1], km[1]);
  F1(x.c, x.d, kr[0], km[0]);
}

// The key schedule's octave W with the eight constants starting at `at`.
inline void Octave(std::array<uint32_t, 8>& k, size_t at) {
  const uint32_t* tm = &kConstants.tm[at];
  const uint32_t* tr = &kConstants.tr[at];
  auto& [a, b, c, d, e, f, g, h] = k;
  F1(g, h, tr[0], tm[0]);
  F2(f, g, tr[1], tm[1]);
  F3(e, f, tr[2], tm[2]);
  F1(d, e, tr[3], tm[3]);
  F2(c, d, tr[4], tm[4]);
  F3(b, c, tr[5], tm[5]);
  F1(a, b, tr[6], tm[6]);
  F2(h, a, tr[7], tm[7]);
}

inline Words Load(const uint8_t* in) {
  return {LoadBe32(in), LoadBe32(in + 4), LoadBe32(in + 8), LoadBe32(in + 12)};
}

inline void Store(const Words& x, uint8_t* out) {
  StoreBe32(out, x.a), StoreBe32(out + 4, x.b), StoreBe32(out + 8, x.c), StoreBe32(out + 12, x.d);
}

// N blocks side by side: six forward and six reverse quad-rounds, or for decryption the same
// with the quad-rounds in reverse order.
template <size_t N, bool kDecrypt>
inline void Blocks(const uint32_t* kr, const uint32_t* km, const uint8_t* in, uint8_t* out) {
  Words x[N];
  for (size_t b = 0; b < N; ++b) x[b] = Load(in + 16 * b);
  for (size_t q = 0; q < 6; ++q) {
    const size_t i = kDecrypt ? 44 - 4 * q : 4 * q;
    for (size_t b = 0; b < N; ++b) Forward(x[b], kr + i, km + i);
  }
  for (size_t q = 6; q < 12; ++q) {
    const size_t i = kDecrypt ? 44 - 4 * q : 4 * q;
    for (size_t b = 0; b < N; ++b) Reverse(x[b], kr + i, km + i);
  }
  for (size_t b = 0; b < N; ++b) Store(x[b], out + 16 * b);
}

template <bool kDecrypt>
struct BlockRun {
  const uint32_t* kr;
  const uint32_t* km;

  template <size_t N>
  void operator()(const uint8_t* in, uint8_t* out) const {
    Blocks<N, kDecrypt>(kr, km, in, out);
  }
};

}  // namespace

bool Cast256::KnownAnswerTest() {
  return BlockKnownAnswers<Cast256>({
      {"2342bb9efa38542c0af75647f29f615d", 128, "0000000000000000000000000c9b2807",
       "963a8a50ceb54d08e0dee0f1d0413dcf"},
      {"2342bb9efa38542cbed0ac83940ac298bac77a7717942863", 192, "000000000000000000000000de255aff",
       "2bc1929f301347a99d3f3e45ad3401e8"},
      {"2342bb9efa38542cbed0ac83940ac2988d7c47ce264908461cc1b5137ae6b604", 256,
       "000000000000000000000000c5fceb19", "1e2ebc6c9f2e438e1d90d9b9c6853286"},
  });
}

void Cast256::Wipe() {
  detail::SecureWipeObject(rotations_, 0xFF);
  detail::SecureWipeObject(masks_, 0xFF);
  BlockCipher128::Wipe();
}

void Cast256::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  std::array<uint8_t, 32> buffer{};
  std::copy_n(key, key_bits / 8, buffer.begin());
  std::array<uint32_t, 8> k;
  for (size_t i = 0; i < 8; ++i) k[i] = LoadBe32(&buffer[4 * i]);
  for (size_t i = 0; i < 12; ++i) {
    Octave(k, 16 * i);
    Octave(k, 16 * i + 8);
    const auto& [a, b, c, d, e, f, g, h] = k;
    rotations_[4 * i] = a & 31, rotations_[4 * i + 1] = c & 31;
    rotations_[4 * i + 2] = e & 31, rotations_[4 * i + 3] = g & 31;
    masks_[4 * i] = h, masks_[4 * i + 1] = f, masks_[4 * i + 2] = d, masks_[4 * i + 3] = b;
  }
  detail::SecureWipeObject(buffer, 0xFF);
  detail::SecureWipeObject(k, 0xFF);
}

void Cast256::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<4, 16>(in, out, blocks, BlockRun<false>{rotations_.data(), masks_.data()});
}

void Cast256::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<4, 16>(in, out, blocks, BlockRun<true>{rotations_.data(), masks_.data()});
}

void Cast256::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<16, true, 4>(mode, chain, in, out, count,
                                      BlockRun<false>{rotations_.data(), masks_.data()},
                                      BlockRun<true>{rotations_.data(), masks_.data()});
}

}  // namespace varkesh

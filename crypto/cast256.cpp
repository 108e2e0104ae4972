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

inline uint32_t S1(uint32_t i) { return CAST_S1[i >> 24]; }

inline uint32_t S2(uint32_t i) { return CAST_S2[(i >> 16) & 0xFF]; }

inline uint32_t S3(uint32_t i) { return CAST_S3[(i >> 8) & 0xFF]; }

inline uint32_t S4(uint32_t i) { return CAST_S4[i & 0xFF]; }

inline uint32_t F1(uint32_t d, uint32_t kr, uint32_t km) {
  const uint32_t i = Rotl32(km + d, kr);
  return ((S1(i) ^ S2(i)) - S3(i)) + S4(i);
}

inline uint32_t F2(uint32_t d, uint32_t kr, uint32_t km) {
  const uint32_t i = Rotl32(km ^ d, kr);
  return ((S1(i) - S2(i)) + S3(i)) ^ S4(i);
}

inline uint32_t F3(uint32_t d, uint32_t kr, uint32_t km) {
  const uint32_t i = Rotl32(km - d, kr);
  return ((S1(i) + S2(i)) ^ S3(i)) - S4(i);
}

struct Words {
  uint32_t a, b, c, d;
};

// Quad-round Q and its inverse QBAR with the four subkeys starting at kr/km.
inline void Forward(Words& x, const uint32_t* kr, const uint32_t* km) {
  x.c ^= F1(x.d, kr[0], km[0]);
  x.b ^= F2(x.c, kr[1], km[1]);
  x.a ^= F3(x.b, kr[2], km[2]);
  x.d ^= F1(x.a, kr[3], km[3]);
}

inline void Reverse(Words& x, const uint32_t* kr, const uint32_t* km) {
  x.d ^= F1(x.a, kr[3], km[3]);
  x.a ^= F3(x.b, kr[2], km[2]);
  x.b ^= F2(x.c, kr[1], km[1]);
  x.c ^= F1(x.d, kr[0], km[0]);
}

// The key schedule's octave W with the eight constants starting at `at`.
inline void Octave(std::array<uint32_t, 8>& k, size_t at) {
  const uint32_t* tm = &kConstants.tm[at];
  const uint32_t* tr = &kConstants.tr[at];
  auto& [a, b, c, d, e, f, g, h] = k;
  g ^= F1(h, tr[0], tm[0]);
  f ^= F2(g, tr[1], tm[1]);
  e ^= F3(f, tr[2], tm[2]);
  d ^= F1(e, tr[3], tm[3]);
  c ^= F2(d, tr[4], tm[4]);
  b ^= F3(c, tr[5], tm[5]);
  a ^= F1(b, tr[6], tm[6]);
  h ^= F2(a, tr[7], tm[7]);
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

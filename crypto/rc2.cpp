// RC2: 64-bit blocks as four little-endian 16-bit words, keys of 1 to 128 bytes, 16 mixing and
// 2 mashing rounds. The effective key length is always 1024 bits, whatever the key length, so
// only the first expanded key byte goes through the reduction step; published vectors for
// other effective lengths do not apply. Mashing indexes the key with data, so timing depends
// on both.
#include "crypto/rc2.h"

#include <bit>
#include <cstring>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/rc2.h"

namespace varkesh {

namespace {

inline uint16_t Rotl16(uint32_t v, int n) { return std::rotl(static_cast<uint16_t>(v), n); }

inline uint16_t Rotr16(uint32_t v, int n) { return std::rotr(static_cast<uint16_t>(v), n); }

inline void Load(const uint8_t* in, uint16_t& r0, uint16_t& r1, uint16_t& r2, uint16_t& r3) {
  const auto word = [in](int i) { return static_cast<uint16_t>(in[2 * i] | in[2 * i + 1] << 8); };
  r0 = word(0), r1 = word(1), r2 = word(2), r3 = word(3);
}

inline void Store(uint8_t* out, uint32_t r0, uint32_t r1, uint32_t r2, uint32_t r3) {
  const uint32_t words[4] = {r0, r1, r2, r3};
  for (int i = 0; i < 4; ++i) {
    out[2 * i] = static_cast<uint8_t>(words[i]);
    out[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
}

// A mixing step: a + j + (the bits of y where x has ones, of z where it has zeros), rotated left
// by n. Only x is the word just computed; the sum of a and j and the XOR of y and z are ready
// before it, so that x is two operations from the sum.
inline uint16_t Mix(uint32_t a, uint32_t j, uint32_t x, uint32_t y, uint32_t z, int n) {
  const auto early = detail::Settled(static_cast<uint16_t>(a + j));
  return Rotl16(early + (z ^ (x & (y ^ z))), n);
}

// N blocks side by side, as four 16-bit words each held in the low half of a 32-bit one.
template <size_t N>
inline void EncryptLanes(const uint16_t* k, const uint8_t* in, uint8_t* out) {
  uint16_t r0[N], r1[N], r2[N], r3[N];
  for (size_t b = 0; b < N; ++b) Load(in + 8 * b, r0[b], r1[b], r2[b], r3[b]);
  // Unrolled, so that the mashing rounds need no test.
  detail::Unroll(
      [&](auto step) {
        constexpr int round = static_cast<int>(step);
        const uint16_t* j = k + 4 * round;
        for (size_t b = 0; b < N; ++b) {
          r0[b] = Mix(r0[b], j[0], r3[b], r2[b], r1[b], 1);
          r1[b] = Mix(r1[b], j[1], r0[b], r3[b], r2[b], 2);
          r2[b] = Mix(r2[b], j[2], r1[b], r0[b], r3[b], 3);
          r3[b] = Mix(r3[b], j[3], r2[b], r1[b], r0[b], 5);
        }
        // Mashing after the fifth and the eleventh mixing round.
        if constexpr (round == 4 || round == 10) {
          for (size_t b = 0; b < N; ++b) {
            r0[b] = static_cast<uint16_t>(r0[b] + k[r3[b] & 63]);
            r1[b] = static_cast<uint16_t>(r1[b] + k[r0[b] & 63]);
            r2[b] = static_cast<uint16_t>(r2[b] + k[r1[b] & 63]);
            r3[b] = static_cast<uint16_t>(r3[b] + k[r2[b] & 63]);
          }
        }
      },
      std::make_index_sequence<16>());
  for (size_t b = 0; b < N; ++b) Store(out + 8 * b, r0[b], r1[b], r2[b], r3[b]);
}

// The inverse of Mix for the word a: rotated right by n, less j and the selection. z is the word
// just computed, and the rest is subtracted before it is ready.
inline uint16_t Unmix(uint32_t a, uint32_t j, uint32_t x, uint32_t y, uint32_t z, int n) {
  const auto early = detail::Settled(static_cast<uint16_t>(Rotr16(a, n) - j - (x & y)));
  return static_cast<uint16_t>(early - (~x & z));
}

template <size_t N>
inline void DecryptLanes(const uint16_t* k, const uint8_t* in, uint8_t* out) {
  uint16_t r0[N], r1[N], r2[N], r3[N];
  for (size_t b = 0; b < N; ++b) Load(in + 8 * b, r0[b], r1[b], r2[b], r3[b]);
  detail::Unroll(
      [&](auto step) {
        constexpr int round = 15 - static_cast<int>(step);
        const uint16_t* j = k + 4 * round;
        for (size_t b = 0; b < N; ++b) {
          r3[b] = Unmix(r3[b], j[3], r2[b], r1[b], r0[b], 5);
          r2[b] = Unmix(r2[b], j[2], r1[b], r0[b], r3[b], 3);
          r1[b] = Unmix(r1[b], j[1], r0[b], r3[b], r2[b], 2);
          r0[b] = Unmix(r0[b], j[0], r3[b], r2[b], r1[b], 1);
        }
        // The mashing rounds came just before mixing rounds 5 and 11; undo them right after.
        if constexpr (round == 5 || round == 11) {
          for (size_t b = 0; b < N; ++b) {
            r3[b] = static_cast<uint16_t>(r3[b] - k[r2[b] & 63]);
            r2[b] = static_cast<uint16_t>(r2[b] - k[r1[b] & 63]);
            r1[b] = static_cast<uint16_t>(r1[b] - k[r0[b] & 63]);
            r0[b] = static_cast<uint16_t>(r0[b] - k[r3[b] & 63]);
          }
        }
      },
      std::make_index_sequence<16>());
  for (size_t b = 0; b < N; ++b) Store(out + 8 * b, r0[b], r1[b], r2[b], r3[b]);
}

constexpr size_t kLanes = 2;

// The lane bodies (see RunLanes) of encryption and decryption.
template <bool kDecrypt>
auto LaneRun(const uint16_t* k) {
  return [k]<size_t N>(const uint8_t* i, uint8_t* o) {
    if constexpr (kDecrypt)
      DecryptLanes<N>(k, i, o);
    else
      EncryptLanes<N>(k, i, o);
  };
}

}  // namespace

bool Rc2::KnownAnswerTest() {
  return BlockKnownAnswers<Rc2>({
      {"000102030405060708090a0b0c0d0e0f", 128, "0000000000000000", "50dc0162bd757f31"},
      {"00000000000000000000000000000001", 128, "0000000000000000", "21829c78a9f9c074"},
  });
}

void Rc2::Wipe() {
  detail::SecureWipe(k_.data(), sizeof(k_));
  BlockCipher64::Wipe();
}

void Rc2::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  const size_t t = key_bits / 8;  // 1 to 128: Init refuses the rest
  uint8_t l[128];
  std::memcpy(l, key, t);
  for (size_t i = t; i < 128; ++i) {
    l[i] = tables::RC2_PITABLE[static_cast<uint8_t>(l[i - 1] + l[i - t])];
  }
  // The reduction to the effective key length: with 1024 bits it touches the first byte only.
  l[0] = tables::RC2_PITABLE[l[0]];
  for (size_t i = 0; i < 64; ++i) k_[i] = static_cast<uint16_t>(l[2 * i] | l[2 * i + 1] << 8);
  detail::SecureWipe(l, sizeof(l));
}

void Rc2::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, LaneRun<false>(k_.data()));
}

void Rc2::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, LaneRun<true>(k_.data()));
}

void Rc2::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, false, kLanes>(mode, chain, in, out, count, LaneRun<false>(k_.data()),
                                           LaneRun<true>(k_.data()));
}

}  // namespace varkesh

// RC6-32/20/b as published; its key expansion is RC5's with 44 words. No table is indexed with
// secret data; the data-dependent rotations take constant time on current processors.
#include "crypto/rc6.h"

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/rc5.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreLe32;

constexpr uint32_t Mix(uint32_t x) { return Rotl32(x * (2 * x + 1), 5); }

constexpr int kRounds = 20;

// N blocks side by side. Each round turns (A, B, C, D) into (B, C', D, A'); decryption undoes
// it, finding the round's A in d and its C in b.
template <size_t N>
inline void EncryptLanes(const uint32_t* s, const uint8_t* in, uint8_t* out) {
  uint32_t a[N], b[N], c[N], d[N];
  for (size_t j = 0; j < N; ++j) {
    a[j] = LoadLe32(in + 16 * j);
    b[j] = LoadLe32(in + 16 * j + 4) + s[0];
    c[j] = LoadLe32(in + 16 * j + 8);
    d[j] = LoadLe32(in + 16 * j + 12) + s[1];
  }
  for (int i = 1; i <= kRounds; ++i) {
    for (size_t j = 0; j < N; ++j) {
      const uint32_t t = Mix(b[j]);
      const uint32_t u = Mix(d[j]);
      const uint32_t next_d = Rotl32(a[j] ^ t, u) + s[2 * i];
      a[j] = b[j];
      b[j] = Rotl32(c[j] ^ u, t) + s[2 * i + 1];
      c[j] = d[j];
      d[j] = next_d;
    }
  }
  for (size_t j = 0; j < N; ++j) {
    StoreLe32(out + 16 * j, a[j] + s[2 * kRounds + 2]);
    StoreLe32(out + 16 * j + 4, b[j]);
    StoreLe32(out + 16 * j + 8, c[j] + s[2 * kRounds + 3]);
    StoreLe32(out + 16 * j + 12, d[j]);
  }
}

template <size_t N>
inline void DecryptLanes(const uint32_t* s, const uint8_t* in, uint8_t* out) {
  uint32_t a[N], b[N], c[N], d[N];
  for (size_t j = 0; j < N; ++j) {
    a[j] = LoadLe32(in + 16 * j) - s[2 * kRounds + 2];
    b[j] = LoadLe32(in + 16 * j + 4);
    c[j] = LoadLe32(in + 16 * j + 8) - s[2 * kRounds + 3];
    d[j] = LoadLe32(in + 16 * j + 12);
  }
  for (int i = kRounds; i >= 1; --i) {
    for (size_t j = 0; j < N; ++j) {
      const uint32_t t = Mix(a[j]);
      const uint32_t u = Mix(c[j]);
      const uint32_t prev_a = Rotr32(d[j] - s[2 * i], u) ^ t;
      const uint32_t prev_c = Rotr32(b[j] - s[2 * i + 1], t) ^ u;
      d[j] = c[j];
      b[j] = a[j];
      a[j] = prev_a;
      c[j] = prev_c;
    }
  }
  for (size_t j = 0; j < N; ++j) {
    StoreLe32(out + 16 * j, a[j]);
    StoreLe32(out + 16 * j + 4, b[j] - s[0]);
    StoreLe32(out + 16 * j + 8, c[j]);
    StoreLe32(out + 16 * j + 12, d[j] - s[1]);
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

bool Rc6::KnownAnswerTest() {
  return BlockKnownAnswers<Rc6>({
      {"0123456789abcdef0112233445566778", 128, "02132435465768798a9bacbdcedfe0f1",
       "524e192f4715c6231f51f6367ea43f18"},
      {"0123456789abcdef0112233445566778899aabbccddeeff01032547698badcfe", 256,
       "02132435465768798a9bacbdcedfe0f1", "c8241816f0d7e48920ad16a1674e5d48"},
  });
}

void Rc6::Wipe() {
  detail::SecureWipe(s_.data(), sizeof(s_), 0xFF);
  BlockCipher128::Wipe();
}

void Rc6::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  detail::ExpandRcKey(key, key_bits / 8, s_.data(), s_.size());
}

void Rc6::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 16>(in, out, blocks, LaneRun<false>(s_.data()));
}

void Rc6::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 16>(in, out, blocks, LaneRun<true>(s_.data()));
}

void Rc6::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<16, false, kLanes>(mode, chain, in, out, count, LaneRun<false>(s_.data()),
                                            LaneRun<true>(s_.data()));
}

}  // namespace varkesh

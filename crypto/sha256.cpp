#include "crypto/sha256.h"

#include <utility>

#include "crypto/detail/sha_instructions.h"
#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::Rotr32;
using detail::Unroll;

// The two big sigmas (rotr 2, 13, 22 and 6, 11, 25) nested, so that each needs one copy of x fewer.
constexpr uint32_t BigSigma0(uint32_t x) { return Rotr32(Rotr32(Rotr32(x, 9) ^ x, 11) ^ x, 2); }

constexpr uint32_t BigSigma1(uint32_t x) { return Rotr32(Rotr32(Rotr32(x, 14) ^ x, 5) ^ x, 6); }

constexpr uint32_t SmallSigma0(uint32_t x) { return Rotr32(x, 7) ^ Rotr32(x, 18) ^ (x >> 3); }

constexpr uint32_t SmallSigma1(uint32_t x) { return Rotr32(x, 17) ^ Rotr32(x, 19) ^ (x >> 10); }

#if VARKESH_SHA_HARDWARE

// The SHA instructions keep the state as two vectors, ABEF and CDGH (a in the top lane), and do
// two steps per sha256rnds2. Group g covers steps 4g .. 4g+3; the schedule vector of group h
// is begun with msg1 at group h-3 and finished with msg2 at group h-1, in slot h mod 4.
template <size_t g>
VARKESH_SHA_INLINE void HardwareGroup(__m128i (&m)[4],
                                      __m128i& abef,
                                      __m128i& cdgh,
                                      const uint8_t* block) {
  if constexpr (g < 4) {
    const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    m[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * g)),
                            byte_swap);
  }
  __m128i wk = _mm_add_epi32(
      m[g % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(&tables::SHA256_K[4 * g])));
  cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
  if constexpr (g >= 3 && g <= 14) {
    const __m128i w7 = _mm_alignr_epi8(m[g % 4], m[(g + 3) % 4], 4);
    m[(g + 1) % 4] = _mm_sha256msg2_epu32(_mm_add_epi32(m[(g + 1) % 4], w7), m[g % 4]);
  }
  wk = _mm_shuffle_epi32(wk, 0x0E);
  abef = _mm_sha256rnds2_epu32(abef, cdgh, wk);
  if constexpr (g >= 1 && g <= 12)
    m[(g + 3) % 4] = _mm_sha256msg1_epu32(m[(g + 3) % 4], m[g % 4]);
}

template <size_t... g>
VARKESH_SHA_INLINE void HardwareGroups(std::index_sequence<g...>,
                                       __m128i& abef,
                                       __m128i& cdgh,
                                       const uint8_t* block) {
  __m128i m[4];
  (HardwareGroup<g>(m, abef, cdgh, block), ...);
}

VARKESH_SHA_ENTRY void HardwareBlocks(uint32_t* state, const uint8_t* blocks, size_t count) {
  const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

  for (; count != 0; --count, blocks += 64) {
    const __m128i abef_in = abef, cdgh_in = cdgh;
    HardwareGroups(std::make_index_sequence<16>{}, abef, cdgh, blocks);
    abef = _mm_add_epi32(abef, abef_in);
    cdgh = _mm_add_epi32(cdgh, cdgh_in);
  }

  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#endif  // VARKESH_SHA_HARDWARE

}  // namespace

bool Sha256::KnownAnswerTest() {
  return HashKnownAnswers<Sha256>({
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
  });
}

// 64 steps over a rolling 16-word schedule. The registers rotate roles: at step t, register a
// sits at index -t mod 8 and b .. h follow it cyclically.
void Sha256::Compress(const uint8_t* blocks, size_t count) {
#if VARKESH_SHA_HARDWARE
  if (hardware_)
    return HardwareBlocks(state_.data(), blocks, count);
#endif
  uint32_t w[16];
  for (; count != 0; --count, blocks += 64) {
    uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state_[i];
    // Majority as b ^ ((a ^ b) & (b ^ c)), where b ^ c is the previous step's a ^ b.
    uint32_t bc = v[1] ^ v[2];
    Unroll(
        [&](auto step) __attribute__((always_inline)) {
          constexpr size_t t = step;
          if constexpr (t < 16) {
            w[t] = LoadBe32(blocks + 4 * t);
          } else {
            w[t % 16] +=
                SmallSigma1(w[(t - 2) % 16]) + w[(t - 7) % 16] + SmallSigma0(w[(t - 15) % 16]);
          }
          const uint32_t a = v[(64 - t) % 8], b = v[(65 - t) % 8];
          uint32_t& d = v[(67 - t) % 8];
          const uint32_t e = v[(68 - t) % 8], f = v[(69 - t) % 8], g = v[(70 - t) % 8];
          uint32_t& h = v[(71 - t) % 8];
          const uint32_t t1 =
              h + BigSigma1(e) + (g ^ (e & (f ^ g))) + tables::SHA256_K[t] + w[t % 16];
          d += t1;
          const auto ab = a ^ b;
          h = t1 + BigSigma0(a) + (b ^ (ab & bc));
          bc = ab;
        },
        std::make_index_sequence<64>{});
    for (int i = 0; i < 8; ++i) state_[i] += v[i];
  }
  detail::SecureWipeObject(w);
}

}  // namespace varkesh

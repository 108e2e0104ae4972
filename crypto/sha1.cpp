#include "crypto/sha1.h"

#include <utility>

#include "crypto/detail/sha_instructions.h"
#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::Rotl32;
using detail::Unroll;

template <size_t kGroup>
constexpr uint32_t Mix(uint32_t x, uint32_t y, uint32_t z) {
  if constexpr (kGroup == 0)
    return z ^ (x & (y ^ z));  // x ? y : z
  else if constexpr (kGroup == 2)
    return (x & y) | (z & (x | y));  // majority
  else
    return x ^ y ^ z;
}

#if VARKESH_SHA_HARDWARE

// The SHA instructions keep a .. d in one vector (a in the top lane) and e beside it in the top
// lane of another, added to the schedule words; sha1rnds4 does four steps. Group g covers steps
// 4g .. 4g+3, and its e vector alternates between e[0] and e[1]. The schedule vector of group h
// is begun with msg1 at group h-3, xored with that of group h-2, and finished with msg2 at
// group h-1, in slot h mod 4.
template <size_t g>
VARKESH_SHA_INLINE void HardwareGroup(__m128i (&m)[4],
                                      __m128i (&e)[2],
                                      __m128i& abcd,
                                      const uint8_t* block) {
  if constexpr (g < 4) {
    const __m128i byte_swap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    m[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * g)),
                            byte_swap);
  }
  if constexpr (g == 0)
    e[0] = _mm_add_epi32(e[0], m[0]);
  else
    e[g % 2] = _mm_sha1nexte_epu32(e[g % 2], m[g % 4]);
  e[(g + 1) % 2] = abcd;
  if constexpr (g >= 3 && g <= 18)
    m[(g + 1) % 4] = _mm_sha1msg2_epu32(m[(g + 1) % 4], m[g % 4]);
  abcd = _mm_sha1rnds4_epu32(abcd, e[g % 2], g / 5);
  if constexpr (g >= 1 && g <= 16)
    m[(g + 3) % 4] = _mm_sha1msg1_epu32(m[(g + 3) % 4], m[g % 4]);
  if constexpr (g >= 2 && g <= 17)
    m[(g + 2) % 4] = _mm_xor_si128(m[(g + 2) % 4], m[g % 4]);
}

template <size_t... g>
VARKESH_SHA_INLINE void HardwareGroups(std::index_sequence<g...>,
                                       __m128i (&e)[2],
                                       __m128i& abcd,
                                       const uint8_t* block) {
  __m128i m[4];
  (HardwareGroup<g>(m, e, abcd, block), ...);
}

VARKESH_SHA_ENTRY void HardwareBlocks(uint32_t* state, const uint8_t* blocks, size_t count) {
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e_in = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; count != 0; --count, blocks += 64) {
    const __m128i abcd_in = abcd;
    __m128i e[2] = {e_in, e_in};
    HardwareGroups(std::make_index_sequence<20>{}, e, abcd, blocks);
    // e[0] holds a as it was four steps before the end; rotated, that is the final e.
    e_in = _mm_sha1nexte_epu32(e[0], e_in);
    abcd = _mm_add_epi32(abcd, abcd_in);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<uint32_t>(_mm_extract_epi32(e_in, 3));
}

#endif  // VARKESH_SHA_HARDWARE

}  // namespace

bool Sha1::KnownAnswerTest() {
  return HashKnownAnswers<Sha1>({
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
  });
}

// 80 steps over a rolling 16-word schedule. The registers rotate roles: at step t, register a
// sits at index -t mod 5 and b, c, d, e follow it cyclically.
void Sha1::Compress(const uint8_t* blocks, size_t count) {
#if VARKESH_SHA_HARDWARE
  if (hardware_)
    return HardwareBlocks(state_.data(), blocks, count);
#endif
  uint32_t w[16];
  for (; count != 0; --count, blocks += 64) {
    uint32_t v[5] = {state_[0], state_[1], state_[2], state_[3], state_[4]};
    Unroll(
        [&](auto step) __attribute__((always_inline)) {
          constexpr size_t t = step;
          if constexpr (t < 16) {
            w[t] = LoadBe32(blocks + 4 * t);
          } else {
            w[t % 16] = Rotl32(w[(t - 3) % 16] ^ w[(t - 8) % 16] ^ w[(t - 14) % 16] ^ w[t % 16], 1);
          }
          const uint32_t a = v[(80 - t) % 5];
          uint32_t& b = v[(81 - t) % 5];
          const uint32_t c = v[(82 - t) % 5], d = v[(83 - t) % 5];
          uint32_t& e = v[(84 - t) % 5];
          e += Rotl32(a, 5) + Mix<t / 20>(b, c, d) + tables::SHA1_K[t / 20] + w[t % 16];
          b = Rotl32(b, 30);
        },
        std::make_index_sequence<80>{});
    for (int i = 0; i < 5; ++i) state_[i] += v[i];
  }
  detail::SecureWipeObject(w);
}

}  // namespace varkesh

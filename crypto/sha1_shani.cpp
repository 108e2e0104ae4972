// SHA-1 compression through the x86 SHA instructions.
#include "crypto/sha1.h"

#if VARKESH_X86

#  include <immintrin.h>

#  include <utility>

#  include "crypto/tables/sha.h"

namespace varkesh::kernels {

namespace {

// The SHA instructions keep a .. d in one vector (a in the top lane) and e beside it in the top
// lane of another, added to the schedule words; sha1rnds4 does four steps. Group g covers steps
// 4g .. 4g+3, and its e vector alternates between e[0] and e[1]. The schedule vector of group h
// is begun with msg1 at group h-3, xored with that of group h-2, and finished with msg2 at
// group h-1, in slot h mod 4.
template <size_t g>
VARKESH_KERNEL_INLINE("sha,sse4.1,ssse3")
void HardwareGroup(__m128i (&m)[4], __m128i (&e)[2], __m128i& abcd, const uint8_t* block) {
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
VARKESH_KERNEL_INLINE("sha,sse4.1,ssse3")
void HardwareGroups(std::index_sequence<g...>,
                    __m128i (&e)[2],
                    __m128i& abcd,
                    const uint8_t* block) {
  __m128i m[4];
  (HardwareGroup<g>(m, e, abcd, block), ...);
}

}  // namespace

VARKESH_KERNEL("sha,sse4.1,ssse3")

void Sha1Shani(uint32_t* state, const uint8_t* blocks, size_t count) {
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

}  // namespace varkesh::kernels

#endif  // VARKESH_X86

// SHA-256 compression through the x86 SHA instructions.
#include "crypto/sha256.h"

#if VARKESH_X86

#  include <immintrin.h>

#  include <utility>

#  include "crypto/tables/sha.h"

namespace varkesh::kernels {

namespace {

// The SHA instructions keep the state as two vectors, ABEF and CDGH (a in the top lane), and do
// two steps per sha256rnds2. Group g covers steps 4g .. 4g+3; the schedule vector of group h
// is begun with msg1 at group h-3 and finished with msg2 at group h-1, in slot h mod 4.
template <size_t g>
VARKESH_KERNEL_INLINE("sha,sse4.1,ssse3")
void HardwareGroup(__m128i (&m)[4], __m128i& abef, __m128i& cdgh, const uint8_t* block) {
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
VARKESH_KERNEL_INLINE("sha,sse4.1,ssse3")
void HardwareGroups(std::index_sequence<g...>, __m128i& abef, __m128i& cdgh, const uint8_t* block) {
  __m128i m[4];
  (HardwareGroup<g>(m, abef, cdgh, block), ...);
}

}  // namespace

VARKESH_KERNEL("sha,sse4.1,ssse3")

void Sha256Shani(uint32_t* state, const uint8_t* blocks, size_t count) {
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

}  // namespace varkesh::kernels

#endif  // VARKESH_X86

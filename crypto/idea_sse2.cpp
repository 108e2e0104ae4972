// IDEA on 8 blocks side by side in 128-bit vectors.
#include "crypto/idea.h"

#if VARKESH_X86

#  include <immintrin.h>

// Everything defined from here on, the lanes of idea_lanes.h included, is compiled for the
// extension.
VARKESH_TARGET_BEGIN("sse2")
#  include "crypto/idea_lanes.h"

namespace varkesh::kernels {

namespace {

struct Sse2Ops {
  using V = __m128i;

  static V Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }

  static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }

  static V Set1(uint16_t w) { return _mm_set1_epi16(static_cast<int16_t>(w)); }

  static V Add(V a, V b) { return _mm_add_epi16(a, b); }

  static V Sub(V a, V b) { return _mm_sub_epi16(a, b); }

  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }

  static V And(V a, V b) { return _mm_and_si128(a, b); }

  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }

  static V Or(V a, V b) { return _mm_or_si128(a, b); }

  static V Equal(V a, V b) { return _mm_cmpeq_epi16(a, b); }

  static V MulLow(V a, V b) { return _mm_mullo_epi16(a, b); }

  static V MulHigh(V a, V b) { return _mm_mulhi_epu16(a, b); }

  static V SubSat(V a, V b) { return _mm_subs_epu16(a, b); }

  static V ShiftLeft8(V v) { return _mm_slli_epi16(v, 8); }

  static V ShiftRight8(V v) { return _mm_srli_epi16(v, 8); }

  static V UnpackLo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }

  static V UnpackHi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }

  static V UnpackLo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }

  static V UnpackHi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }

  static V UnpackLo64(V a, V b) { return _mm_unpacklo_epi64(a, b); }

  static V UnpackHi64(V a, V b) { return _mm_unpackhi_epi64(a, b); }
};

}  // namespace

[[gnu::flatten]] VARKESH_KERNEL("sse2") size_t
    IdeaSse2(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t blocks) {
  return idea::Lanes<Sse2Ops>::Run(k, in, out, blocks);
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

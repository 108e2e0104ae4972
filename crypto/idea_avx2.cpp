// IDEA on 16 blocks side by side in 256-bit vectors.
#include "crypto/idea.h"

#if VARKESH_X86

#  include <immintrin.h>

// Everything defined from here on, the lanes of idea_lanes.h included, is compiled for the
// extension.
VARKESH_TARGET_BEGIN("avx2")
#  include "crypto/idea_lanes.h"

namespace varkesh::kernels {

namespace {

struct Avx2Ops {
  using V = __m256i;

  static V Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }

  static void Store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }

  static V Set1(uint16_t w) { return _mm256_set1_epi16(static_cast<int16_t>(w)); }

  static V Add(V a, V b) { return _mm256_add_epi16(a, b); }

  static V Sub(V a, V b) { return _mm256_sub_epi16(a, b); }

  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }

  static V And(V a, V b) { return _mm256_and_si256(a, b); }

  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }

  static V Or(V a, V b) { return _mm256_or_si256(a, b); }

  static V Equal(V a, V b) { return _mm256_cmpeq_epi16(a, b); }

  static V MulLow(V a, V b) { return _mm256_mullo_epi16(a, b); }

  static V MulHigh(V a, V b) { return _mm256_mulhi_epu16(a, b); }

  static V SubSat(V a, V b) { return _mm256_subs_epu16(a, b); }

  static V ShiftLeft8(V v) { return _mm256_slli_epi16(v, 8); }

  static V ShiftRight8(V v) { return _mm256_srli_epi16(v, 8); }

  static V UnpackLo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }

  static V UnpackHi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }

  static V UnpackLo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }

  static V UnpackHi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }

  static V UnpackLo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }

  static V UnpackHi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
};

}  // namespace

[[gnu::flatten]] VARKESH_KERNEL("avx2") size_t
    IdeaAvx2(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t blocks) {
  return idea::Lanes<Avx2Ops>::Run(k, in, out, blocks);
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

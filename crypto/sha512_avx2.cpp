// SHA-384/512 with the message schedules of two blocks in 256-bit vectors beside the scalar
// steps, which use BMI's rotations and and-not.
#include "crypto/sha512.h"

#if VARKESH_X86

// Everything defined from here on, the compression of sha512_kernel.h included, is compiled for
// the extensions.
VARKESH_TARGET_BEGIN("avx2,bmi,bmi2")
#  include "crypto/sha512_kernel.h"

namespace varkesh::kernels {

namespace {

struct Avx2Sigmas {
  // Rotation by 8 bits moves whole bytes.
  static __m256i Rotr8(__m256i x) {
    return _mm256_shuffle_epi8(
        x, _mm256_set_epi8(8, 15, 14, 13, 12, 11, 10, 9, 0, 7, 6, 5, 4, 3, 2, 1, 8, 15, 14, 13, 12,
                           11, 10, 9, 0, 7, 6, 5, 4, 3, 2, 1));
  }

  static __m256i SmallSigma0(__m256i x) {
    const __m256i r1 = _mm256_xor_si256(_mm256_srli_epi64(x, 1), _mm256_slli_epi64(x, 63));
    return _mm256_xor_si256(_mm256_xor_si256(r1, Rotr8(x)), _mm256_srli_epi64(x, 7));
  }

  static __m256i SmallSigma1(__m256i x) {
    const __m256i right = _mm256_xor_si256(_mm256_srli_epi64(x, 19), _mm256_srli_epi64(x, 61));
    const __m256i left = _mm256_xor_si256(_mm256_slli_epi64(x, 45), _mm256_slli_epi64(x, 3));
    return _mm256_xor_si256(_mm256_xor_si256(right, left), _mm256_srli_epi64(x, 6));
  }
};

}  // namespace

[[gnu::flatten]] VARKESH_KERNEL("avx2,bmi,bmi2") void Sha512Avx2(uint64_t* state,
                                                                 const uint8_t* blocks,
                                                                 size_t count) {
  sha512_kernel::Compress<Avx2Sigmas>(state, blocks, count);
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

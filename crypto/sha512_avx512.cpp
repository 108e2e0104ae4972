// SHA-384/512 as in sha512_avx2.cpp, with AVX-512's rotations and three-input logic making each
// small sigma four instructions.
#include "crypto/sha512.h"

#if VARKESH_X86

VARKESH_TARGET_BEGIN("avx2,bmi,bmi2,avx512f,avx512vl")
#  include "crypto/sha512_kernel.h"

namespace varkesh::kernels {

namespace {

struct Avx512Sigmas {
  // 0x96 is the three-input XOR.
  static __m256i SmallSigma0(__m256i x) {
    return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 1), _mm256_ror_epi64(x, 8),
                                     _mm256_srli_epi64(x, 7), 0x96);
  }

  static __m256i SmallSigma1(__m256i x) {
    return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 19), _mm256_ror_epi64(x, 61),
                                     _mm256_srli_epi64(x, 6), 0x96);
  }
};

}  // namespace

[[gnu::flatten]] VARKESH_KERNEL("avx2,bmi,bmi2,avx512f,avx512vl") void Sha512Avx512(
    uint64_t* state, const uint8_t* blocks, size_t count) {
  sha512_kernel::Compress<Avx512Sigmas>(state, blocks, count);
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

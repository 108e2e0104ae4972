// Rijndael through the vector AES instructions on 256-bit registers: two blocks per
// instruction, sixteen blocks per group (rijndael_groups.h).
#include "crypto/rijndael.h"

#if VARKESH_X86

VARKESH_TARGET_BEGIN("vaes,aes,avx2")
#  include "crypto/rijndael_groups.h"

namespace varkesh::kernels {

namespace {

struct Vaes256 {
  using Vec = __m256i;
  static constexpr size_t kBlocks = 2;

  // Upper halves of the vector registers that callers left in use would make the vector
  // instructions wait on them.
  static void Enter() { _mm256_zeroupper(); }

  static Vec Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const Vec*>(p)); }

  static void Store(uint8_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<Vec*>(p), v); }

  static Vec Broadcast(__m128i k) { return _mm256_broadcastsi128_si256(k); }

  static Vec Xor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }

  static Vec Enc(Vec b, Vec k) { return _mm256_aesenc_epi128(b, k); }

  static Vec EncLast(Vec b, Vec k) { return _mm256_aesenclast_epi128(b, k); }

  static Vec Dec(Vec b, Vec k) { return _mm256_aesdec_epi128(b, k); }

  static Vec DecLast(Vec b, Vec k) { return _mm256_aesdeclast_epi128(b, k); }

  // The block before each of x's: `prev`, then x's first.
  static Vec AfterBlock(__m128i prev, Vec x) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(prev), _mm256_castsi256_si128(x), 1);
  }

  // Lanes (low + i, high) as little-endian 128-bit numbers.
  static Vec Counters(uint64_t high, uint64_t low) {
    return _mm256_set_epi64x(static_cast<int64_t>(high), static_cast<int64_t>(low + 1),
                             static_cast<int64_t>(high), static_cast<int64_t>(low));
  }

  static Vec AddLow(Vec v, uint64_t n) {
    return _mm256_add_epi64(
        v, _mm256_set_epi64x(0, static_cast<int64_t>(n), 0, static_cast<int64_t>(n)));
  }

  static Vec ReverseBytes(Vec v) {
    return _mm256_shuffle_epi8(v, _mm256_broadcastsi128_si256(_mm_set_epi8(
                                      0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)));
  }
};

}  // namespace

const RijndaelKernel kRijndaelVaes256 = {&rijndael_groups::Modes<Vaes256>,
                                         &rijndael_groups::Run<Vaes256>};

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

// Rijndael through the vector AES instructions on 512-bit registers: four blocks per
// instruction, 32 blocks per group (rijndael_groups.h).
#include "crypto/rijndael.h"

#if VARKESH_X86

VARKESH_TARGET_BEGIN("vaes,aes,avx2,avx512f,avx512bw")
#  include "crypto/rijndael_groups.h"

namespace varkesh::kernels {

namespace {

// The zero-masked forms with every lane selected: GCC's plain ones start from an undefined value
// that it then warns about.
__m512i Broadcast4(__m128i k) { return _mm512_maskz_broadcast_i32x4(0xFFFF, k); }

struct Vaes512 {
  using Vec = __m512i;
  static constexpr size_t kBlocks = 4;

  // Upper halves of the vector registers that callers left in use would make the vector
  // instructions wait on them.
  static void Enter() { _mm256_zeroupper(); }

  static Vec Load(const uint8_t* p) { return _mm512_loadu_si512(p); }

  static void Store(uint8_t* p, Vec v) { _mm512_storeu_si512(p, v); }

  static Vec Broadcast(__m128i k) { return Broadcast4(k); }

  static Vec Xor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }

  static Vec Enc(Vec b, Vec k) { return _mm512_aesenc_epi128(b, k); }

  static Vec EncLast(Vec b, Vec k) { return _mm512_aesenclast_epi128(b, k); }

  static Vec Dec(Vec b, Vec k) { return _mm512_aesdec_epi128(b, k); }

  static Vec DecLast(Vec b, Vec k) { return _mm512_aesdeclast_epi128(b, k); }

  // The block before each of x's: `prev`, then x's first three (the 64-bit words of `prev`
  // broadcast, then of x, shifted by six words).
  static Vec AfterBlock(__m128i prev, Vec x) {
    return _mm512_maskz_alignr_epi64(0xFF, x, Broadcast4(prev), 6);
  }

  // Lanes (low + i, high) as little-endian 128-bit numbers.
  static Vec Counters(uint64_t high, uint64_t low) {
    const auto h = static_cast<int64_t>(high);
    const auto l = static_cast<int64_t>(low);
    return _mm512_set_epi64(h, l + 3, h, l + 2, h, l + 1, h, l);
  }

  static Vec AddLow(Vec v, uint64_t n) {
    const auto k = static_cast<int64_t>(n);
    return _mm512_add_epi64(v, _mm512_set_epi64(0, k, 0, k, 0, k, 0, k));
  }

  static Vec ReverseBytes(Vec v) {
    return _mm512_shuffle_epi8(
        v, Broadcast4(_mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)));
  }
};

}  // namespace

const RijndaelKernel kRijndaelVaes512 = {&rijndael_groups::Modes<Vaes512>,
                                         &rijndael_groups::Run<Vaes512>};

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

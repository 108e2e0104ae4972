// Rijndael through the x86 AES instructions. The round keys are the words the table path uses
// (FIPS byte order in memory on x86), so both paths share one key schedule; for decryption the
// instructions expect exactly the keys of the equivalent inverse cipher.
#include "crypto/rijndael.h"

#if VARKESH_X86

#  include <immintrin.h>

namespace varkesh::kernels {

namespace {

#  define AESNI_INLINE VARKESH_KERNEL_INLINE("aes,sse2")

AESNI_INLINE __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

AESNI_INLINE void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

template <bool kEncrypt>
AESNI_INLINE __m128i Round(__m128i b, __m128i key) {
  return kEncrypt ? _mm_aesenc_si128(b, key) : _mm_aesdec_si128(b, key);
}

template <bool kEncrypt>
AESNI_INLINE __m128i LastRound(__m128i b, __m128i key) {
  return kEncrypt ? _mm_aesenclast_si128(b, key) : _mm_aesdeclast_si128(b, key);
}

// Eight independent blocks keep the AES unit's pipeline full; fewer are done one by one.
template <bool kEncrypt>
AESNI_INLINE void Blocks(
    const uint32_t* rk, uint32_t rounds, const uint8_t* in, uint8_t* out, size_t blocks) {
  __m128i k[15];
  for (uint32_t i = 0; i <= rounds; ++i) k[i] = Load(rk + 4 * i);
  for (; blocks >= 8; blocks -= 8, in += 128, out += 128) {
    __m128i b[8];
    for (int j = 0; j < 8; ++j) b[j] = _mm_xor_si128(Load(in + 16 * j), k[0]);
    for (uint32_t i = 1; i < rounds; ++i) {
      for (int j = 0; j < 8; ++j) b[j] = Round<kEncrypt>(b[j], k[i]);
    }
    for (int j = 0; j < 8; ++j) Store(out + 16 * j, LastRound<kEncrypt>(b[j], k[rounds]));
  }
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    __m128i b = _mm_xor_si128(Load(in), k[0]);
    for (uint32_t i = 1; i < rounds; ++i) b = Round<kEncrypt>(b, k[i]);
    Store(out, LastRound<kEncrypt>(b, k[rounds]));
  }
}

}  // namespace

VARKESH_KERNEL("aes,sse2")

void RijndaelAesniEncrypt(
    const uint32_t* rk, uint32_t rounds, const uint8_t* in, uint8_t* out, size_t blocks) {
  Blocks<true>(rk, rounds, in, out, blocks);
}

VARKESH_KERNEL("aes,sse2")

void RijndaelAesniDecrypt(
    const uint32_t* rk, uint32_t rounds, const uint8_t* in, uint8_t* out, size_t blocks) {
  Blocks<false>(rk, rounds, in, out, blocks);
}

}  // namespace varkesh::kernels

#endif  // VARKESH_X86

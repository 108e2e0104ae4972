// SHA-384/512 with the message schedule in 128-bit vectors, two words at a time, 16 steps ahead
// of the rounds that use them; the rounds stay scalar (with BMI2's rotations). The schedule then
// runs on the vector units beside the rounds instead of competing with them.
#include "crypto/sha512.h"

#if VARKESH_X86

#  include <immintrin.h>

#  include "crypto/detail/sha512_step.h"
#  include "crypto/tables/sha.h"

namespace varkesh::kernels {

namespace {

#  define SHA512_INLINE VARKESH_KERNEL_INLINE("avx2,bmi2")

template <int n>
SHA512_INLINE __m128i Rotr(__m128i x) {
  return _mm_or_si128(_mm_srli_epi64(x, n), _mm_slli_epi64(x, 64 - n));
}

SHA512_INLINE __m128i SmallSigma0(__m128i x) {
  return _mm_xor_si128(_mm_xor_si128(Rotr<1>(x), Rotr<8>(x)), _mm_srli_epi64(x, 7));
}

SHA512_INLINE __m128i SmallSigma1(__m128i x) {
  return _mm_xor_si128(_mm_xor_si128(Rotr<19>(x), Rotr<61>(x)), _mm_srli_epi64(x, 6));
}

SHA512_INLINE __m128i Load(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

// Words t and t + 1 plus their constants, for the scalar steps.
SHA512_INLINE void StoreWk(uint64_t* wk, size_t t, __m128i w) {
  _mm_store_si128(reinterpret_cast<__m128i*>(wk + t),
                  _mm_add_epi64(w, Load(tables::SHA512_K.data() + t)));
}

// detail::Unroll for a body compiled for the kernel's extensions.
template <class F, size_t... kI>
SHA512_INLINE void Steps(F&& f, std::index_sequence<kI...> /*unused*/) {
  (f(std::integral_constant<size_t, kI>{}), ...);
}

}  // namespace

[[gnu::flatten]] VARKESH_KERNEL("avx2,bmi2") void Sha512Avx2(uint64_t* state,
                                                             const uint8_t* blocks,
                                                             size_t count) {
  // Reverses the bytes of each 64-bit word: the message words are big-endian.
  const __m128i swap = _mm_set_epi8(8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
  alignas(16) uint64_t wk[80];
  // w[i % 8] holds schedule words 2i and 2i + 1 of the 16-word window.
  __m128i w[8];
  for (; count != 0; --count, blocks += 128) {
    for (size_t i = 0; i < 8; ++i) {
      w[i] = _mm_shuffle_epi8(Load(blocks + 16 * i), swap);
      StoreWk(wk, 2 * i, w[i]);
    }
    uint64_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state[i];
    uint64_t bc = v[1] ^ v[2];
    Steps(
        [&](auto step) __attribute__((always_inline, target("avx2,bmi2"))) {
          constexpr size_t t = step;
          if constexpr (t % 2 == 0 && t < 64) {
            // Words j = t + 16 and j + 1 from W[j-16..j-15], W[j-15..j-14], W[j-7..j-6] and
            // W[j-2..j-1]; the pair they replace, W[t..t+1], is used no more.
            constexpr size_t p = t / 2 % 8;
            const __m128i a = w[p];
            const __m128i b = _mm_alignr_epi8(w[(p + 1) % 8], w[p], 8);
            const __m128i c = _mm_alignr_epi8(w[(p + 5) % 8], w[(p + 4) % 8], 8);
            const __m128i d = w[(p + 7) % 8];
            w[p] =
                _mm_add_epi64(_mm_add_epi64(SmallSigma1(d), c), _mm_add_epi64(SmallSigma0(b), a));
            StoreWk(wk, t + 16, w[p]);
          }
          detail::sha512::Step<t>(v, bc, wk[t]);
        },
        std::make_index_sequence<80>{});
    for (int i = 0; i < 8; ++i) state[i] += v[i];
  }
  detail::SecureWipeObject(wk);
  detail::SecureWipeObject(w);
}

}  // namespace varkesh::kernels

#endif  // VARKESH_X86

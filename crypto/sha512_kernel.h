// SHA-384/512's compression for the vector kernels. The message schedules of two blocks are
// computed side by side in 256-bit vectors (the first block in the low 128 bits of each, the
// second in the high ones), two words of each at a time and 16 steps ahead of the first block's
// scalar steps, between which they run; the second block's steps then only read their words.
// A lone last block has its schedule computed twice. The files that include this header compile
// it for their extensions (between VARKESH_TARGET_BEGIN and _END) and supply the small sigmas on
// vectors.
#pragma once

#include <immintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/tables/sha.h"

namespace varkesh::sha512_kernel {

// The round constants in pairs, each pair twice, so that one load adds a pair to both blocks.
alignas(32) inline constexpr std::array<uint64_t, 160> kPairedK = [] {
  std::array<uint64_t, 160> k{};
  for (size_t t = 0; t < 80; t += 2) {
    k[2 * t] = k[2 * t + 2] = tables::SHA512_K[t];
    k[2 * t + 1] = k[2 * t + 3] = tables::SHA512_K[t + 1];
  }
  return k;
}();

template <class F, size_t... kI>
[[gnu::always_inline]] inline void Steps(F&& f, std::index_sequence<kI...> /*unused*/) {
  (f(std::integral_constant<size_t, kI>{}), ...);
}

// Two 128-bit halves from two places.
[[gnu::always_inline]] inline __m256i LoadPair(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// Words t and t + 1 of both blocks plus their constants, for the scalar steps.
[[gnu::always_inline]] inline void StoreWk(uint64_t (&wk)[2][80], size_t t, __m256i w) {
  w = _mm256_add_epi64(w, _mm256_load_si256(reinterpret_cast<const __m256i*>(&kPairedK[2 * t])));
  _mm_store_si128(reinterpret_cast<__m128i*>(&wk[0][t]), _mm256_castsi256_si128(w));
  _mm_store_si128(reinterpret_cast<__m128i*>(&wk[1][t]), _mm256_extracti128_si256(w, 1));
}

// Step t with `wk` = W[t] + K[t], with the register roles of detail::sha512::Step, arranged so
// that each step's new a and new e are four operations from the previous ones (the critical
// paths; there are enough ALUs for the extra additions this costs):
//   e' = ((d + h + wk) + Ch(e, f, g)) + Sigma1(e), the big sigma's rotations side by side;
//   a' = ((b & c) + (a & (b ^ c))) + (e' - d) + Sigma0(a), majority being the sum of the two
//   disjoint parts; b ^ c and b & c are the previous step's a ^ b and a & b.
template <size_t t>
[[gnu::always_inline]] inline void Step(uint64_t* v, uint64_t& bxc, uint64_t& bnc, uint64_t wk) {
  using detail::Rotr64;
  using detail::Settled;
  const uint64_t a = v[(80 - t) % 8], b = v[(81 - t) % 8];
  uint64_t& d = v[(83 - t) % 8];
  const uint64_t e = v[(84 - t) % 8], f = v[(85 - t) % 8], g = v[(86 - t) % 8];
  uint64_t& h = v[(87 - t) % 8];
  const uint64_t s1 = Rotr64(e, 14) ^ Rotr64(e, 18) ^ Rotr64(e, 41);
  const uint64_t s0 = Rotr64(a, 28) ^ Rotr64(a, 34) ^ Rotr64(a, 39);
  const uint64_t dhw = Settled(d + Settled(h + wk));
  const uint64_t new_e = Settled(Settled(dhw + ((e & f) ^ (~e & g))) + s1);
  const uint64_t t1 = Settled(new_e - d);
  const uint64_t partial = Settled(Settled(bnc + (a & bxc)) + t1);
  bxc = a ^ b;
  bnc = a & b;
  d = new_e;
  h = partial + s0;
}

// The 80 steps of one block on the state, reading W[t] + K[t] from `wk`, in a loop of 16 steps
// (the registers' roles repeat every 8): unrolled whole, the two blocks' steps are some 25 KB of
// code, which the processor then decodes anew on every block instead of replaying it from its
// cache of decoded instructions, at about two thirds of the speed. `schedule(first, step)` runs
// before step first + step, while first is below `kScheduled`.
template <size_t kScheduled, class Schedule>
[[gnu::always_inline]] inline void Rounds(uint64_t* state,
                                          const uint64_t* wk,
                                          Schedule&& schedule) {
  // Through an opaque copy of the pointer the words are loaded from memory where each step
  // needs them instead of being taken out of the vector registers that computed them.
  __asm__("" : "+r"(wk));
  uint64_t v[8];
  for (int i = 0; i < 8; ++i) v[i] = state[i];
  uint64_t bxc = v[1] ^ v[2], bnc = v[1] & v[2];
  const auto sixteen = [&](size_t first, auto with_schedule) __attribute__((always_inline)) {
    Steps(
        [&](auto step) __attribute__((always_inline)) {
          if constexpr (decltype(with_schedule)::value)
            schedule(first, step);
          Step<step>(v, bxc, bnc, wk[first + step]);
        },
        std::make_index_sequence<16>{});
  };
  size_t first = 0;
#pragma GCC unroll 1
  for (; first < kScheduled; first += 16) sixteen(first, std::true_type{});
#pragma GCC unroll 1
  for (; first < 80; first += 16) sixteen(first, std::false_type{});
  for (int i = 0; i < 8; ++i) state[i] += v[i];
}

template <class Ops>
[[gnu::always_inline]] inline void Compress(uint64_t* state, const uint8_t* blocks, size_t count) {
  // Callers may leave the upper halves of the vector registers in use (code outside the kernels,
  // other libraries in the process); clearing them first keeps the kernel's vector instructions
  // from waiting on that stale state, which made it several times slower in such processes.
  _mm256_zeroupper();
  // Reverses the bytes of each 64-bit word: the message words are big-endian.
  const __m256i swap = _mm256_set_epi8(8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,
                                       10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
  alignas(32) uint64_t wk[2][80];
  // w[i % 8] holds schedule words 2i and 2i + 1 of the 16-word window, of both blocks.
  __m256i w[8];
  while (count != 0) {
    const bool two = count >= 2;
    const uint8_t* second = two ? blocks + 128 : blocks;
    for (size_t i = 0; i < 8; ++i) {
      w[i] = _mm256_shuffle_epi8(LoadPair(blocks + 16 * i, second + 16 * i), swap);
      StoreWk(wk, 2 * i, w[i]);
    }
    Rounds<64>(
        state, wk[0], [&](size_t first, auto step) __attribute__((always_inline)) {
          if constexpr (step % 2 == 0) {
            // Words j = t + 16 and j + 1 from W[j-16..j-15], W[j-15..j-14], W[j-7..j-6] and
            // W[j-2..j-1]; the pair they replace, W[t..t+1], is used no more.
            const size_t t = first + step;
            constexpr size_t p = step / 2 % 8;
            const __m256i a = w[p];
            const __m256i b = _mm256_alignr_epi8(w[(p + 1) % 8], w[p], 8);
            const __m256i c = _mm256_alignr_epi8(w[(p + 5) % 8], w[(p + 4) % 8], 8);
            const __m256i d = w[(p + 7) % 8];
            w[p] = _mm256_add_epi64(_mm256_add_epi64(Ops::SmallSigma1(d), c),
                                    _mm256_add_epi64(Ops::SmallSigma0(b), a));
            StoreWk(wk, t + 16, w[p]);
          }
        });
    if (two)
      Rounds<0>(state, wk[1], [](size_t, auto) {});
    blocks += two ? 256 : 128;
    count -= two ? 2 : 1;
  }
  detail::SecureWipeObject(wk);
  detail::SecureWipeObject(w);
}

}  // namespace varkesh::sha512_kernel

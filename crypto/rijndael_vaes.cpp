// Rijndael through the vector AES instructions on 256-bit registers: two blocks per instruction
// and eight registers in flight, sixteen blocks per group. Only the modes whose blocks are
// independent come here (runs of blocks, CBC and block-CFB decryption, CTR); whatever is left
// of a run after its last whole group goes to the 128-bit kernels.
#include "crypto/rijndael.h"

#if VARKESH_X86

#  include <immintrin.h>

namespace varkesh::kernels {

namespace {

// What a call does to its groups of blocks.
enum class Job : uint8_t { kEncrypt, kDecrypt, kCbcDecrypt, kCfbDecrypt, kCtr };

#  define VAES_INLINE VARKESH_KERNEL_INLINE("vaes,aes,avx2")

constexpr int kRegisters = 8;
constexpr size_t kGroup = 2 * kRegisters;  // blocks

VAES_INLINE __m256i Load2(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VAES_INLINE void Store2(uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

template <int R>
struct Keys2 {
  __m256i k[R + 1];

  VAES_INLINE explicit Keys2(const uint32_t* rk) {
#  pragma GCC unroll 16
    for (int i = 0; i <= R; ++i)
      k[i] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rk) + i));
  }
};

template <bool kEncrypt, int R>
VAES_INLINE void Group(const Keys2<R>& keys, __m256i* b) {
#  pragma GCC unroll 16
  for (int j = 0; j < kRegisters; ++j) b[j] = _mm256_xor_si256(b[j], keys.k[0]);
#  pragma GCC unroll 16
  for (int i = 1; i < R; ++i) {
#  pragma GCC unroll 16
    for (int j = 0; j < kRegisters; ++j)
      b[j] =
          kEncrypt ? _mm256_aesenc_epi128(b[j], keys.k[i]) : _mm256_aesdec_epi128(b[j], keys.k[i]);
  }
#  pragma GCC unroll 16
  for (int j = 0; j < kRegisters; ++j)
    b[j] = kEncrypt ? _mm256_aesenclast_epi128(b[j], keys.k[R])
                    : _mm256_aesdeclast_epi128(b[j], keys.k[R]);
}

// Whole groups of `n` blocks; returns how many blocks it did.
// `rk` is the decryption schedule for kDecrypt and kCbcDecrypt, else the encryption one.
template <int R>
VAES_INLINE size_t
Groups(const uint32_t* rk, Job job, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t n) {
  const size_t groups = n / kGroup;
  if (groups == 0)
    return 0;
  const Keys2<R> keys(rk);
  __m128i prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
  // The counter's low half as a 128-bit lane counts in place; the high half steps in scalar
  // code where the low half wraps.
  uint64_t high = 0, low = 0;
  if (job == Job::kCtr)
    high = detail::LoadBe64(chain), low = detail::LoadBe64(chain + 8);
  const __m256i reverse = _mm256_broadcastsi128_si256(
      _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  for (size_t g = 0; g < groups; ++g, in += 16 * kGroup, out += 16 * kGroup) {
    __m256i b[kRegisters], c[kRegisters];
    switch (job) {
      case Job::kCbcDecrypt: {
        // Each pair's previous cipher blocks start one block earlier; all loads come before
        // any store, for in-place use.
        for (int j = 0; j < kRegisters; ++j) b[j] = Load2(in + 32 * j);
        c[0] = _mm256_inserti128_si256(_mm256_castsi128_si256(prev),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), 1);
        for (int j = 1; j < kRegisters; ++j) c[j] = Load2(in + 32 * j - 16);
        prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (kGroup - 1)));
        Group<false, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j) Store2(out + 32 * j, _mm256_xor_si256(b[j], c[j]));
        break;
      }
      case Job::kCfbDecrypt: {
        b[0] = _mm256_inserti128_si256(_mm256_castsi128_si256(prev),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), 1);
        for (int j = 1; j < kRegisters; ++j) b[j] = Load2(in + 32 * j - 16);
        for (int j = 0; j < kRegisters; ++j) c[j] = Load2(in + 32 * j);
        prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (kGroup - 1)));
        Group<true, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j) Store2(out + 32 * j, _mm256_xor_si256(b[j], c[j]));
        break;
      }
      case Job::kCtr: {
        if (low <= UINT64_MAX - kGroup) {
          // No carry into the high half within the group: the lanes hold (low + i, high) as
          // little-endian 128-bit numbers, byte-reversed into big-endian blocks.
          __m256i v = _mm256_set_epi64x(static_cast<int64_t>(high), static_cast<int64_t>(low + 1),
                                        static_cast<int64_t>(high), static_cast<int64_t>(low));
          const __m256i two = _mm256_set_epi64x(0, 2, 0, 2);
          for (int j = 0; j < kRegisters; ++j, v = _mm256_add_epi64(v, two))
            b[j] = _mm256_shuffle_epi8(v, reverse);
          low += kGroup;
        } else {
          for (int j = 0; j < kRegisters; ++j) {
            uint64_t half[4];
            for (int h = 0; h < 2; ++h) {
              half[2 * h] = __builtin_bswap64(high);
              half[2 * h + 1] = __builtin_bswap64(low);
              high += ++low == 0 ? 1 : 0;
            }
            b[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(half));
          }
        }
        Group<true, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j)
          Store2(out + 32 * j, _mm256_xor_si256(b[j], Load2(in + 32 * j)));
        break;
      }
      default:  // runs of blocks
        for (int j = 0; j < kRegisters; ++j) b[j] = Load2(in + 32 * j);
        if (job == Job::kEncrypt)
          Group<true, R>(keys, b);
        else
          Group<false, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j) Store2(out + 32 * j, b[j]);
        break;
    }
  }
  if (job == Job::kCtr) {
    detail::StoreBe64(chain, high);
    detail::StoreBe64(chain + 8, low);
  } else if (job == Job::kCbcDecrypt || job == Job::kCfbDecrypt) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), prev);
  }
  return groups * kGroup;
}

VAES_INLINE size_t ByRounds(uint32_t rounds,
                            const uint32_t* rk,
                            Job job,
                            uint8_t* chain,
                            const uint8_t* in,
                            uint8_t* out,
                            size_t n) {
  switch (rounds) {
    case 10:
      return Groups<10>(rk, job, chain, in, out, n);
    case 12:
      return Groups<12>(rk, job, chain, in, out, n);
    default:
      return Groups<14>(rk, job, chain, in, out, n);
  }
}

}  // namespace

VARKESH_KERNEL("vaes,aes,avx2")

size_t RijndaelVaesModes(const uint32_t* encrypt,
                         const uint32_t* decrypt,
                         uint32_t rounds,
                         detail::ModeRun mode,
                         uint8_t* chain,
                         const uint8_t* in,
                         uint8_t* out,
                         size_t count) {
  switch (mode) {
    case detail::ModeRun::kCbcDecrypt:
      return ByRounds(rounds, decrypt, Job::kCbcDecrypt, chain, in, out, count);
    case detail::ModeRun::kCfbDecrypt:
      return ByRounds(rounds, encrypt, Job::kCfbDecrypt, chain, in, out, count);
    case detail::ModeRun::kCtr:
      return ByRounds(rounds, encrypt, Job::kCtr, chain, in, out, count);
    default:
      return 0;
  }
}

VARKESH_KERNEL("vaes,aes,avx2")

size_t RijndaelVaesRun(const uint32_t* rk,
                       uint32_t rounds,
                       bool encrypt,
                       const uint8_t* in,
                       uint8_t* out,
                       size_t blocks) {
  uint8_t unused[16] = {};
  return ByRounds(rounds, rk, encrypt ? Job::kEncrypt : Job::kDecrypt, unused, in, out, blocks);
}

}  // namespace varkesh::kernels

#endif  // VARKESH_X86

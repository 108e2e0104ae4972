// Rijndael's groups of independent blocks over any register width: `V` supplies a register of
// V::kBlocks blocks and its operations (rijndael_aesni.cpp: 128 bits, rijndael_vaes.cpp: 256,
// rijndael_vaes512.cpp: 512). Eight registers are in flight, enough to cover the latency of the
// AES units. Only the modes whose blocks are independent come here (runs of blocks, CBC and
// block-CFB decryption, CTR); whatever is left of a run after its last whole group goes to
// narrower kernels. The files that include this header compile it for their extensions (between
// VARKESH_TARGET_BEGIN and _END) and define their RijndaelKernel from Modes<V> and Run<V>.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "crypto/detail/bytes.h"
#include "crypto/rijndael.h"

namespace varkesh::rijndael_groups {

// The big-endian 128-bit counter of CTR as two halves; Next() is the current block, then steps
// it. Also for the one-block kernels.
struct CounterBlocks {
  uint64_t high, low;

  explicit CounterBlocks(const uint8_t* chain)
      : high(detail::LoadBe64(chain)), low(detail::LoadBe64(chain + 8)) {}

  [[gnu::always_inline]] __m128i Next() {
    const __m128i block = _mm_set_epi64x(static_cast<int64_t>(__builtin_bswap64(low)),
                                         static_cast<int64_t>(__builtin_bswap64(high)));
    high += ++low == 0 ? 1 : 0;
    return block;
  }

  void Store(uint8_t* chain) const {
    detail::StoreBe64(chain, high);
    detail::StoreBe64(chain + 8, low);
  }
};

// f(std::integral_constant<int, R>) for the schedule's number of rounds R: 10, 12 or 14.
template <class F>
[[gnu::always_inline]] inline decltype(auto) WithRounds(uint32_t rounds, F f) {
  switch (rounds) {
    case 10:
      return f(std::integral_constant<int, 10>{});
    case 12:
      return f(std::integral_constant<int, 12>{});
    default:
      return f(std::integral_constant<int, 14>{});
  }
}

// What a call does to its groups of blocks.
enum class Job : uint8_t { kEncrypt, kDecrypt, kCbcDecrypt, kCfbDecrypt, kCtr };

constexpr int kRegisters = 8;

template <class V, int R>
struct Keys {
  typename V::Vec k[R + 1];

  [[gnu::always_inline]] explicit Keys(const uint32_t* rk) {
#pragma GCC unroll 16
    for (int i = 0; i <= R; ++i)
      k[i] = V::Broadcast(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rk) + i));
  }
};

template <class V, bool kEncrypt, int R>
[[gnu::always_inline]] inline void Group(const Keys<V, R>& keys, typename V::Vec* b) {
#pragma GCC unroll 16
  for (int j = 0; j < kRegisters; ++j) b[j] = V::Xor(b[j], keys.k[0]);
#pragma GCC unroll 16
  for (int i = 1; i < R; ++i) {
#pragma GCC unroll 16
    for (int j = 0; j < kRegisters; ++j)
      b[j] = kEncrypt ? V::Enc(b[j], keys.k[i]) : V::Dec(b[j], keys.k[i]);
  }
#pragma GCC unroll 16
  for (int j = 0; j < kRegisters; ++j)
    b[j] = kEncrypt ? V::EncLast(b[j], keys.k[R]) : V::DecLast(b[j], keys.k[R]);
}

// Whole groups of `n` blocks; returns how many blocks it did.
// `rk` is the decryption schedule for kDecrypt and kCbcDecrypt, else the encryption one.
template <class V, int R>
[[gnu::always_inline]] inline size_t Groups(
    const uint32_t* rk, Job job, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t n) {
  using Vec = typename V::Vec;
  constexpr size_t kStep = 16 * V::kBlocks;           // bytes per register
  constexpr size_t kGroup = kRegisters * V::kBlocks;  // blocks per group
  const size_t groups = n / kGroup;
  if (groups == 0)
    return 0;
  V::Enter();
  const Keys<V, R> keys(rk);
  __m128i prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
  // The counter's low half as a 128-bit lane counts in place; the high half steps in scalar
  // code where the low half wraps.
  uint64_t high = 0, low = 0;
  if (job == Job::kCtr)
    high = detail::LoadBe64(chain), low = detail::LoadBe64(chain + 8);
  for (size_t g = 0; g < groups; ++g, in += 16 * kGroup, out += 16 * kGroup) {
    Vec b[kRegisters], c[kRegisters];
    switch (job) {
      case Job::kCbcDecrypt: {
        // Each register's previous cipher blocks start one block earlier; all loads come
        // before any store, for in-place use.
        for (int j = 0; j < kRegisters; ++j) b[j] = V::Load(in + kStep * j);
        c[0] = V::AfterBlock(prev, b[0]);
        for (int j = 1; j < kRegisters; ++j) c[j] = V::Load(in + kStep * j - 16);
        prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (kGroup - 1)));
        Group<V, false, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j) V::Store(out + kStep * j, V::Xor(b[j], c[j]));
        break;
      }
      case Job::kCfbDecrypt: {
        for (int j = 0; j < kRegisters; ++j) c[j] = V::Load(in + kStep * j);
        b[0] = V::AfterBlock(prev, c[0]);
        for (int j = 1; j < kRegisters; ++j) b[j] = V::Load(in + kStep * j - 16);
        prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (kGroup - 1)));
        Group<V, true, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j) V::Store(out + kStep * j, V::Xor(b[j], c[j]));
        break;
      }
      case Job::kCtr: {
        if (low <= UINT64_MAX - kGroup) {
          // No carry into the high half within the group: the lanes hold (low + i, high) as
          // little-endian 128-bit numbers, byte-reversed into big-endian blocks.
          Vec v = V::Counters(high, low);
          for (int j = 0; j < kRegisters; ++j, v = V::AddLow(v, V::kBlocks))
            b[j] = V::ReverseBytes(v);
          low += kGroup;
        } else {
          for (int j = 0; j < kRegisters; ++j) {
            uint64_t half[2 * V::kBlocks];
            for (size_t h = 0; h < V::kBlocks; ++h) {
              half[2 * h] = __builtin_bswap64(high);
              half[2 * h + 1] = __builtin_bswap64(low);
              high += ++low == 0 ? 1 : 0;
            }
            b[j] = V::Load(reinterpret_cast<const uint8_t*>(half));
          }
        }
        Group<V, true, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j)
          V::Store(out + kStep * j, V::Xor(b[j], V::Load(in + kStep * j)));
        break;
      }
      default:  // runs of blocks
        for (int j = 0; j < kRegisters; ++j) b[j] = V::Load(in + kStep * j);
        if (job == Job::kEncrypt)
          Group<V, true, R>(keys, b);
        else
          Group<V, false, R>(keys, b);
        for (int j = 0; j < kRegisters; ++j) V::Store(out + kStep * j, b[j]);
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

template <class V>
[[gnu::always_inline]] inline size_t ByRounds(uint32_t rounds,
                                              const uint32_t* rk,
                                              Job job,
                                              uint8_t* chain,
                                              const uint8_t* in,
                                              uint8_t* out,
                                              size_t n) {
  return WithRounds(
      rounds, [&](auto r) { return Groups<V, decltype(r)::value>(rk, job, chain, in, out, n); });
}

// The entry points of a RijndaelKernel. A mode's groups if its blocks are independent (with the
// decryption schedule for CBC), none otherwise.
template <class V>
VARKESH_REALIGN_STACK size_t Modes(const uint32_t* encrypt,
                                   const uint32_t* decrypt,
                                   uint32_t rounds,
                                   detail::ModeRun mode,
                                   uint8_t* chain,
                                   const uint8_t* in,
                                   uint8_t* out,
                                   size_t count) {
  switch (mode) {
    case detail::ModeRun::kCbcDecrypt:
      return ByRounds<V>(rounds, decrypt, Job::kCbcDecrypt, chain, in, out, count);
    case detail::ModeRun::kCfbDecrypt:
      return ByRounds<V>(rounds, encrypt, Job::kCfbDecrypt, chain, in, out, count);
    case detail::ModeRun::kCtr:
      return ByRounds<V>(rounds, encrypt, Job::kCtr, chain, in, out, count);
    default:
      return 0;
  }
}

template <class V>
VARKESH_REALIGN_STACK size_t Run(const uint32_t* rk,
                                 uint32_t rounds,
                                 bool encrypt,
                                 const uint8_t* in,
                                 uint8_t* out,
                                 size_t blocks) {
  uint8_t unused[16] = {};
  return ByRounds<V>(rounds, rk, encrypt ? Job::kEncrypt : Job::kDecrypt, unused, in, out, blocks);
}

}  // namespace varkesh::rijndael_groups

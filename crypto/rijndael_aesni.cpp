// Rijndael through the x86 AES instructions. The round keys are the words the table path uses
// (FIPS byte order in memory on x86), so both paths share one key schedule; for decryption the
// instructions expect exactly the keys of the equivalent inverse cipher.
//
// The round count is a template argument, so the loops unroll and the round keys stay in
// registers across a whole call. Serial modes run one block at the instructions' latency; the
// others keep eight independent blocks in flight (rijndael_groups.h), enough to cover the
// latency of the AES unit.
#include "crypto/rijndael.h"

#if VARKESH_X86

VARKESH_TARGET_BEGIN("aes,sse2")
#  include <immintrin.h>

#  include <cstring>

#  include "crypto/rijndael_groups.h"

namespace varkesh::kernels {

namespace {

using detail::ModeRun;

#  define AESNI_INLINE VARKESH_KERNEL_INLINE("aes,sse2")

AESNI_INLINE __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

AESNI_INLINE void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

AESNI_INLINE __m128i Xor(__m128i a, __m128i b) { return _mm_xor_si128(a, b); }

template <int R>
struct Keys {
  __m128i k[R + 1];

  AESNI_INLINE explicit Keys(const uint32_t* rk) {
#  pragma GCC unroll 16
    for (int i = 0; i <= R; ++i) k[i] = Load(rk + 4 * i);
  }
};

// The rounds after the first key addition.
template <bool kEncrypt, int R>
AESNI_INLINE __m128i Rounds(const Keys<R>& keys, __m128i b) {
#  pragma GCC unroll 16
  for (int i = 1; i < R; ++i)
    b = kEncrypt ? _mm_aesenc_si128(b, keys.k[i]) : _mm_aesdec_si128(b, keys.k[i]);
  return kEncrypt ? _mm_aesenclast_si128(b, keys.k[R]) : _mm_aesdeclast_si128(b, keys.k[R]);
}

template <bool kEncrypt, int R>
AESNI_INLINE __m128i Block(const Keys<R>& keys, __m128i b) {
  return Rounds<kEncrypt>(keys, Xor(b, keys.k[0]));
}

// One block per register, for the groups of rijndael_groups.h.
struct Aes128 {
  using Vec = __m128i;
  static constexpr size_t kBlocks = 1;

  static void Enter() {}

  static Vec Load(const uint8_t* p) { return kernels::Load(p); }

  static void Store(uint8_t* p, Vec v) { kernels::Store(p, v); }

  static Vec Broadcast(__m128i k) { return k; }

  static Vec Xor(Vec a, Vec b) { return kernels::Xor(a, b); }

  static Vec Enc(Vec b, Vec k) { return _mm_aesenc_si128(b, k); }

  static Vec EncLast(Vec b, Vec k) { return _mm_aesenclast_si128(b, k); }

  static Vec Dec(Vec b, Vec k) { return _mm_aesdec_si128(b, k); }

  static Vec DecLast(Vec b, Vec k) { return _mm_aesdeclast_si128(b, k); }

  static Vec AfterBlock(__m128i prev, Vec /*x*/) { return prev; }

  static Vec Counters(uint64_t high, uint64_t low) {
    return _mm_set_epi64x(static_cast<int64_t>(high), static_cast<int64_t>(low));
  }

  static Vec AddLow(Vec v, uint64_t n) {
    return _mm_add_epi64(v, _mm_set_epi64x(0, static_cast<int64_t>(n)));
  }

  // With SSE2 alone: the bytes of each 16-bit word swapped, then the words reversed.
  static Vec ReverseBytes(Vec v) {
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    v = _mm_shufflelo_epi16(_mm_shufflehi_epi16(v, 0x1B), 0x1B);
    return _mm_shuffle_epi32(v, 0x4E);
  }
};

template <bool kEncrypt, int R>
AESNI_INLINE void Ecb(const uint32_t* rk, const uint8_t* in, uint8_t* out, size_t blocks) {
  uint8_t unused[16] = {};
  const size_t done = rijndael_groups::Groups<Aes128, R>(
      rk, kEncrypt ? rijndael_groups::Job::kEncrypt : rijndael_groups::Job::kDecrypt, unused, in,
      out, blocks);
  in += 16 * done, out += 16 * done, blocks -= done;
  const Keys<R> keys(rk);
  for (; blocks != 0; --blocks, in += 16, out += 16) Store(out, Block<kEncrypt>(keys, Load(in)));
}

// The rounds before the last, from the state after the first key addition.
template <int R>
AESNI_INLINE __m128i InnerRounds(const Keys<R>& keys, __m128i x) {
#  pragma GCC unroll 16
  for (int i = 1; i < R; ++i) x = _mm_aesenc_si128(x, keys.k[i]);
  return x;
}

// In the serial modes the chain goes from one block's last round into the next block's first
// key addition, with an XOR of a data block in between. That XOR joins the last round key
// instead (the last round ends in a key addition), so the chain's path is the AES instructions
// alone; the block itself is recovered off that path.
template <int R>
AESNI_INLINE void Serial(
    const uint32_t* rk, ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t n) {
  const Keys<R> keys(rk);
  const __m128i first = keys.k[0], last = keys.k[R];
  // x: the chain (CBC: chain XOR plain block) after the first key addition.
  __m128i x = Xor(Load(chain), first);
  switch (mode) {
    case ModeRun::kCbcEncrypt:
      // c[i] = E(c[i-1] ^ p[i]); x = c[i-1] ^ p[i] ^ k0.
      if (n != 0)
        x = Xor(x, Load(in));
      for (; n > 1; --n, in += 16, out += 16) {
        const __m128i next = Xor(Load(in + 16), first);
        x = _mm_aesenclast_si128(InnerRounds(keys, x), Xor(last, next));
        Store(out, Xor(x, next));
      }
      if (n != 0) {
        const __m128i c = _mm_aesenclast_si128(InnerRounds(keys, x), last);
        Store(out, c);
        x = Xor(c, first);
      }
      break;
    case ModeRun::kCfbEncrypt:
      // c[i] = E(c[i-1]) ^ p[i]; x = c[i-1] ^ k0.
      for (; n != 0; --n, in += 16, out += 16) {
        x = _mm_aesenclast_si128(InnerRounds(keys, x), Xor(last, Xor(Load(in), first)));
        Store(out, Xor(x, first));
      }
      break;
    case ModeRun::kOfb: {
      // s[i] = E(s[i-1]); x = s[i-1] ^ k0.
      const __m128i last_first = Xor(last, first);
      for (; n != 0; --n, in += 16, out += 16) {
        x = _mm_aesenclast_si128(InnerRounds(keys, x), last_first);
        Store(out, Xor(Xor(x, first), Load(in)));
      }
      break;
    }
    case ModeRun::kCfb8Encrypt: {
      // The register shifts one byte towards the front and takes the cipher byte at the end.
      __m128i c = Load(chain);
      for (size_t i = 0; i < n; ++i) {
        const __m128i t = Block<true>(keys, c);
        const auto y = static_cast<uint8_t>(in[i] ^ static_cast<uint8_t>(_mm_cvtsi128_si32(t)));
        out[i] = y;
        c = _mm_or_si128(_mm_srli_si128(c, 1), _mm_slli_si128(_mm_cvtsi32_si128(y), 15));
      }
      x = Xor(c, first);
      break;
    }
    default:
      break;
  }
  Store(chain, Xor(x, first));
}

// Whole groups of eight blocks, then the rest one at a time.
template <int R>
AESNI_INLINE void Parallel(const uint32_t* encrypt,
                           const uint32_t* decrypt,
                           ModeRun mode,
                           uint8_t* chain,
                           const uint8_t* in,
                           uint8_t* out,
                           size_t n) {
  using rijndael_groups::Job;
  const Job job = mode == ModeRun::kCbcDecrypt   ? Job::kCbcDecrypt
                  : mode == ModeRun::kCfbDecrypt ? Job::kCfbDecrypt
                                                 : Job::kCtr;
  const uint32_t* rk = job == Job::kCbcDecrypt ? decrypt : encrypt;
  const size_t done = rijndael_groups::Groups<Aes128, R>(rk, job, chain, in, out, n);
  in += 16 * done, out += 16 * done, n -= done;
  if (n == 0)
    return;
  const Keys<R> keys(rk);
  if (job == Job::kCtr) {
    rijndael_groups::CounterBlocks counter(chain);
    for (; n != 0; --n, in += 16, out += 16)
      Store(out, Xor(Block<true>(keys, counter.Next()), Load(in)));
    counter.Store(chain);
    return;
  }
  __m128i prev = Load(chain);
  for (; n != 0; --n, in += 16, out += 16) {
    const __m128i c = Load(in);
    Store(out, job == Job::kCbcDecrypt ? Xor(Block<false>(keys, c), prev)
                                       : Xor(Block<true>(keys, prev), c));
    prev = c;
  }
  Store(chain, prev);
}

VARKESH_KERNEL("aes,sse2")

size_t Run(const uint32_t* rk,
           uint32_t rounds,
           bool encrypt,
           const uint8_t* in,
           uint8_t* out,
           size_t blocks) {
  rijndael_groups::WithRounds(rounds, [&](auto r) {
    constexpr int R = decltype(r)::value;
    if (encrypt)
      Ecb<true, R>(rk, in, out, blocks);
    else
      Ecb<false, R>(rk, in, out, blocks);
  });
  return blocks;
}

VARKESH_KERNEL("aes,sse2")

size_t Modes(const uint32_t* encrypt,
             const uint32_t* decrypt,
             uint32_t rounds,
             ModeRun mode,
             uint8_t* chain,
             const uint8_t* in,
             uint8_t* out,
             size_t count) {
  if (mode == ModeRun::kCfb8Decrypt)
    return 0;  // its block inputs are known in advance: Run takes them in groups
  if (detail::IsSerial(mode)) {
    rijndael_groups::WithRounds(
        rounds, [&](auto r) { Serial<decltype(r)::value>(encrypt, mode, chain, in, out, count); });
  } else {
    rijndael_groups::WithRounds(rounds, [&](auto r) {
      Parallel<decltype(r)::value>(encrypt, decrypt, mode, chain, in, out, count);
    });
  }
  return count;
}

}  // namespace

const RijndaelKernel kRijndaelAesni = {&Modes, &Run};

VARKESH_KERNEL("aes,sse2")

uint32_t RijndaelAesniSubWord(uint32_t w) {
  // With the word in every column, ShiftRows changes nothing: AESENCLAST with a zero key is
  // SubBytes alone.
  const __m128i x = _mm_set1_epi32(static_cast<int>(w));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_aesenclast_si128(x, _mm_setzero_si128())));
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

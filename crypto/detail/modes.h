// The chaining modes over whole blocks, written once on top of a cipher's block functions. A
// cipher whose block function can be inlined here (or that has kernels for whole modes) hands
// its own functions to RunMode; everything else goes through the virtual block functions, one
// call per run of blocks where the mode allows it and one per block where it does not.
//
// The modes that feed each block's output into the next block's input (CBC and block-CFB
// encryption, OFB, 8-bit CFB encryption) are serial; the others know every block input in
// advance and hand the cipher runs of independent blocks, which its multi-block code overlaps.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"

namespace varkesh::detail {

enum class ModeRun : uint8_t {
  kCbcEncrypt,
  kCbcDecrypt,
  kCfbEncrypt,
  kCfbDecrypt,
  kOfb,
  kCtr,
  kCfb8Encrypt,  // `count` is in bytes for both 8-bit CFB directions
  kCfb8Decrypt,
};

// Whether each block's input depends on the block before it, so that blocks go one at a time.
constexpr bool IsSerial(ModeRun mode) {
  return mode == ModeRun::kCbcEncrypt || mode == ModeRun::kCfbEncrypt || mode == ModeRun::kOfb ||
         mode == ModeRun::kCfb8Encrypt;
}

// out := a XOR b over one block, a word at a time; out may be a or b.
template <size_t B>
inline void XorBlock(uint8_t* out, const uint8_t* a, const uint8_t* b) {
  static_assert(B % 8 == 0);
  for (size_t i = 0; i < B; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    x ^= y;
    std::memcpy(out + i, &x, 8);
  }
}

// The chaining vector as a big-endian counter of B bytes.
template <size_t B>
struct Counter {
  static_assert(B == 8 || B == 16);
  uint64_t high = 0, low = 0;

  explicit Counter(const uint8_t* chain) {
    if constexpr (B == 16)
      high = LoadBe64(chain);
    low = LoadBe64(chain + B - 8);
  }

  // Writes the counter and steps it, wrapping from all ones to zero. The halves go out as whole
  // words: byte by byte, the compiler vectorises a loop of these into a store per byte.
  void Take(uint8_t* block) {
    if constexpr (B == 16)
      StoreWord(block, high);
    StoreWord(block + B - 8, low);
    if constexpr (B == 16)
      high += ++low == 0 ? 1 : 0;
    else
      ++low;
  }

  void Store(uint8_t* chain) const { Counter(*this).Take(chain); }

 private:
  static void StoreWord(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) {
      v = __builtin_bswap64(v);
      std::memcpy(p, &v, 8);
    } else {
      StoreBe64(p, v);
    }
  }
};

// Runs of independent blocks are gathered in a buffer of this many blocks.
inline constexpr size_t kModeRunBlocks = 64;

// One block as the cipher's 32-bit words, big-endian (kBigEndian) or little-endian, for the
// serial modes: the chain stays in registers from block to block instead of going through
// memory, where a store of words followed by a load of the whole block stalls the processor.
// transform(w) encrypts the words in place.
template <size_t B, bool kBigEndian, class Transform>
struct WordBlock {
  static constexpr size_t kWords = B / 4;
  using Words = uint32_t[kWords];
  Transform transform;

  static uint32_t LoadWord(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return kBigEndian ? __builtin_bswap32(v) : v;
    } else {
      return kBigEndian ? LoadBe32(p) : LoadLe32(p);
    }
  }

  static void StoreWord(uint8_t* p, uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
      v = kBigEndian ? __builtin_bswap32(v) : v;
      std::memcpy(p, &v, 4);
    } else if constexpr (kBigEndian) {
      StoreBe32(p, v);
    } else {
      StoreLe32(p, v);
    }
  }

  static void Load(Words& w, const uint8_t* p) {
    for (size_t i = 0; i < kWords; ++i) w[i] = LoadWord(p + 4 * i);
  }

  static void Store(uint8_t* p, const Words& w) {
    for (size_t i = 0; i < kWords; ++i) StoreWord(p + 4 * i, w[i]);
  }

  // w := w XOR the block at p.
  static void Xor(Words& w, const uint8_t* p) {
    for (size_t i = 0; i < kWords; ++i) w[i] ^= LoadWord(p + 4 * i);
  }

  // The block's first byte.
  static uint8_t First(const Words& w) {
    return static_cast<uint8_t>(kBigEndian ? w[0] >> 24 : w[0]);
  }

  // Drops the first byte and appends `byte`: the 8-bit CFB register's step. The words are kept
  // apart in their registers: the compiler would otherwise shift them together in a vector
  // register, and the round trip to the cipher's words would lengthen every byte's chain.
  static void Shift(Words& w, uint8_t byte) {
    for (size_t i = 0; i + 1 < kWords; ++i)
      w[i] = KeepApart(kBigEndian ? w[i] << 8 | w[i + 1] >> 24 : w[i] >> 8 | w[i + 1] << 24);
    w[kWords - 1] = KeepApart(kBigEndian ? w[kWords - 1] << 8 | byte
                                         : w[kWords - 1] >> 8 | uint32_t{byte} << 24);
  }
};

// A WordBlock on a transform of words, for a cipher that has one.
template <size_t B, bool kBigEndian, class Transform>
WordBlock<B, kBigEndian, Transform> WordsOf(Transform transform) {
  return {transform};
}

// A WordBlock's transform through a block function on bytes, encrypt(in, out, 1). Inlined with
// everything it calls, the compiler drops the round trip through memory when the words go in
// and out with the byte-order helpers that the block function reads and writes them with.
template <size_t B, bool kBigEndian, class Encrypt>
struct ThroughBytes {
  const Encrypt& encrypt;

  [[gnu::always_inline]] void operator()(uint32_t (&w)[B / 4]) const {
    alignas(16) uint8_t block[B];
    for (size_t i = 0; i < B / 4; ++i) {
      if constexpr (kBigEndian)
        StoreBe32(block + 4 * i, w[i]);
      else
        StoreLe32(block + 4 * i, w[i]);
    }
    encrypt(block, block, 1);
    for (size_t i = 0; i < B / 4; ++i)
      w[i] = kBigEndian ? LoadBe32(block + 4 * i) : LoadLe32(block + 4 * i);
  }
};

template <size_t B, bool kBigEndian, class Encrypt>
WordBlock<B, kBigEndian, ThroughBytes<B, kBigEndian, Encrypt>> WordsThroughBytes(
    const Encrypt& encrypt) {
  return {{encrypt}};
}

// The serial modes (CBC and block-CFB encryption, OFB, 8-bit CFB encryption) over the chain c,
// one block after the other on the words of `one` (a WordBlock). Everything is inlined into
// it, so that the chain stays in registers. The words are never wiped: a wipe takes their
// address, which keeps them in memory, on the stack, and makes each block's chain go through it.
template <size_t B, class One>
[[gnu::flatten]] void RunSerialMode(
    ModeRun mode, uint8_t* c, const uint8_t* in, uint8_t* out, size_t count, const One& one) {
  typename One::Words w;
  One::Load(w, c);
  if (mode == ModeRun::kCbcEncrypt) {
    for (; count != 0; --count, in += B, out += B) {
      One::Xor(w, in);
      one.transform(w);
      One::Store(out, w);
    }
  } else if (mode == ModeRun::kCfbEncrypt) {
    for (; count != 0; --count, in += B, out += B) {
      one.transform(w);
      One::Xor(w, in);
      One::Store(out, w);
    }
  } else if (mode == ModeRun::kOfb) {
    for (; count != 0; --count, in += B, out += B) {
      one.transform(w);
      typename One::Words x;
      One::Load(x, in);
      for (size_t i = 0; i < One::kWords; ++i) x[i] ^= w[i];
      One::Store(out, x);
    }
  } else {
    for (; count != 0; --count, ++in, ++out) {
      // Word by word, each kept apart: a copy of the whole block would join the words in
      // pairs, through the stack.
      typename One::Words t;
      for (size_t i = 0; i < One::kWords; ++i) t[i] = KeepApart(w[i]);
      one.transform(t);
      *out = static_cast<uint8_t>(*in ^ One::First(t));
      One::Shift(w, *out);
    }
  }
  One::Store(c, w);
}

// `count` whole blocks (bytes for 8-bit CFB) of `mode` from in to out (in == out allowed),
// carrying the chaining vector `chain`. one is a WordBlock (the serial modes run on it);
// encrypt(in, out, blocks) and decrypt(in, out, blocks) are the cipher's block functions on runs
// of whole blocks, in place allowed.
template <size_t B, class One, class Encrypt, class Decrypt>
void RunMode(ModeRun mode,
             uint8_t* chain,
             const uint8_t* in,
             uint8_t* out,
             size_t count,
             const One& one,
             const Encrypt& encrypt,
             const Decrypt& decrypt) {
  alignas(16) uint8_t c[B];
  std::memcpy(c, chain, B);
  switch (mode) {
    case ModeRun::kCbcEncrypt:
    case ModeRun::kCfbEncrypt:
    case ModeRun::kOfb:
    case ModeRun::kCfb8Encrypt:
      RunSerialMode<B>(mode, c, in, out, count, one);
      break;
    case ModeRun::kCbcDecrypt:
    case ModeRun::kCfbDecrypt:
    case ModeRun::kCtr:
    case ModeRun::kCfb8Decrypt: {
      alignas(16) uint8_t run[kModeRunBlocks * B];
      alignas(16) uint8_t window[B + kModeRunBlocks];
      while (count != 0) {
        const size_t n = std::min(count, kModeRunBlocks);
        if (mode == ModeRun::kCbcDecrypt) {
          // The run's last cipher block is the next chain; in-place stores overwrite it, and the
          // XOR goes back to front so that each reads its cipher block before it is replaced.
          decrypt(in, run, n);
          alignas(16) uint8_t next[B];
          std::memcpy(next, in + (n - 1) * B, B);
          for (size_t i = n; i-- > 1;) XorBlock<B>(out + i * B, run + i * B, in + (i - 1) * B);
          XorBlock<B>(out, run, c);
          std::memcpy(c, next, B);
        } else if (mode == ModeRun::kCfbDecrypt) {
          std::memcpy(run, c, B);
          std::memcpy(run + B, in, (n - 1) * B);
          std::memcpy(c, in + (n - 1) * B, B);
          encrypt(run, run, n);
          for (size_t i = 0; i < n; ++i) XorBlock<B>(out + i * B, in + i * B, run + i * B);
        } else if (mode == ModeRun::kCtr) {
          Counter<B> counter(c);
          for (size_t i = 0; i < n; ++i) counter.Take(run + i * B);
          counter.Store(c);
          encrypt(run, run, n);
          for (size_t i = 0; i < n; ++i) XorBlock<B>(out + i * B, in + i * B, run + i * B);
        } else {
          // Every register of the run is a window over the chain and the cipher bytes, all
          // known before any is decrypted.
          std::memcpy(window, c, B);
          std::memcpy(window + B, in, n);
          for (size_t i = 0; i < n; ++i) std::memcpy(run + i * B, window + i, B);
          std::memcpy(c, window + n, B);
          encrypt(run, run, n);
          for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] ^ run[i * B]);
          in += n, out += n, count -= n;
          continue;
        }
        in += n * B, out += n * B, count -= n;
      }
      SecureWipe(run, sizeof(run));
      SecureWipe(window, sizeof(window));
      break;
    }
  }
  std::memcpy(chain, c, B);
  SecureWipe(c, B);
}

// The modes on a cipher without a word form of its block function.
template <size_t B, class Encrypt, class Decrypt>
void RunMode(ModeRun mode,
             uint8_t* chain,
             const uint8_t* in,
             uint8_t* out,
             size_t count,
             const Encrypt& encrypt,
             const Decrypt& decrypt) {
  RunMode<B>(mode, chain, in, out, count, WordsThroughBytes<B, false>(encrypt), encrypt, decrypt);
}

// The modes on a cipher's lane bodies (see RunLanes), inlined: one block at a time for the
// serial modes, kLanes side by side for the others (and kTailLanes for a remainder, as in
// RunLanes). kBigEndian: the order in which the cipher reads its words.
template <size_t B,
          bool kBigEndian,
          size_t kLanes,
          size_t kTailLanes = 1,
          class EncryptBody,
          class DecryptBody>
void RunModeOnLanes(ModeRun mode,
                    uint8_t* chain,
                    const uint8_t* in,
                    uint8_t* out,
                    size_t count,
                    const EncryptBody& encrypt_body,
                    const DecryptBody& decrypt_body) {
  const auto encrypt = [&encrypt_body](const uint8_t* i, uint8_t* o, size_t n) {
    RunLanes<kLanes, B, kTailLanes>(i, o, n, encrypt_body);
  };
  const auto decrypt = [&decrypt_body](const uint8_t* i, uint8_t* o, size_t n) {
    RunLanes<kLanes, B, kTailLanes>(i, o, n, decrypt_body);
  };
  const auto one = [&encrypt_body](const uint8_t* i, uint8_t* o, size_t) {
    encrypt_body.template operator()<1>(i, o);
  };
  if (mode == ModeRun::kCbcDecrypt && count >= kLanes) {
    // Each group's plain blocks are XORed as they leave the cipher, instead of in a second pass
    // over a buffer. Back to front, so that in place each cipher block is read before the plain
    // block that replaces it is written.
    alignas(16) uint8_t c[B], next[B], plain[kLanes * B];
    std::memcpy(c, chain, B);
    for (; count >= kLanes; count -= kLanes, in += kLanes * B, out += kLanes * B) {
      decrypt_body.template operator()<kLanes>(in, plain);
      std::memcpy(next, in + (kLanes - 1) * B, B);
      for (size_t i = kLanes; i-- > 1;) XorBlock<B>(out + i * B, plain + i * B, in + (i - 1) * B);
      XorBlock<B>(out, plain, c);
      std::memcpy(c, next, B);
    }
    std::memcpy(chain, c, B);
    SecureWipe(c, B);
    SecureWipe(plain, sizeof(plain));
    if (count == 0)
      return;
  }
  RunMode<B>(mode, chain, in, out, count, WordsThroughBytes<B, kBigEndian>(one), encrypt, decrypt);
}

}  // namespace varkesh::detail

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
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "crypto/detail/bytes.h"

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

  // Writes the counter and steps it, wrapping from all ones to zero.
  void Take(uint8_t* block) {
    if constexpr (B == 16)
      StoreBe64(block, high);
    StoreBe64(block + B - 8, low);
    if constexpr (B == 16)
      high += ++low == 0 ? 1 : 0;
    else
      ++low;
  }

  void Store(uint8_t* chain) const { Counter(*this).Take(chain); }
};

// Runs of independent blocks are gathered in a buffer of this many blocks.
inline constexpr size_t kModeRunBlocks = 64;

// `count` whole blocks (bytes for 8-bit CFB) of `mode` from in to out (in == out allowed),
// carrying the chaining vector `chain`. encrypt(in, out, blocks) and decrypt(in, out, blocks)
// are the cipher's block functions on runs of whole blocks, in place allowed.
template <size_t B, class Encrypt, class Decrypt>
void RunMode(ModeRun mode,
             uint8_t* chain,
             const uint8_t* in,
             uint8_t* out,
             size_t count,
             const Encrypt& encrypt,
             const Decrypt& decrypt) {
  alignas(16) uint8_t c[B];
  std::memcpy(c, chain, B);
  switch (mode) {
    case ModeRun::kCbcEncrypt:
      for (; count != 0; --count, in += B, out += B) {
        XorBlock<B>(c, c, in);
        encrypt(c, c, 1);
        std::memcpy(out, c, B);
      }
      break;
    case ModeRun::kCfbEncrypt:
      for (; count != 0; --count, in += B, out += B) {
        encrypt(c, c, 1);
        XorBlock<B>(c, c, in);
        std::memcpy(out, c, B);
      }
      break;
    case ModeRun::kOfb:
      for (; count != 0; --count, in += B, out += B) {
        encrypt(c, c, 1);
        XorBlock<B>(out, in, c);
      }
      break;
    case ModeRun::kCfb8Encrypt: {
      // The register is a window sliding over the chain followed by the cipher bytes.
      uint8_t window[B + kModeRunBlocks];
      uint8_t t[B];
      std::memcpy(window, c, B);
      while (count != 0) {
        const size_t n = std::min(count, kModeRunBlocks);
        for (size_t i = 0; i < n; ++i) {
          encrypt(window + i, t, 1);
          window[B + i] = out[i] = static_cast<uint8_t>(in[i] ^ t[0]);
        }
        std::memmove(window, window + n, B);
        in += n, out += n, count -= n;
      }
      std::memcpy(c, window, B);
      SecureWipe(window, sizeof(window));
      SecureWipe(t, sizeof(t));
      break;
    }
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

}  // namespace varkesh::detail

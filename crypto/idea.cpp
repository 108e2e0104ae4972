// IDEA: 64-bit blocks as four big-endian 16-bit words, 128-bit keys (a shorter key is padded
// with zero bytes), 8 rounds and an output transformation. No tables and no branches on data:
// the multiplication handles the word 0 arithmetically, so timing does not depend on key or
// data.
#include "crypto/idea.h"

#include <cstring>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"

namespace varkesh {

namespace {

// Multiplication modulo 2^16 + 1 of a word x by a subkey, where the word 0 stands for 2^16;
// without branches, so its time does not depend on the operands. The product p = hi * 2^16 + lo
// is lo - hi, since 2^16 = -1 (plus the modulus when that is negative). p is 0 only when x is 0
// (the subkey has 2^16 written out): the result is then the negated subkey, added in where
// the carry goes, so that the zero case costs nothing on the path from x to the result.
inline uint16_t Mul(uint16_t x, Idea::WideKey k) {
  const uint32_t p = x * k.factor;
  const uint32_t lo = p & 0xFFFF;
  const uint32_t hi = p >> 16;
  const uint32_t zero = (0u - static_cast<uint32_t>(x == 0)) & k.times_zero;
  uint32_t difference;
  const bool borrow = __builtin_sub_overflow(lo, hi, &difference);
  return static_cast<uint16_t>(difference + zero + borrow);
}

// Multiplicative inverse modulo 2^16 + 1 (0 and 1 are their own inverses), by x^(2^16 - 1).
uint16_t MulInverse(uint16_t x) {
  if (x <= 1)
    return x;
  uint64_t result = 1, base = x, exponent = 0xFFFF;
  for (; exponent != 0; exponent >>= 1) {
    if (exponent & 1)
      result = result * base % 0x10001;
    base = base * base % 0x10001;
  }
  return static_cast<uint16_t>(result);
}

inline uint16_t Negate(uint16_t x) { return static_cast<uint16_t>(0 - x); }

// N blocks side by side with the 52 subkeys k (those of encryption or of decryption).
template <size_t N>
inline void Lanes(const Idea::WideKey* k, const uint8_t* in, uint8_t* out) {
  uint16_t x1[N], x2[N], x3[N], x4[N];
  for (size_t b = 0; b < N; ++b) {
    const uint8_t* p = in + 8 * b;
    x1[b] = static_cast<uint16_t>(p[0] << 8 | p[1]);
    x2[b] = static_cast<uint16_t>(p[2] << 8 | p[3]);
    x3[b] = static_cast<uint16_t>(p[4] << 8 | p[5]);
    x4[b] = static_cast<uint16_t>(p[6] << 8 | p[7]);
  }
  const Idea::WideKey* rk = k;
  for (int round = 0; round < 8; ++round, rk += 6) {
    for (size_t b = 0; b < N; ++b) {
      x1[b] = Mul(x1[b], rk[0]);
      x2[b] = static_cast<uint16_t>(x2[b] + rk[1].factor);
      x3[b] = static_cast<uint16_t>(x3[b] + rk[2].factor);
      x4[b] = Mul(x4[b], rk[3]);
      uint16_t t = Mul(static_cast<uint16_t>(x1[b] ^ x3[b]), rk[4]);
      const uint16_t u = Mul(static_cast<uint16_t>(t + (x2[b] ^ x4[b])), rk[5]);
      t = static_cast<uint16_t>(t + u);
      x1[b] ^= u;
      x4[b] ^= t;
      // The two middle words trade places between rounds.
      const uint16_t middle = static_cast<uint16_t>(x2[b] ^ t);
      x2[b] = static_cast<uint16_t>(x3[b] ^ u);
      x3[b] = middle;
    }
  }
  // The output transformation undoes the last exchange of the middle words.
  for (size_t b = 0; b < N; ++b) {
    const uint16_t words[4] = {Mul(x1[b], rk[0]), static_cast<uint16_t>(x3[b] + rk[1].factor),
                               static_cast<uint16_t>(x2[b] + rk[2].factor), Mul(x4[b], rk[3])};
    for (int i = 0; i < 4; ++i) {
      out[8 * b + 2 * i] = static_cast<uint8_t>(words[i] >> 8);
      out[8 * b + 2 * i + 1] = static_cast<uint8_t>(words[i]);
    }
  }
}

struct BlockRun {
  const Idea::WideKey* k;

  template <size_t N>
  void operator()(const uint8_t* in, uint8_t* out) const {
    Lanes<N>(k, in, out);
  }
};

// A run of blocks with the subkeys k (wide for the scalar lanes): the widest vector kernel the
// processor has, then interleaved scalar lanes.
void Blocks(
    const uint16_t* k, const Idea::WideKey* wide, const uint8_t* in, uint8_t* out, size_t blocks) {
#if VARKESH_X86
  size_t done = 0;
  if (detail::CpuHas(detail::kCpuAvx2))
    done = kernels::IdeaAvx2(k, in, out, blocks);
  if (detail::CpuHas(detail::kCpuSse2))
    done += kernels::IdeaSse2(k, in + 8 * done, out + 8 * done, blocks - done);
  in += 8 * done, out += 8 * done, blocks -= done;
#else
  static_cast<void>(k);
#endif
  detail::RunLanes<4, 8>(in, out, blocks, BlockRun{wide});
}

void Widen(const std::array<uint16_t, Idea::kSubkeys>& keys,
           std::array<Idea::WideKey, Idea::kSubkeys>& wide) {
  for (size_t i = 0; i < keys.size(); ++i) {
    wide[i].factor = keys[i] == 0 ? 0x10000 : keys[i];
    wide[i].times_zero = static_cast<uint16_t>(1 - keys[i]);
  }
}

}  // namespace

bool Idea::KnownAnswerTest() {
  return BlockKnownAnswers<Idea>({
      {"3a984e2000195db32ee501c8c47cea60", 128, "0102030405060708", "97bcd8200780da86"},
      {"006400c8012c019001f4025802bc0320", 128, "05320a6414c819fa", "65be87e7a2538aed"},
  });
}

void Idea::Wipe() {
  detail::SecureWipe(encrypt_keys_.data(), sizeof(encrypt_keys_));
  detail::SecureWipe(decrypt_keys_.data(), sizeof(decrypt_keys_));
  detail::SecureWipe(encrypt_wide_.data(), sizeof(encrypt_wide_));
  detail::SecureWipe(decrypt_wide_.data(), sizeof(decrypt_wide_));
  BlockCipher64::Wipe();
}

void Idea::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  uint8_t padded[16] = {};
  std::memcpy(padded, key, key_bits / 8);
  // The 128-bit key as two halves; each group of eight subkeys is read from it in order, and
  // it turns 25 bits to the left between groups.
  uint64_t hi = detail::LoadBe64(padded), lo = detail::LoadBe64(padded + 8);
  for (size_t i = 0; i < kSubkeys; ++i) {
    const size_t word = i % 8;
    const uint64_t half = word < 4 ? hi : lo;
    encrypt_keys_[i] = static_cast<uint16_t>(half >> (48 - 16 * (word % 4)));
    if (word == 7) {
      const uint64_t new_hi = hi << 25 | lo >> 39;
      lo = lo << 25 | hi >> 39;
      hi = new_hi;
    }
  }
  detail::SecureWipe(padded, sizeof(padded));
  detail::SecureWipeObject(hi);
  detail::SecureWipeObject(lo);

  // Decryption runs the rounds backwards: round r takes the inverted multiplication and
  // addition keys of round 8 - r (the addition keys exchanged, except at the two ends) and the
  // MA-layer keys of round 7 - r unchanged.
  const uint16_t* e = encrypt_keys_.data();
  uint16_t* d = decrypt_keys_.data();
  for (size_t round = 0; round <= 8; ++round) {
    const size_t src = 6 * (8 - round);
    const bool ends = round == 0 || round == 8;
    d[6 * round] = MulInverse(e[src]);
    d[6 * round + 1] = Negate(e[src + (ends ? 1 : 2)]);
    d[6 * round + 2] = Negate(e[src + (ends ? 2 : 1)]);
    d[6 * round + 3] = MulInverse(e[src + 3]);
    if (round < 8) {
      d[6 * round + 4] = e[src - 2];
      d[6 * round + 5] = e[src - 1];
    }
  }
  Widen(encrypt_keys_, encrypt_wide_);
  Widen(decrypt_keys_, decrypt_wide_);
}

void Idea::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  Blocks(encrypt_keys_.data(), encrypt_wide_.data(), in, out, blocks);
}

void Idea::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  Blocks(decrypt_keys_.data(), decrypt_wide_.data(), in, out, blocks);
}

void Idea::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  const uint16_t* e = encrypt_keys_.data();
  const uint16_t* d = decrypt_keys_.data();
  const WideKey* ew = encrypt_wide_.data();
  const WideKey* dw = decrypt_wide_.data();
  const BlockRun one{ew};
  detail::RunMode<8>(
      mode, chain, in, out, count,
      detail::WordsThroughBytes<8, true>(
          [&one](const uint8_t* i, uint8_t* o, size_t) { one.operator()<1>(i, o); }),
      [e, ew](const uint8_t* i, uint8_t* o, size_t n) { Blocks(e, ew, i, o, n); },
      [d, dw](const uint8_t* i, uint8_t* o, size_t n) { Blocks(d, dw, i, o, n); });
}

}  // namespace varkesh

// CAST-128 (RFC 2144): 64-bit block, big-endian words, keys of 1 to 16 whole bytes padded with
// zero bytes to 16; 12 rounds for keys of up to 10 bytes, else 16. A trailing half byte of the
// key is ignored.
#include "crypto/cast128.h"

#include <bit>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/cast.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::Rotl32;
using detail::StoreBe32;
using tables::CAST_S1;
using tables::CAST_S2;
using tables::CAST_S3;
using tables::CAST_S4;
using tables::CAST_S5;
using tables::CAST_S6;
using tables::CAST_S7;
using tables::CAST_S8;

// The key schedule works on two 16-byte registers x and z held as big-endian words; byte k of a
// register is byte k mod 4 of word k / 4, counted from the most significant.
inline uint32_t Byte(const uint32_t (&reg)[4], int k) {
  return (reg[k >> 2] >> (24 - 8 * (k & 3))) & 0xFF;
}

// z from x, then x from z: the two register updates of the schedule.
void XToZ(const uint32_t (&x)[4], uint32_t (&z)[4]) {
  z[0] = x[0] ^ CAST_S5[Byte(x, 0xD)] ^ CAST_S6[Byte(x, 0xF)] ^ CAST_S7[Byte(x, 0xC)] ^
         CAST_S8[Byte(x, 0xE)] ^ CAST_S7[Byte(x, 0x8)];
  z[1] = x[2] ^ CAST_S5[Byte(z, 0x0)] ^ CAST_S6[Byte(z, 0x2)] ^ CAST_S7[Byte(z, 0x1)] ^
         CAST_S8[Byte(z, 0x3)] ^ CAST_S8[Byte(x, 0xA)];
  z[2] = x[3] ^ CAST_S5[Byte(z, 0x7)] ^ CAST_S6[Byte(z, 0x6)] ^ CAST_S7[Byte(z, 0x5)] ^
         CAST_S8[Byte(z, 0x4)] ^ CAST_S5[Byte(x, 0x9)];
  z[3] = x[1] ^ CAST_S5[Byte(z, 0xA)] ^ CAST_S6[Byte(z, 0x9)] ^ CAST_S7[Byte(z, 0xB)] ^
         CAST_S8[Byte(z, 0x8)] ^ CAST_S6[Byte(x, 0xB)];
}

void ZToX(const uint32_t (&z)[4], uint32_t (&x)[4]) {
  x[0] = z[2] ^ CAST_S5[Byte(z, 0x5)] ^ CAST_S6[Byte(z, 0x7)] ^ CAST_S7[Byte(z, 0x4)] ^
         CAST_S8[Byte(z, 0x6)] ^ CAST_S7[Byte(z, 0x0)];
  x[1] = z[0] ^ CAST_S5[Byte(x, 0x0)] ^ CAST_S6[Byte(x, 0x2)] ^ CAST_S7[Byte(x, 0x1)] ^
         CAST_S8[Byte(x, 0x3)] ^ CAST_S8[Byte(z, 0x2)];
  x[2] = z[1] ^ CAST_S5[Byte(x, 0x7)] ^ CAST_S6[Byte(x, 0x6)] ^ CAST_S7[Byte(x, 0x5)] ^
         CAST_S8[Byte(x, 0x4)] ^ CAST_S5[Byte(z, 0x1)];
  x[3] = z[3] ^ CAST_S5[Byte(x, 0xA)] ^ CAST_S6[Byte(x, 0x9)] ^ CAST_S7[Byte(x, 0xB)] ^
         CAST_S8[Byte(x, 0x8)] ^ CAST_S6[Byte(z, 0x3)];
}

// Four subkeys from one register: S5..S8 of four of its bytes, XOR one more S-box (S5, S6, S7,
// S8 in turn) of a fifth byte. kSubkeyBytes[step][key] lists those five byte positions.
constexpr int kSubkeyBytes[4][4][5] = {
    {{0x8, 0x9, 0x7, 0x6, 0x2},
     {0xA, 0xB, 0x5, 0x4, 0x6},
     {0xC, 0xD, 0x3, 0x2, 0x9},
     {0xE, 0xF, 0x1, 0x0, 0xC}},  // from z
    {{0x3, 0x2, 0xC, 0xD, 0x8},
     {0x1, 0x0, 0xE, 0xF, 0xD},
     {0x7, 0x6, 0x8, 0x9, 0x3},
     {0x5, 0x4, 0xA, 0xB, 0x7}},  // from x
    {{0x3, 0x2, 0xC, 0xD, 0x9},
     {0x1, 0x0, 0xE, 0xF, 0xC},
     {0x7, 0x6, 0x8, 0x9, 0x2},
     {0x5, 0x4, 0xA, 0xB, 0x6}},  // from z
    {{0x8, 0x9, 0x7, 0x6, 0x3},
     {0xA, 0xB, 0x5, 0x4, 0x7},
     {0xC, 0xD, 0x3, 0x2, 0x8},
     {0xE, 0xF, 0x1, 0x0, 0xD}},  // from x
};

void Subkeys(const uint32_t (&reg)[4], const int (&bytes)[4][5], uint32_t* out) {
  const std::array<uint32_t, 256>* extra[4] = {&CAST_S5, &CAST_S6, &CAST_S7, &CAST_S8};
  for (int k = 0; k < 4; ++k) {
    const int* b = bytes[k];
    out[k] = CAST_S5[Byte(reg, b[0])] ^ CAST_S6[Byte(reg, b[1])] ^ CAST_S7[Byte(reg, b[2])] ^
             CAST_S8[Byte(reg, b[3])] ^ (*extra[k])[Byte(reg, b[4])];
  }
}

// target ^ F(d) with the round function F1, F2 or F3 (kType 0, 1, 2); a is the most significant
// byte of I. A lone block is a chain of rounds, each waiting on the last, so the round is arranged
// for latency: I is also rotated 16 bits further, to c, d, a, b, so that each index is the top or
// the low byte of one of the two, one instruction away; and the combining operations are regrouped
// where modular addition allows: F1 as (S1 ^ S2) + (S4 - S3), F2 as (S1 + (S3 - S2)) ^ (S4 ^
// target). F3 keeps its order.
template <size_t kType>
[[gnu::always_inline]] inline uint32_t Round(uint32_t target,
                                             uint32_t d,
                                             uint32_t km,
                                             uint32_t kr) {
  using detail::KeepApart;
  const uint32_t x = kType == 0 ? km + d : kType == 1 ? (km ^ d) : km - d;
  const uint32_t i = Rotl32(x, kr);
  const uint32_t j = Rotl32(KeepApart(x), kr + 16);
  const uint32_t s1 = CAST_S1[i >> 24], s2 = CAST_S2[j & 0xFF];
  const uint32_t s3 = CAST_S3[j >> 24], s4 = CAST_S4[i & 0xFF];
  if constexpr (kType == 0)
    return target ^ ((s1 ^ s2) + KeepApart(s4 - s3));
  else if constexpr (kType == 1)
    return (s1 + KeepApart(s3 - s2)) ^ KeepApart(s4 ^ target);
  else
    return target ^ (((s1 + s2) ^ s3) - s4);
}

// Round i (0-based) uses F1, F2, F3 by i mod 3. The rounds update l and r in turn, so the
// halves never swap; decryption runs the rounds backwards, and both end with the output (r, l).
// N blocks go side by side.
template <size_t N, size_t kRounds, bool kDecrypt>
inline void Blocks(const uint32_t* km, const uint32_t* kr, const uint8_t* in, uint8_t* out) {
  uint32_t l[N], r[N];
  for (size_t b = 0; b < N; ++b) l[b] = LoadBe32(in + 8 * b), r[b] = LoadBe32(in + 8 * b + 4);
  detail::Unroll(
      [&](auto step) {
        constexpr size_t kRound = kDecrypt ? kRounds - 1 - step : step;
        uint32_t(&target)[N] = step % 2 == 0 ? l : r;
        const uint32_t(&source)[N] = step % 2 == 0 ? r : l;
        for (size_t b = 0; b < N; ++b)
          target[b] = Round<kRound % 3>(target[b], source[b], km[kRound], kr[kRound]);
      },
      std::make_index_sequence<kRounds>());
  for (size_t b = 0; b < N; ++b) StoreBe32(out + 8 * b, r[b]), StoreBe32(out + 8 * b + 4, l[b]);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#  define VARKESH_CAST128_FOUR_REGISTERS 1
#else
#  define VARKESH_CAST128_FOUR_REGISTERS 0
#endif

#if VARKESH_CAST128_FOUR_REGISTERS
// S1 to S4 one after the other, so that one base register reaches all four.
struct RoundBoxes {
  std::array<uint32_t, 256> s1, s2, s3, s4;
};

constexpr RoundBoxes kRoundBoxes = {CAST_S1, CAST_S2, CAST_S3, CAST_S4};

// Four or eight blocks side by side, each whole in a 64-bit register as its big-endian value
// (left half high), so that a round is a rotation by 32 bits and F into the low half. I is
// rotated by 16 bits more than the round's rotation and goes into a register whose second byte
// has a name of its own (%ah, %bh, %dh): its two low bytes are then a and b, and after a rotation
// by 16 the other two, each index one instruction where the compiler takes two or three. Rotations
// of 32-bit words only look at the count's low five bits.
// clang-format off
#  define VARKESH_CAST128_LANE(v, op_i, op1, op2, op3)   \
    "movl %[km], %k[t]\n\t"                              \
    op_i " %k[" v "], %k[t]\n\t"                         \
    "roll %b[kr], %k[t]\n\t"                             \
    "rorq $32, %[" v "]\n\t"                             \
    "movzbl %h[t], %k[i0]\n\t"                           \
    "movzbl %b[t], %k[i1]\n\t"                           \
    "roll $16, %k[t]\n\t"                                \
    "movzbl %h[t], %k[i2]\n\t"                           \
    "movzbl %b[t], %k[t]\n\t"                            \
    "movl (%[s],%[i0],4), %k[i0]\n\t"                    \
    op1 " 1024(%[s],%[i1],4), %k[i0]\n\t"                \
    op2 " 2048(%[s],%[i2],4), %k[i0]\n\t"                \
    op3 " 3072(%[s],%[t],4), %k[i0]\n\t"                 \
    "xorq %[i0], %[" v "]\n\t"
#  define VARKESH_CAST128_LANES_4(op_i, op1, op2, op3)                                 \
    VARKESH_CAST128_LANE("v0", op_i, op1, op2, op3)                                    \
    VARKESH_CAST128_LANE("v1", op_i, op1, op2, op3)                                    \
    VARKESH_CAST128_LANE("v2", op_i, op1, op2, op3)                                    \
    VARKESH_CAST128_LANE("v3", op_i, op1, op2, op3)
#  define VARKESH_CAST128_LANES_8(op_i, op1, op2, op3)                                 \
    VARKESH_CAST128_LANES_4(op_i, op1, op2, op3)                                       \
    VARKESH_CAST128_LANE("v4", op_i, op1, op2, op3)                                    \
    VARKESH_CAST128_LANE("v5", op_i, op1, op2, op3)                                    \
    VARKESH_CAST128_LANE("v6", op_i, op1, op2, op3)                                    \
    VARKESH_CAST128_LANE("v7", op_i, op1, op2, op3)
#  define VARKESH_CAST128_TEMPS                                                        \
    [t] "=&Q"(t), [i0] "=&R"(i0), [i1] "=&r"(i1), [i2] "=&R"(i2)
#  define VARKESH_CAST128_INPUTS                                                       \
    [km] "rm"(km), [kr] "c"(kr + 16), [s] "r"(&kRoundBoxes), "m"(kRoundBoxes)
#  define VARKESH_CAST128_ROUND(op_i, op1, op2, op3)                                   \
    if constexpr (N == 4) {                                                            \
      __asm__(VARKESH_CAST128_LANES_4(op_i, op1, op2, op3)                             \
              : [v0] "+r"(v[0]), [v1] "+r"(v[1]), [v2] "+r"(v[2]), [v3] "+r"(v[3]),    \
                VARKESH_CAST128_TEMPS                                                  \
              : VARKESH_CAST128_INPUTS);                                               \
    } else {                                                                           \
      __asm__(VARKESH_CAST128_LANES_8(op_i, op1, op2, op3)                             \
              : [v0] "+r"(v[0]), [v1] "+r"(v[1]), [v2] "+r"(v[2]), [v3] "+r"(v[3]),    \
                [v4] "+r"(v[4]), [v5] "+r"(v[5]), [v6] "+r"(v[6]), [v7] "+r"(v[7]),    \
                VARKESH_CAST128_TEMPS                                                  \
              : VARKESH_CAST128_INPUTS);                                               \
    }

// clang-format on

// A round of the four or eight blocks with F1 (kType 0), F2 (1) or F3 (2). Eight fill the
// arithmetic units while the look-ups of four would leave them waiting.
template <size_t kType, size_t N>
inline void RoundOf(uint64_t (&v)[N], uint32_t km, uint32_t kr) {
  static_assert(N == 4 || N == 8);
  uint64_t t, i0, i1, i2;
  if constexpr (kType == 0) {
    VARKESH_CAST128_ROUND("addl", "xorl", "subl", "addl");
  } else if constexpr (kType == 1) {
    VARKESH_CAST128_ROUND("xorl", "subl", "addl", "xorl");
  } else {
    VARKESH_CAST128_ROUND("subl", "addl", "xorl", "subl");
  }
}

#  undef VARKESH_CAST128_ROUND
#  undef VARKESH_CAST128_INPUTS
#  undef VARKESH_CAST128_TEMPS
#  undef VARKESH_CAST128_LANES_8
#  undef VARKESH_CAST128_LANES_4
#  undef VARKESH_CAST128_LANE

template <size_t N, size_t kRounds, bool kDecrypt>
inline void RegisterBlocks(const uint32_t* km,
                           const uint32_t* kr,
                           const uint8_t* in,
                           uint8_t* out) {
  uint64_t v[N];
  for (size_t b = 0; b < N; ++b) v[b] = detail::LoadBe64(in + 8 * b);
  detail::Unroll(
      [&](auto step) {
        constexpr size_t kRound = kDecrypt ? kRounds - 1 - step : step;
        RoundOf<kRound % 3>(v, km[kRound], kr[kRound]);
      },
      std::make_index_sequence<kRounds>());
  // The output is the halves swapped.
  for (size_t b = 0; b < N; ++b) detail::StoreBe64(out + 8 * b, std::rotr(v[b], 32));
}
#endif

template <size_t kRounds, bool kDecrypt>
struct BlockRun {
  const uint32_t* km;
  const uint32_t* kr;

  template <size_t N>
  void operator()(const uint8_t* in, uint8_t* out) const {
#if VARKESH_CAST128_FOUR_REGISTERS
    if constexpr (N == 4 || N == 8) {
      RegisterBlocks<N, kRounds, kDecrypt>(km, kr, in, out);
      return;
    }
#endif
    Blocks<N, kRounds, kDecrypt>(km, kr, in, out);
  }
};

// Where the blocks fit in registers, eight at a time and a remainder of four to seven as four.
constexpr size_t kLanes = VARKESH_CAST128_FOUR_REGISTERS ? 8 : 4;
constexpr size_t kTailLanes = VARKESH_CAST128_FOUR_REGISTERS ? 4 : 1;

}  // namespace

bool Cast128::KnownAnswerTest() {
  return BlockKnownAnswers<Cast128>({
      {"0123456712345678234567893456789a", 128, "0123456789abcdef", "238b4fe5847e44b2"},
      {"0123456712345678234567893456789a", 80, "0123456789abcdef", "eb6a711a2c02271b"},
      {"0123456712345678234567893456789a", 40, "0123456789abcdef", "7ac816d16e9b302e"},
  });
}

void Cast128::Wipe() {
  detail::SecureWipeObject(km_, 0xFF);
  detail::SecureWipeObject(kr_, 0xFF);
  detail::SecureWipeObject(rounds_, 0);
  BlockCipher64::Wipe();
}

void Cast128::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  const size_t n = key_bits / 8;
  rounds_ = n <= 10 ? 12 : 16;

  uint8_t padded[16] = {};
  for (size_t i = 0; i < n; ++i) padded[i] = key[i];
  uint32_t x[4], z[4];
  for (int i = 0; i < 4; ++i) x[i] = LoadBe32(padded + 4 * i);

  // 32 subkeys in two identical passes: the first 16 mask, the last 16 rotate.
  uint32_t k[32];
  for (int pass = 0; pass < 2; ++pass) {
    uint32_t* out = k + 16 * pass;
    XToZ(x, z);
    Subkeys(z, kSubkeyBytes[0], out);
    ZToX(z, x);
    Subkeys(x, kSubkeyBytes[1], out + 4);
    XToZ(x, z);
    Subkeys(z, kSubkeyBytes[2], out + 8);
    ZToX(z, x);
    Subkeys(x, kSubkeyBytes[3], out + 12);
  }
  for (int i = 0; i < 16; ++i) {
    km_[i] = k[i];
    kr_[i] = k[16 + i] & 31;
  }
  detail::SecureWipe(padded, sizeof(padded));
  detail::SecureWipe(x, sizeof(x));
  detail::SecureWipe(z, sizeof(z));
  detail::SecureWipe(k, sizeof(k));
}

void Cast128::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  if (rounds_ == 16) {
    detail::RunLanes<kLanes, 8, kTailLanes>(in, out, blocks,
                                            BlockRun<16, false>{km_.data(), kr_.data()});
  } else {
    detail::RunLanes<kLanes, 8, kTailLanes>(in, out, blocks,
                                            BlockRun<12, false>{km_.data(), kr_.data()});
  }
}

void Cast128::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  if (rounds_ == 16) {
    detail::RunLanes<kLanes, 8, kTailLanes>(in, out, blocks,
                                            BlockRun<16, true>{km_.data(), kr_.data()});
  } else {
    detail::RunLanes<kLanes, 8, kTailLanes>(in, out, blocks,
                                            BlockRun<12, true>{km_.data(), kr_.data()});
  }
}

void Cast128::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  if (rounds_ == 16) {
    detail::RunModeOnLanes<8, true, kLanes, kTailLanes>(mode, chain, in, out, count,
                                                        BlockRun<16, false>{km_.data(), kr_.data()},
                                                        BlockRun<16, true>{km_.data(), kr_.data()});
  } else {
    detail::RunModeOnLanes<8, true, kLanes, kTailLanes>(mode, chain, in, out, count,
                                                        BlockRun<12, false>{km_.data(), kr_.data()},
                                                        BlockRun<12, true>{km_.data(), kr_.data()});
  }
}

}  // namespace varkesh

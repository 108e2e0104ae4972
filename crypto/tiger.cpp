#include "crypto/tiger.h"

#include "crypto/known_answer.h"
#include "crypto/tables/tiger.h"

namespace varkesh {

namespace {

using detail::LoadLe64;
using detail::Settled;

constexpr uint8_t Byte(uint64_t v, unsigned n) { return static_cast<uint8_t>(v >> (8 * n)); }

// One round: the even bytes of c (counted from the least significant) go through t1..t4 into a,
// the odd bytes through t4..t1 into b.
template <uint64_t kMul>
inline void Round(uint64_t& a, uint64_t& b, uint64_t& c, uint64_t x) {
  using tables::TIGER_T1, tables::TIGER_T2, tables::TIGER_T3, tables::TIGER_T4;
  c ^= x;
  // Each XOR of four lookups as two pairs: the next round's c waits for a.
  a -= Settled(TIGER_T1[Byte(c, 0)] ^ TIGER_T2[Byte(c, 2)]) ^
       Settled(TIGER_T3[Byte(c, 4)] ^ TIGER_T4[Byte(c, 6)]);
  b += Settled(TIGER_T4[Byte(c, 1)] ^ TIGER_T3[Byte(c, 3)]) ^
       Settled(TIGER_T2[Byte(c, 5)] ^ TIGER_T1[Byte(c, 7)]);
  b *= kMul;
}

template <uint64_t kMul>
inline void Pass(uint64_t& a, uint64_t& b, uint64_t& c, const uint64_t (&x)[8]) {
  Round<kMul>(a, b, c, x[0]);
  Round<kMul>(b, c, a, x[1]);
  Round<kMul>(c, a, b, x[2]);
  Round<kMul>(a, b, c, x[3]);
  Round<kMul>(b, c, a, x[4]);
  Round<kMul>(c, a, b, x[5]);
  Round<kMul>(a, b, c, x[6]);
  Round<kMul>(b, c, a, x[7]);
}

inline void KeySchedule(uint64_t (&x)[8]) {
  x[0] -= x[7] ^ 0xA5A5A5A5A5A5A5A5ull;
  x[1] ^= x[0];
  x[2] += x[1];
  x[3] -= x[2] ^ (~x[1] << 19);
  x[4] ^= x[3];
  x[5] += x[4];
  x[6] -= x[5] ^ (~x[4] >> 23);
  x[7] ^= x[6];
  x[0] += x[7];
  x[1] -= x[0] ^ (~x[7] << 19);
  x[2] ^= x[1];
  x[3] += x[2];
  x[4] -= x[3] ^ (~x[2] >> 23);
  x[5] ^= x[4];
  x[6] += x[5];
  x[7] -= x[6] ^ 0x0123456789ABCDEFull;
}

}  // namespace

bool Tiger::KnownAnswerTest() {
  return HashKnownAnswers<Tiger>({
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-",
       "f71c8583902afb879edfe610f82c0d4786a3a534504486b5"},
      {"Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham",
       "8a866829040a410c729ad23f5ada711603b3cdd357e4c15e"},
  });
}

void Tiger::Compress(const uint8_t* blocks, size_t count) {
  uint64_t x[8];
  for (; count != 0; --count, blocks += 64) {
    for (int i = 0; i < 8; ++i) x[i] = LoadLe64(blocks + 8 * i);
    uint64_t a = state_[0], b = state_[1], c = state_[2];
    Pass<5>(a, b, c, x);
    KeySchedule(x);
    Pass<7>(c, a, b, x);
    KeySchedule(x);
    Pass<9>(b, c, a, x);
    state_[0] ^= a;
    state_[1] = b - state_[1];
    state_[2] += c;
  }
  detail::SecureWipeObject(x);
}

}  // namespace varkesh

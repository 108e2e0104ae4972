#include "crypto/md5.h"

#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;

constexpr uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }

constexpr uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return y ^ (z & (x ^ y)); }

constexpr uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }

constexpr uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

// Round r uses message word (kStart[r] + kStep[r] * i) mod 16 at step i and rotates by
// kShift[r][i mod 4].
constexpr int kStart[4] = {0, 1, 5, 0};
constexpr int kStep[4] = {1, 5, 3, 7};
constexpr unsigned kShift[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

template <int kRound, class Fn>
inline void Round(uint32_t (&v)[4], const uint32_t (&x)[16], Fn f) {
  for (int i = 0; i < 16; ++i) {
    uint32_t& a = v[(16 - i) % 4];
    const uint32_t b = v[(17 - i) % 4], c = v[(18 - i) % 4], d = v[(19 - i) % 4];
    a = b + Rotl32(a + f(b, c, d) + x[(kStart[kRound] + kStep[kRound] * i) % 16] +
                       tables::MD5_T[kRound * 16 + i],
                   kShift[kRound][i % 4]);
  }
}

}  // namespace

bool Md5::KnownAnswerTest() {
  return HashKnownAnswers<Md5>({
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
  });
}

void Md5::Compress(const uint8_t* blocks, size_t count) {
  for (; count != 0; --count, blocks += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(blocks + 4 * i);
    uint32_t v[4] = {state_[0], state_[1], state_[2], state_[3]};
    Round<0>(v, x, F);
    Round<1>(v, x, G);
    Round<2>(v, x, H);
    Round<3>(v, x, I);
    for (int i = 0; i < 4; ++i) state_[i] += v[i];
  }
}

}  // namespace varkesh

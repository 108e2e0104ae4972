#include "crypto/md4.h"

#include <utility>

#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Unroll;

// Round r, step i: message word kWord(r, i), rotation kShift[r][i % 4], additive constant
// kAdd[r]. The registers rotate roles a, d, c, b from one step to the next.
constexpr unsigned kShift[3][4] = {{3, 7, 11, 19}, {3, 5, 9, 13}, {3, 9, 11, 15}};
constexpr uint32_t kAdd[3] = {0, 0x5A827999, 0x6ED9EBA1};

constexpr size_t kWord(size_t round, size_t i) {
  switch (round) {
    case 0:
      return i;
    case 1:
      return (i % 4) * 4 + i / 4;
    default:  // the 4-bit reversal of i: 0, 8, 4, 12, 2, ...
      return (i & 1) << 3 | (i & 2) << 1 | (i & 4) >> 1 | (i & 8) >> 3;
  }
}

template <size_t kRound>
constexpr uint32_t Mix(uint32_t x, uint32_t y, uint32_t z) {
  if constexpr (kRound == 0)
    return z ^ (x & (y ^ z));  // x ? y : z
  else if constexpr (kRound == 1)
    return (x & y) | (z & (x | y));  // majority
  else
    return x ^ y ^ z;
}

template <size_t kRound>
[[gnu::always_inline]] inline void Round(uint32_t (&v)[4], const uint32_t (&x)[16]) {
  Unroll(
      [&](auto step) __attribute__((always_inline)) {
        constexpr size_t i = step;
        uint32_t& a = v[(16 - i) % 4];
        const uint32_t b = v[(17 - i) % 4], c = v[(18 - i) % 4], d = v[(19 - i) % 4];
        a = Rotl32(a + Mix<kRound>(b, c, d) + x[kWord(kRound, i)] + kAdd[kRound],
                   kShift[kRound][i % 4]);
      },
      std::make_index_sequence<16>{});
}

}  // namespace

bool Md4::KnownAnswerTest() {
  return HashKnownAnswers<Md4>({
      {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
      {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
  });
}

void Md4::Compress(const uint8_t* blocks, size_t count) {
  for (; count != 0; --count, blocks += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(blocks + 4 * i);
    uint32_t v[4] = {state_[0], state_[1], state_[2], state_[3]};
    Round<0>(v, x);
    Round<1>(v, x);
    Round<2>(v, x);
    for (int i = 0; i < 4; ++i) state_[i] += v[i];
  }
}

}  // namespace varkesh

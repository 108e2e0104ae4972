#include "crypto/md4.h"

#include <utility>

#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Settled;
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

// The step a = (a + f(b, c, d) + X + K) <<< s, with the sum ordered so that b, the register
// written by the step before, enters last. Majority is (c & d) + (b & (c ^ d)): the two halves
// have no bit in common, and the one without b goes in early.
template <size_t kRound>
[[gnu::always_inline]] inline void Round(uint32_t (&v)[4], const uint8_t* block) {
  Unroll(
      [&](auto step) __attribute__((always_inline)) {
        constexpr size_t i = step;
        uint32_t& a = v[(16 - i) % 4];
        const uint32_t b = v[(17 - i) % 4], c = v[(18 - i) % 4], d = v[(19 - i) % 4];
        const uint32_t early = a + LoadLe32(block + 4 * kWord(kRound, i)) + kAdd[kRound];
        uint32_t sum;
        if constexpr (kRound == 0)
          sum = Settled(early) + (d ^ (b & (c ^ d)));
        else if constexpr (kRound == 1)
          sum = Settled(early + (c & d)) + (b & Settled(c ^ d));
        else
          sum = Settled(early) + (b ^ Settled(c ^ d));
        a = Rotl32(sum, kShift[kRound][i % 4]);
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
    uint32_t v[4] = {state_[0], state_[1], state_[2], state_[3]};
    Round<0>(v, blocks);
    Round<1>(v, blocks);
    Round<2>(v, blocks);
    for (int i = 0; i < 4; ++i) state_[i] += v[i];
  }
}

}  // namespace varkesh

#include "crypto/md5.h"

#include <utility>

#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Settled;
using detail::Unroll;

// Round r uses message word (kStart[r] + kStep[r] * i) mod 16 at step i and rotates by
// kShift[r][i mod 4].
constexpr size_t kStart[4] = {0, 1, 5, 0};
constexpr size_t kStep[4] = {1, 5, 3, 7};
constexpr unsigned kShift[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// The step a = b + ((a + f(b, c, d) + X + T) <<< s), with the sum ordered so that b, the
// register written by the step before, enters last: everything else is added while b is still
// being computed. G's two halves have no bit in common, so they are added rather than ORed, and
// the half without b goes in early.
template <size_t kRound>
[[gnu::always_inline]] inline void Round(uint32_t (&v)[4], const uint8_t* block) {
  Unroll(
      [&](auto step) __attribute__((always_inline)) {
        constexpr size_t i = step;
        uint32_t& a = v[(16 - i) % 4];
        const uint32_t b = v[(17 - i) % 4], c = v[(18 - i) % 4], d = v[(19 - i) % 4];
        const uint32_t early = a +
                               LoadLe32(block + 4 * ((kStart[kRound] + kStep[kRound] * i) % 16)) +
                               tables::MD5_T[kRound * 16 + i];
        uint32_t sum;
        if constexpr (kRound == 0)
          sum = Settled(early) + (d ^ (b & (c ^ d)));
        else if constexpr (kRound == 1)
          sum = Settled(early + (c & ~d)) + (b & d);
        else if constexpr (kRound == 2)
          sum = Settled(early) + (b ^ Settled(c ^ d));
        else
          sum = Settled(early) + (c ^ (b | ~d));
        a = b + Rotl32(sum, kShift[kRound][i % 4]);
      },
      std::make_index_sequence<16>{});
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
    uint32_t v[4] = {state_[0], state_[1], state_[2], state_[3]};
    Round<0>(v, blocks);
    Round<1>(v, blocks);
    Round<2>(v, blocks);
    Round<3>(v, blocks);
    for (int i = 0; i < 4; ++i) state_[i] += v[i];
  }
}

}  // namespace varkesh

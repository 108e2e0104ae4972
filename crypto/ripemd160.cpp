#include "crypto/ripemd160.h"

#include <utility>

#include "crypto/known_answer.h"
#include "crypto/tables/ripemd.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Settled;

// Step j of one line. The five registers rotate roles: at step j, register a sits at index
// -j mod 5 and b, c, d, e follow it cyclically, so nothing is moved between steps. The five
// Boolean functions (the left line uses them in the order 0..4, the right 4..0) are written so
// that b, the register written by the step before, enters last; function 3 (d ? b : c) is the
// sum of two halves with no bit in common, the one without b added early.
template <bool kRight, size_t j>
[[gnu::always_inline]] inline void Step(uint32_t (&v)[5], const uint8_t* block) {
  constexpr auto& kWords = kRight ? tables::RIPEMD160_R_RIGHT : tables::RIPEMD160_R_LEFT;
  constexpr auto& kShifts = kRight ? tables::RIPEMD160_S_RIGHT : tables::RIPEMD160_S_LEFT;
  constexpr auto& kAdds = kRight ? tables::RIPEMD160_K_RIGHT : tables::RIPEMD160_K_LEFT;
  constexpr size_t round = j / 16;
  constexpr size_t fn = kRight ? 4 - round : round;
  uint32_t& a = v[(100 - j) % 5];
  const uint32_t b = v[(101 - j) % 5];
  uint32_t& c = v[(102 - j) % 5];
  const uint32_t d = v[(103 - j) % 5], e = v[(104 - j) % 5];
  const uint32_t early = a + LoadLe32(block + 4 * kWords[j]) + kAdds[round];
  uint32_t sum;
  if constexpr (fn == 0)
    sum = Settled(early) + (b ^ Settled(c ^ d));
  else if constexpr (fn == 1)
    sum = Settled(early) + (d ^ (b & (c ^ d)));  // b ? c : d
  else if constexpr (fn == 2)
    sum = Settled(early) + ((b | ~c) ^ d);
  else if constexpr (fn == 3)
    sum = Settled(early + (c & ~d)) + (b & d);
  else
    sum = Settled(early) + (b ^ (c | ~d));
  a = Rotl32(sum, kShifts[j]) + e;
  c = Rotl32(c, 10);
}

// The two lines side by side, step by step: they are independent until the end.
template <size_t... j>
[[gnu::always_inline]] inline void Lines(uint32_t (&left)[5],
                                         uint32_t (&right)[5],
                                         const uint8_t* block,
                                         std::index_sequence<j...>) {
  ((Step<false, j>(left, block), Step<true, j>(right, block)), ...);
}

}  // namespace

bool Ripemd160::KnownAnswerTest() {
  return HashKnownAnswers<Ripemd160>({
      {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
      {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
  });
}

void Ripemd160::Compress(const uint8_t* blocks, size_t count) {
  for (; count != 0; --count, blocks += 64) {
    uint32_t left[5] = {state_[0], state_[1], state_[2], state_[3], state_[4]};
    uint32_t right[5] = {state_[0], state_[1], state_[2], state_[3], state_[4]};
    Lines(left, right, blocks, std::make_index_sequence<80>{});
    const uint32_t t = state_[1] + left[2] + right[3];
    state_[1] = state_[2] + left[3] + right[4];
    state_[2] = state_[3] + left[4] + right[0];
    state_[3] = state_[4] + left[0] + right[1];
    state_[4] = state_[0] + left[1] + right[2];
    state_[0] = t;
  }
}

}  // namespace varkesh

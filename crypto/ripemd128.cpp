#include "crypto/ripemd128.h"

#include <utility>

#include "crypto/known_answer.h"
#include "crypto/tables/ripemd.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;

// The four Boolean functions; the left line uses them in the order 0..3, the right 3..0.
template <size_t kFn>
constexpr uint32_t Mix(uint32_t x, uint32_t y, uint32_t z) {
  if constexpr (kFn == 0)
    return x ^ y ^ z;
  else if constexpr (kFn == 1)
    return z ^ (x & (y ^ z));  // x ? y : z
  else if constexpr (kFn == 2)
    return (x | ~y) ^ z;
  else
    return y ^ (z & (x ^ y));  // z ? x : y
}

// Step j of one line. The four registers rotate roles: at step j, register a sits at index
// -j mod 4 and b, c, d follow it cyclically, so nothing is moved between steps.
template <bool kRight, size_t j>
[[gnu::always_inline]] inline void Step(uint32_t (&v)[4], const uint32_t (&x)[16]) {
  constexpr auto& kWords = kRight ? tables::RIPEMD128_R_RIGHT : tables::RIPEMD128_R_LEFT;
  constexpr auto& kShifts = kRight ? tables::RIPEMD128_S_RIGHT : tables::RIPEMD128_S_LEFT;
  constexpr auto& kAdds = kRight ? tables::RIPEMD128_K_RIGHT : tables::RIPEMD128_K_LEFT;
  constexpr size_t round = j / 16;
  constexpr size_t fn = kRight ? 3 - round : round;
  uint32_t& a = v[(64 - j) % 4];
  const uint32_t b = v[(65 - j) % 4], c = v[(66 - j) % 4], d = v[(67 - j) % 4];
  a = Rotl32(a + Mix<fn>(b, c, d) + x[kWords[j]] + kAdds[round], kShifts[j]);
}

// The two lines side by side, step by step: they are independent until the end.
template <size_t... j>
[[gnu::always_inline]] inline void Lines(uint32_t (&left)[4],
                                         uint32_t (&right)[4],
                                         const uint32_t (&x)[16],
                                         std::index_sequence<j...>) {
  ((Step<false, j>(left, x), Step<true, j>(right, x)), ...);
}

}  // namespace

bool Ripemd128::KnownAnswerTest() {
  return HashKnownAnswers<Ripemd128>({
      {"a", "86be7afa339d0fc7cfc785e72f578d33"},
      {"abcdefghijklmnopqrstuvwxyz", "fd2aa607f71dc8f510714922b371834e"},
  });
}

void Ripemd128::Compress(const uint8_t* blocks, size_t count) {
  uint32_t x[16];
  for (; count != 0; --count, blocks += 64) {
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(blocks + 4 * i);
    uint32_t left[4] = {state_[0], state_[1], state_[2], state_[3]};
    uint32_t right[4] = {state_[0], state_[1], state_[2], state_[3]};
    Lines(left, right, x, std::make_index_sequence<64>{});
    const uint32_t t = state_[1] + left[2] + right[3];
    state_[1] = state_[2] + left[3] + right[0];
    state_[2] = state_[3] + left[0] + right[1];
    state_[3] = state_[0] + left[1] + right[2];
    state_[0] = t;
  }
  detail::SecureWipeObject(x);
}

}  // namespace varkesh

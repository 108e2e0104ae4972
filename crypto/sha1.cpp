#include "crypto/sha1.h"

#include <utility>

#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::Rotl32;
using detail::Unroll;

template <size_t kGroup>
constexpr uint32_t Mix(uint32_t x, uint32_t y, uint32_t z) {
  if constexpr (kGroup == 0)
    return z ^ (x & (y ^ z));  // x ? y : z
  else if constexpr (kGroup == 2)
    return (x & y) | (z & (x | y));  // majority
  else
    return x ^ y ^ z;
}

}  // namespace

bool Sha1::KnownAnswerTest() {
  return HashKnownAnswers<Sha1>({
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
  });
}

// 80 steps over a rolling 16-word schedule. The registers rotate roles: at step t, register a
// sits at index -t mod 5 and b, c, d, e follow it cyclically.
void Sha1::Compress(const uint8_t* blocks, size_t count) {
#if VARKESH_X86
  if (detail::CpuHas(detail::kCpuSha))
    return kernels::Sha1Shani(state_.data(), blocks, count);
#endif
  uint32_t w[16];
  for (; count != 0; --count, blocks += 64) {
    uint32_t v[5] = {state_[0], state_[1], state_[2], state_[3], state_[4]};
    Unroll(
        [&](auto step) __attribute__((always_inline)) {
          constexpr size_t t = step;
          if constexpr (t < 16) {
            w[t] = LoadBe32(blocks + 4 * t);
          } else {
            w[t % 16] = Rotl32(w[(t - 3) % 16] ^ w[(t - 8) % 16] ^ w[(t - 14) % 16] ^ w[t % 16], 1);
          }
          const uint32_t a = v[(80 - t) % 5];
          uint32_t& b = v[(81 - t) % 5];
          const uint32_t c = v[(82 - t) % 5], d = v[(83 - t) % 5];
          uint32_t& e = v[(84 - t) % 5];
          e += Rotl32(a, 5) + Mix<t / 20>(b, c, d) + tables::SHA1_K[t / 20] + w[t % 16];
          b = Rotl32(b, 30);
        },
        std::make_index_sequence<80>{});
    for (int i = 0; i < 5; ++i) state_[i] += v[i];
  }
  detail::SecureWipeObject(w);
}

}  // namespace varkesh

#include "crypto/sha256.h"

#include <utility>

#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::Rotr32;
using detail::Unroll;

// The two big sigmas (rotr 2, 13, 22 and 6, 11, 25) nested, so that each needs one copy of x fewer.
constexpr uint32_t BigSigma0(uint32_t x) { return Rotr32(Rotr32(Rotr32(x, 9) ^ x, 11) ^ x, 2); }

constexpr uint32_t BigSigma1(uint32_t x) { return Rotr32(Rotr32(Rotr32(x, 14) ^ x, 5) ^ x, 6); }

constexpr uint32_t SmallSigma0(uint32_t x) { return Rotr32(x, 7) ^ Rotr32(x, 18) ^ (x >> 3); }

constexpr uint32_t SmallSigma1(uint32_t x) { return Rotr32(x, 17) ^ Rotr32(x, 19) ^ (x >> 10); }

}  // namespace

bool Sha256::KnownAnswerTest() {
  return HashKnownAnswers<Sha256>({
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
  });
}

// 64 steps over a rolling 16-word schedule. The registers rotate roles: at step t, register a
// sits at index -t mod 8 and b .. h follow it cyclically.
void Sha256::Compress(const uint8_t* blocks, size_t count) {
#if VARKESH_X86
  if (detail::CpuHas(detail::kCpuSha))
    return kernels::Sha256Shani(state_.data(), blocks, count);
#endif
  uint32_t w[16];
  for (; count != 0; --count, blocks += 64) {
    uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state_[i];
    // Majority as b ^ ((a ^ b) & (b ^ c)), where b ^ c is the previous step's a ^ b.
    uint32_t bc = v[1] ^ v[2];
    Unroll(
        [&](auto step) __attribute__((always_inline)) {
          constexpr size_t t = step;
          if constexpr (t < 16) {
            w[t] = LoadBe32(blocks + 4 * t);
          } else {
            w[t % 16] +=
                SmallSigma1(w[(t - 2) % 16]) + w[(t - 7) % 16] + SmallSigma0(w[(t - 15) % 16]);
          }
          const uint32_t a = v[(64 - t) % 8], b = v[(65 - t) % 8];
          uint32_t& d = v[(67 - t) % 8];
          const uint32_t e = v[(68 - t) % 8], f = v[(69 - t) % 8], g = v[(70 - t) % 8];
          uint32_t& h = v[(71 - t) % 8];
          const uint32_t t1 =
              h + BigSigma1(e) + (g ^ (e & (f ^ g))) + tables::SHA256_K[t] + w[t % 16];
          d += t1;
          const auto ab = a ^ b;
          h = t1 + BigSigma0(a) + (b ^ (ab & bc));
          bc = ab;
        },
        std::make_index_sequence<64>{});
    for (int i = 0; i < 8; ++i) state_[i] += v[i];
  }
  detail::SecureWipeObject(w);
}

}  // namespace varkesh

#include "crypto/sha512.h"

#include <utility>

#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadBe64;
using detail::Rotr64;
using detail::Unroll;

// The two big sigmas (rotr 28, 34, 39 and 14, 18, 41) nested, so that each needs one copy of x
// fewer.
constexpr uint64_t BigSigma0(uint64_t x) { return Rotr64(Rotr64(Rotr64(x, 5) ^ x, 6) ^ x, 28); }

constexpr uint64_t BigSigma1(uint64_t x) { return Rotr64(Rotr64(Rotr64(x, 23) ^ x, 4) ^ x, 14); }

constexpr uint64_t SmallSigma0(uint64_t x) { return Rotr64(x, 1) ^ Rotr64(x, 8) ^ (x >> 7); }

constexpr uint64_t SmallSigma1(uint64_t x) { return Rotr64(x, 19) ^ Rotr64(x, 61) ^ (x >> 6); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sha512Base

// 80 steps over a rolling 16-word schedule. The registers rotate roles: at step t, register a
// sits at index -t mod 8 and b .. h follow it cyclically.
void Sha512Base::Compress(const uint8_t* blocks, size_t count) {
  uint64_t w[16];
  for (; count != 0; --count, blocks += 128) {
    uint64_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state_[i];
    // Majority as b ^ ((a ^ b) & (b ^ c)), where b ^ c is the previous step's a ^ b.
    uint64_t bc = v[1] ^ v[2];
    Unroll(
        [&](auto step) __attribute__((always_inline)) {
          constexpr size_t t = step;
          if constexpr (t < 16) {
            w[t] = LoadBe64(blocks + 8 * t);
          } else {
            w[t % 16] +=
                SmallSigma1(w[(t - 2) % 16]) + w[(t - 7) % 16] + SmallSigma0(w[(t - 15) % 16]);
          }
          const uint64_t a = v[(80 - t) % 8], b = v[(81 - t) % 8];
          uint64_t& d = v[(83 - t) % 8];
          const uint64_t e = v[(84 - t) % 8], f = v[(85 - t) % 8], g = v[(86 - t) % 8];
          uint64_t& h = v[(87 - t) % 8];
          const uint64_t t1 =
              h + BigSigma1(e) + (g ^ (e & (f ^ g))) + tables::SHA512_K[t] + w[t % 16];
          d += t1;
          const auto ab = a ^ b;
          h = t1 + BigSigma0(a) + (b ^ (ab & bc));
          bc = ab;
        },
        std::make_index_sequence<80>{});
    for (int i = 0; i < 8; ++i) state_[i] += v[i];
  }
  detail::SecureWipeObject(w);
}

// ---------------------------------------------------------------------------------------------
// Sha384, Sha512

bool Sha384::KnownAnswerTest() {
  return HashKnownAnswers<Sha384>({
      {"abc",
       "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c"
       "825a7"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
       "opqrsmnopqrstnopqrstu",
       "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa917"
       "46039"},
  });
}

void Sha384::Init() { Start(tables::SHA384_IV); }

void Sha384::Final(uint8_t* digest) { Finish(digest, 6); }

bool Sha512::KnownAnswerTest() {
  return HashKnownAnswers<Sha512>({
      {"abc",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3f"
       "eebbd454d4423643ce80e2a9ac94fa54ca49f"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
       "opqrsmnopqrstnopqrstu",
       "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b"
       "5433ac7d329eeb6dd26545e96e55b874be909"},
  });
}

void Sha512::Init() { Start(tables::SHA512_IV); }

void Sha512::Final(uint8_t* digest) { Finish(digest, 8); }

}  // namespace varkesh

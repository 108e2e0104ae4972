#include "crypto/sha512.h"

#include <utility>

#include "crypto/detail/cpu.h"
#include "crypto/detail/sha512_step.h"
#include "crypto/detail/unroll.h"
#include "crypto/known_answer.h"
#include "crypto/tables/sha.h"

namespace varkesh {

namespace {

using detail::LoadBe64;
using detail::Unroll;
using namespace detail::sha512;  // NOLINT(google-build-using-namespace): the step and sigmas

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sha512Base

// 80 steps over a rolling 16-word schedule; where AVX2 and BMI2 are there, a kernel computes the
// schedules in vectors instead (with AVX-512's rotations where those are there too).
void Sha512Base::Compress(const uint8_t* blocks, size_t count) {
#if VARKESH_X86
  if (detail::CpuHas(detail::kCpuAvx2 | detail::kCpuBmi2 | detail::kCpuAvx512f |
                     detail::kCpuAvx512vl))
    return kernels::Sha512Avx512(state_.data(), blocks, count);
  if (detail::CpuHas(detail::kCpuAvx2 | detail::kCpuBmi2))
    return kernels::Sha512Avx2(state_.data(), blocks, count);
#endif
  uint64_t w[16];
  for (; count != 0; --count, blocks += 128) {
    uint64_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state_[i];
    uint64_t bc = v[1] ^ v[2];
    Unroll(
        [&](auto t) __attribute__((always_inline)) {
          w[t] = LoadBe64(blocks + 8 * t);
          Step<t>(v, bc, tables::SHA512_K[t] + w[t]);
        },
        std::make_index_sequence<16>{});
    // The other 64 steps as a loop of 16 (register roles repeat every 8 steps, schedule slots
    // every 16): written out whole, they no longer fit the processor's cache of decoded
    // instructions.
#pragma GCC unroll 1
    for (size_t first = 16; first < 80; first += 16) {
      Unroll(
          [&](auto t) __attribute__((always_inline)) {
            w[t] += SmallSigma1(w[(t + 14) % 16]) + w[(t + 9) % 16] + SmallSigma0(w[(t + 1) % 16]);
            Step<t>(v, bc, tables::SHA512_K[first + t] + w[t]);
          },
          std::make_index_sequence<16>{});
    }
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

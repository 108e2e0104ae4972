#include "crypto/haval.h"

#include <utility>

#include "crypto/known_answer.h"
#include "crypto/tables/haval.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotr32;
using detail::Settled;

// The five Boolean functions. Arguments are named as in the algebraic normal forms below, x6
// first. Each is factored as R ^ (x & Q) around the argument x that receives the word the step
// before wrote (x3 in passes 1 and 2, x4 in 3 and 5, x2 in 4), with R and Q free of it: the new
// word is then one AND and one XOR away from the function's value.
constexpr uint32_t F1(
    uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1, uint32_t x0) {
  return Settled((x1 & (x0 ^ x4)) ^ (x2 & x5) ^ x0) ^ (x3 & x6);
}

constexpr uint32_t F2(
    uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1, uint32_t x0) {
  return Settled((x2 & ((x4 & x5) ^ x1 ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ x0) ^
         (x3 & ((x1 & x2) ^ x5));
}

constexpr uint32_t F3(
    uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1, uint32_t x0) {
  return Settled((x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x2 & x5) ^ x0) ^ (x1 & x4);
}

constexpr uint32_t F4(
    uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1, uint32_t x0) {
  return Settled((x4 & ((x3 & x6) ^ x1 ^ x3 ^ x5 ^ x6 ^ x0)) ^ (x3 & (x5 ^ x6)) ^ x0) ^
         (x2 & ((x1 & x3) ^ (x4 & x5) ^ x6));
}

constexpr uint32_t F5(
    uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1, uint32_t x0) {
  return Settled((x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x2 & x5) ^ (x3 & x6)) ^ (x1 & x4);
}

// The factored forms must equal the algebraic normal forms of the algorithm's definition on
// every combination of input bits.
constexpr bool MatchesNormalForm(int pass) {
  for (uint32_t bits = 0; bits < 128; ++bits) {
    const auto x = [bits](int i) -> uint32_t { return (bits >> i) & 1; };
    const uint32_t x0 = x(0), x1 = x(1), x2 = x(2), x3 = x(3), x4 = x(4), x5 = x(5), x6 = x(6);
    uint32_t normal = 0, factored = 0;
    switch (pass) {
      case 1:
        normal = (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x1) ^ x0;
        factored = F1(x6, x5, x4, x3, x2, x1, x0);
        break;
      case 2:
        normal = (x1 & x2 & x3) ^ (x2 & x4 & x5) ^ (x1 & x2) ^ (x1 & x4) ^ (x2 & x6) ^ (x3 & x5) ^
                 (x4 & x5) ^ (x0 & x2) ^ x0;
        factored = F2(x6, x5, x4, x3, x2, x1, x0);
        break;
      case 3:
        normal = (x1 & x2 & x3) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x3) ^ x0;
        factored = F3(x6, x5, x4, x3, x2, x1, x0);
        break;
      case 4:
        normal = (x1 & x2 & x3) ^ (x2 & x4 & x5) ^ (x3 & x4 & x6) ^ (x1 & x4) ^ (x2 & x6) ^
                 (x3 & x4) ^ (x3 & x5) ^ (x3 & x6) ^ (x4 & x5) ^ (x4 & x6) ^ (x0 & x4) ^ x0;
        factored = F4(x6, x5, x4, x3, x2, x1, x0);
        break;
      default:
        normal = (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x1 & x2 & x3) ^ (x0 & x5) ^ x0;
        factored = F5(x6, x5, x4, x3, x2, x1, x0);
        break;
    }
    if ((factored & 1) != normal)
      return false;
  }
  return true;
}

static_assert(MatchesNormalForm(1) && MatchesNormalForm(2) && MatchesNormalForm(3) &&
              MatchesNormalForm(4) && MatchesNormalForm(5));

// Input permutation of each pass for five-pass HAVAL: kPhi[p - 1][i] is the working word (t0..t7
// by its number) handed to pass p's function as its i-th argument (x6 first).
constexpr int kPhi[5][7] = {
    {3, 4, 1, 0, 5, 2, 6}, {6, 2, 1, 0, 3, 4, 5}, {2, 6, 0, 4, 3, 1, 5},
    {1, 5, 3, 2, 0, 4, 6}, {2, 5, 0, 6, 4, 3, 1},
};

template <int kPass>
constexpr uint8_t Order(size_t j) {
  if constexpr (kPass == 1)
    return static_cast<uint8_t>(j);
  else if constexpr (kPass == 2)
    return tables::HAVAL_ORDER2[j];
  else if constexpr (kPass == 3)
    return tables::HAVAL_ORDER3[j];
  else if constexpr (kPass == 4)
    return tables::HAVAL_ORDER4[j];
  else
    return tables::HAVAL_ORDER5[j];
}

template <int kPass>
constexpr uint32_t Constant(size_t j) {
  if constexpr (kPass == 1)
    return 0;
  else if constexpr (kPass == 2)
    return tables::HAVAL_K2[j];
  else if constexpr (kPass == 3)
    return tables::HAVAL_K3[j];
  else if constexpr (kPass == 4)
    return tables::HAVAL_K4[j];
  else
    return tables::HAVAL_K5[j];
}

template <int kPass>
inline uint32_t F(
    uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f, uint32_t g) {
  if constexpr (kPass == 1)
    return F1(a, b, c, d, e, f, g);
  else if constexpr (kPass == 2)
    return F2(a, b, c, d, e, f, g);
  else if constexpr (kPass == 3)
    return F3(a, b, c, d, e, f, g);
  else if constexpr (kPass == 4)
    return F4(a, b, c, d, e, f, g);
  else
    return F5(a, b, c, d, e, f, g);
}

// Step j of a pass. The working words rotate roles each step (the new word becomes t0, the old
// t0 becomes t1, ...); instead of moving them, word k of step j lives in v[(k - j) mod 8], so
// after 32 steps every word is back in its own slot.
template <int kPass, size_t kStep>
inline void Step(uint32_t (&v)[8], const uint32_t (&w)[32]) {
  constexpr auto slot = [](int k) {
    return static_cast<size_t>((k - static_cast<int>(kStep)) & 7);
  };
  constexpr const int* phi = kPhi[kPass - 1];
  const uint32_t p = F<kPass>(v[slot(phi[0])], v[slot(phi[1])], v[slot(phi[2])], v[slot(phi[3])],
                              v[slot(phi[4])], v[slot(phi[5])], v[slot(phi[6])]);
  uint32_t& t7 = v[slot(7)];
  t7 = Rotr32(p, tables::HAVAL_ROTATIONS[0]) +
       Settled(Rotr32(t7, tables::HAVAL_ROTATIONS[1]) + w[Order<kPass>(kStep)] +
               Constant<kPass>(kStep));
}

template <int kPass, size_t... kSteps>
inline void Pass(uint32_t (&v)[8], const uint32_t (&w)[32], std::index_sequence<kSteps...>) {
  (Step<kPass, kSteps>(v, w), ...);
}

template <int kPass>
inline void Pass(uint32_t (&v)[8], const uint32_t (&w)[32]) {
  Pass<kPass>(v, w, std::make_index_sequence<32>());
}

}  // namespace

bool Haval::KnownAnswerTest() {
  return HashKnownAnswers<Haval>({
      {"abcdefghijklmnopqrstuvwxyz",
       "1a1dc8099bdaa7f35b4da4e805f1a28fee909d8dee920198185cbcaed8a10a8d"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "c5647fc6c1877fff96742f27e9266b6874894f41a08f5913033d9d532aeddb39"},
  });
}

void Haval::Compress(const uint8_t* blocks, size_t count) {
  uint32_t w[32];
  for (; count != 0; --count, blocks += 128) {
    for (int i = 0; i < 32; ++i) w[i] = LoadLe32(blocks + 4 * i);
    uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = state_[i];
    Pass<1>(v, w);
    Pass<2>(v, w);
    Pass<3>(v, w);
    Pass<4>(v, w);
    Pass<5>(v, w);
    for (int i = 0; i < 8; ++i) state_[i] += v[i];
  }
  detail::SecureWipeObject(w);
}

}  // namespace varkesh

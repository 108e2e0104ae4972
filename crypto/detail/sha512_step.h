// The step of SHA-384/512's compression function, shared by the portable code and the kernels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/detail/bytes.h"

namespace varkesh::detail::sha512 {

// The two big sigmas (rotr 28, 34, 39 and 14, 18, 41) nested, so that each needs one copy of x
// fewer.
constexpr uint64_t BigSigma0(uint64_t x) { return Rotr64(Rotr64(Rotr64(x, 5) ^ x, 6) ^ x, 28); }

constexpr uint64_t BigSigma1(uint64_t x) { return Rotr64(Rotr64(Rotr64(x, 23) ^ x, 4) ^ x, 14); }

constexpr uint64_t SmallSigma0(uint64_t x) { return Rotr64(x, 1) ^ Rotr64(x, 8) ^ (x >> 7); }

constexpr uint64_t SmallSigma1(uint64_t x) { return Rotr64(x, 19) ^ Rotr64(x, 61) ^ (x >> 6); }

// Step t with `wk` = W[t] + K[t]. The registers rotate roles: at step t, register a sits at
// index -t mod 8 and b .. h follow it cyclically. Majority is b ^ ((a ^ b) & (b ^ c)), where
// b ^ c (in bc) is the previous step's a ^ b.
// (The vector kernels have a step of their own, in sha512_kernel.h.)
template <size_t t>
[[gnu::always_inline]] inline void Step(uint64_t* v, uint64_t& bc, uint64_t wk) {
  const uint64_t a = v[(80 - t) % 8], b = v[(81 - t) % 8];
  uint64_t& d = v[(83 - t) % 8];
  const uint64_t e = v[(84 - t) % 8], f = v[(85 - t) % 8], g = v[(86 - t) % 8];
  uint64_t& h = v[(87 - t) % 8];
  const uint64_t ab = a ^ b;
  const uint64_t maj = b ^ (ab & bc);
  bc = ab;
  const uint64_t t1 = h + BigSigma1(e) + (g ^ (e & (f ^ g))) + wk;
  d += t1;
  h = t1 + BigSigma0(a) + maj;
}

}  // namespace varkesh::detail::sha512

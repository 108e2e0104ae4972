// Byte-order loads and stores, rotations and the one wipe the compiler may not drop.
// Every algorithm reads and writes its words through these, so they work at any alignment
// and on any host byte order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace varkesh::detail {

constexpr uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr uint32_t LoadBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

constexpr uint64_t LoadLe64(const uint8_t* p) {
  return uint64_t{LoadLe32(p)} | uint64_t{LoadLe32(p + 4)} << 32;
}

constexpr uint64_t LoadBe64(const uint8_t* p) {
  return uint64_t{LoadBe32(p)} << 32 | uint64_t{LoadBe32(p + 4)};
}

constexpr void StoreLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

constexpr void StoreLe64(uint8_t* p, uint64_t v) {
  StoreLe32(p, static_cast<uint32_t>(v));
  StoreLe32(p + 4, static_cast<uint32_t>(v >> 32));
}

constexpr void StoreBe64(uint8_t* p, uint64_t v) {
  StoreBe32(p, static_cast<uint32_t>(v >> 32));
  StoreBe32(p + 4, static_cast<uint32_t>(v));
}

// Rotations by any count; the count is reduced modulo the width as the ciphers expect.
// Keeps the compiler from reassociating a partial sum (or XOR) across this point, for step
// functions that order their additions for latency: the terms known early summed first, the
// newest register last.
template <class T>
[[gnu::always_inline]] constexpr T Settled(T x) {
#if defined(__GNUC__) || defined(__clang__)
  if (!std::is_constant_evaluated())
    __asm__("" : "+r"(x));
#endif
  return x;
}

constexpr uint32_t Rotl32(uint32_t v, unsigned n) { return std::rotl(v, static_cast<int>(n & 31)); }

constexpr uint32_t Rotr32(uint32_t v, unsigned n) { return std::rotr(v, static_cast<int>(n & 31)); }

constexpr uint64_t Rotr64(uint64_t v, unsigned n) { return std::rotr(v, static_cast<int>(n & 63)); }

// XOR of n bytes, eight at a time; out may be the same memory as a or b.
inline void XorBytes(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    x ^= y;
    std::memcpy(out + i, &x, 8);
  }
  for (; i < n; ++i) out[i] = static_cast<uint8_t>(a[i] ^ b[i]);
}

// Fills n bytes with `fill` so that the store survives even when the memory is never read again
// (key schedules about to be freed, digests used as keys): a plain memset, followed by an empty
// assembly statement that the compiler must assume reads the memory.
inline void SecureWipe(void* p, size_t n, uint8_t fill = 0) {
#if defined(__GNUC__) || defined(__clang__)
  if (n == 0)
    return;  // p may be null then, and memset must not see a null pointer
  std::memset(p, fill, n);
  __asm__ __volatile__("" : : "r"(p) : "memory");
#else
  auto* v = static_cast<volatile uint8_t*>(p);
  for (size_t i = 0; i < n; ++i) v[i] = fill;
#endif
}

template <class T>
inline void SecureWipeObject(T& object, uint8_t fill = 0) {
  SecureWipe(&object, sizeof(object), fill);
}

}  // namespace varkesh::detail

// Independent blocks side by side. A table-driven round is a chain of dependent loads, so one
// block leaves the processor waiting on each look-up; several blocks whose rounds are written
// lane by lane let those chains overlap. The block functions of the ciphers are templates on
// the lane count, and RunLanes feeds them a run of blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varkesh::detail {

// `body.template operator()<N>(in, out)` transforms N consecutive blocks of kBlockBytes, reading
// all of them before it writes any (so in == out works). Full groups of kLanes go first, then at
// most one group of kTailLanes (if above 1); the rest runs one block at a time. The body is
// inlined with everything it calls: its lanes only overlap when the compiler sees them side by
// side.
template <size_t kLanes, size_t kBlockBytes, size_t kTailLanes = 1, class Body>
[[gnu::flatten]] inline void RunLanes(const uint8_t* in,
                                      uint8_t* out,
                                      size_t blocks,
                                      const Body& body) {
  static_assert(kTailLanes < kLanes);
  for (; blocks >= kLanes;
       blocks -= kLanes, in += kLanes * kBlockBytes, out += kLanes * kBlockBytes)
    body.template operator()<kLanes>(in, out);
  if constexpr (kTailLanes > 1) {
    if (blocks >= kTailLanes) {
      body.template operator()<kTailLanes>(in, out);
      blocks -= kTailLanes, in += kTailLanes * kBlockBytes, out += kTailLanes * kBlockBytes;
    }
  }
  for (; blocks != 0; --blocks, in += kBlockBytes, out += kBlockBytes)
    body.template operator()<1>(in, out);
}

// v, as a value the compiler may not combine with others: partial results that are kept apart
// this way stay a balanced tree of operations instead of being reassociated into one long chain,
// which is what sets the latency of a table-driven round.
template <class T>
[[gnu::always_inline]] inline T KeepApart(T v) {
#if defined(__GNUC__) || defined(__clang__)
  __asm__("" : "+r"(v));
#endif
  return v;
}

}  // namespace varkesh::detail

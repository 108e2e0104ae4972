// A loop written out at compile time, for the step sequences of the compression functions.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace varkesh::detail {

// Calls f(std::integral_constant<size_t, I>) for I = 0 .. N-1 in order, so that every step sees
// its word index, schedule slot and register roles as compile-time constants.
template <class F, size_t... I>
[[gnu::always_inline]] inline void Unroll(F&& f, std::index_sequence<I...>) {
  (f(std::integral_constant<size_t, I>{}), ...);
}

}  // namespace varkesh::detail

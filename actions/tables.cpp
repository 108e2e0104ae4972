#include "actions/tables.h"

#include <array>
#include <string>

#include "varkesh/algorithms.h"

namespace varkesh {

std::span<const int> HashingActionTable() {
  static constexpr std::array<int, 3> kTable{2, 4, 6};  // MD5, RIPEMD-160, SHA-256
  return kTable;
}

const HashClass& HashingActionHash(int32_t index) {
  const auto table = HashingActionTable();
  if (index < 0 || static_cast<size_t>(index) >= table.size())
    throw Error("Invalid hash index: " + std::to_string(index));
  return HashAt(table[static_cast<size_t>(index)]);
}

}  // namespace varkesh

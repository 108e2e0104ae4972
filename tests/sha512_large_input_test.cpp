// One Update beyond 4 GiB on the 128-byte-block hashes, whose bit count is kept in two 64-bit
// halves by code of their own. Slow in unoptimised builds; `ctest -E large_input` leaves it out.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include "crypto/detail/hex.h"
#include "crypto/sha512.h"

namespace varkesh::test {
namespace {

TEST(Sha512LargeInput, OneUpdateBeyondFourGibibytes) {
  if constexpr (sizeof(size_t) < 8)
    GTEST_SKIP() << "needs 64-bit sizes";
  const size_t size = (size_t{4} << 30) + (size_t{1} << 20);
  // Untouched anonymous memory: every page is the shared zero page and costs no RSS.
  void* zeros = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(zeros, MAP_FAILED);
  Sha512 sha512;
  sha512.Init();
  sha512.Update(static_cast<const uint8_t*>(zeros), size);
  uint8_t digest[64];
  sha512.Final(digest);
  munmap(zeros, size);
  // sha512sum of head -c 4296015872 /dev/zero
  EXPECT_EQ(detail::ToHex(digest, 64),
            "EAC1685671CC2060315888746DE072398116C0C83B7EE9463F0576E11BFDEA9C"
            "DD5DDBF291FB3FFC4EE8A1B459C798D9FB9B50B7845E2871C4B1402470AAF4C0");
}

}  // namespace
}  // namespace varkesh::test

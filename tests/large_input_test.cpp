// Inputs beyond 4 GiB: sizes are 64-bit throughout, so nothing may be cut to 32 bits. Slow in
// unoptimised builds; `ctest -E large_input` leaves it out while iterating.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include "crypto/detail/hex.h"
#include "crypto/md5.h"

namespace varkesh::test {
namespace {

// Sizes are 64-bit: one Update over more than 4 GiB must not be cut to its low 32 bits. The
// buffer is untouched anonymous memory, so every page is the shared zero page and costs no RSS.
TEST(HashLargeInput, OneUpdateBeyondFourGibibytes) {
  if constexpr (sizeof(size_t) < 8)
    GTEST_SKIP() << "needs 64-bit sizes";
  const size_t size = (size_t{4} << 30) + (size_t{1} << 20);
  void* zeros = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(zeros, MAP_FAILED);
  Md5 md5;
  md5.Init();
  md5.Update(static_cast<const uint8_t*>(zeros), size);
  uint8_t digest[16];
  md5.Final(digest);
  munmap(zeros, size);
  // md5sum of head -c 4296015872 /dev/zero
  EXPECT_EQ(detail::ToHex(digest, 16), "BB5F534251D9B95AD40B14D16F88F709");
}

}  // namespace
}  // namespace varkesh::test

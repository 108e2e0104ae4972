// Inputs beyond 4 GiB: sizes are 64-bit throughout, so nothing may be cut to 32 bits. Slow in
// unoptimised builds; `ctest -E large_input` leaves it out while iterating.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <string>
#include <vector>

#include "crypto/detail/hex.h"
#include "crypto/md5.h"
#include "crypto/sha512.h"

namespace varkesh::test {
namespace {

constexpr size_t kBeyondFourGibibytes = (size_t{4} << 30) + (size_t{1} << 20);

// One Update over kBeyondFourGibibytes zero bytes. The buffer is untouched anonymous memory, so
// every page is the shared zero page and costs no RSS.
std::string DigestOfZeros(Hash& hash) {
  void* zeros = mmap(nullptr, kBeyondFourGibibytes, PROT_READ,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (zeros == MAP_FAILED)
    return "mmap failed";
  hash.Init();
  hash.Update(static_cast<const uint8_t*>(zeros), kBeyondFourGibibytes);
  std::vector<uint8_t> digest(hash.DigestBytes());
  hash.Final(digest.data());
  munmap(zeros, kBeyondFourGibibytes);
  return detail::ToHex(digest);
}

// Sizes are 64-bit: one Update over more than 4 GiB must not be cut to its low 32 bits.
TEST(HashLargeInput, OneUpdateBeyondFourGibibytes) {
  if constexpr (sizeof(size_t) < 8)
    GTEST_SKIP() << "needs 64-bit sizes";
  Md5 md5;
  // md5sum of head -c 4296015872 /dev/zero
  EXPECT_EQ(DigestOfZeros(md5), "BB5F534251D9B95AD40B14D16F88F709");
}

// The 128-byte-block hashes keep their bit count in two 64-bit halves, by code of their own.
TEST(HashLargeInput, OneUpdateBeyondFourGibibytesWithTheWideCounter) {
  if constexpr (sizeof(size_t) < 8)
    GTEST_SKIP() << "needs 64-bit sizes";
  Sha512 sha512;
  // sha512sum of head -c 4296015872 /dev/zero
  EXPECT_EQ(DigestOfZeros(sha512),
            "EAC1685671CC2060315888746DE072398116C0C83B7EE9463F0576E11BFDEA9C"
            "DD5DDBF291FB3FFC4EE8A1B459C798D9FB9B50B7845E2871C4B1402470AAF4C0");
}

}  // namespace
}  // namespace varkesh::test

// Inputs beyond 4 GiB: sizes are 64-bit throughout, so nothing may be cut to 32 bits. Slow in
// unoptimised builds; `ctest -E large_input` leaves it out while iterating.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "actions/actions.h"
#include "crypto/md5.h"
#include "crypto/sha512.h"
#include "varkesh/algorithms.h"
#include "varkesh/hex.h"

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
  return ToHex(digest);
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

// The file action processes a source of 4 GiB and more whole: a 32-bit count would encrypt
// only its last (size mod 2^32) bytes' worth and report success. The source is a sparse file of
// zeros; the check decrypts the first blocks and the tail (CBC needs only the cipher block
// before them) instead of the whole file.
TEST(LargeFile, EncryptsEveryByteBeyondFourGibibytes) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("varkesh-large-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path plain = dir / "plain", enc = dir / "enc";
  const uint64_t size = (uint64_t{4} << 30) + 8193;  // ends in a partial block of 1 byte
  std::ofstream(plain).close();
  fs::resize_file(plain, size);  // sparse: no disk space for the zeros

  // Rijndael (15) with SHA-256 (6): the fastest cipher in CBC on most machines.
  ASSERT_TRUE(RunFileCipher(plain.string(), enc.string(), "large", "15", "6", "0"));
  ASSERT_EQ(fs::file_size(enc), size);

  const auto cipher = CipherTable()[15].cls->create();
  auto& rijndael = dynamic_cast<BlockCipher&>(*cipher);
  std::ifstream in(enc, std::ios::binary);
  const auto read = [&](uint64_t offset, size_t n) {
    std::vector<uint8_t> bytes(n);
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(n));
    return bytes;
  };
  rijndael.InitFromPassPhrase("large", *HashTable()[6].cls);
  std::vector<uint8_t> head = read(0, 64);
  rijndael.Decrypt(head.data(), head.data(), head.size());
  EXPECT_EQ(head, std::vector<uint8_t>(64, 0));

  const uint64_t tail_start = size - 1 - 16 * 100;  // the last 100 full blocks and the 1 byte
  const std::vector<uint8_t> previous = read(tail_start - 16, 16);
  std::vector<uint8_t> tail = read(tail_start, static_cast<size_t>(size - tail_start));
  rijndael.LoadIV(previous.data());
  rijndael.Decrypt(tail.data(), tail.data(), tail.size());
  EXPECT_EQ(tail, std::vector<uint8_t>(tail.size(), 0));
  in.close();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace varkesh::test

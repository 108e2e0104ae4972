// The Hash life cycle and the feeding operations, on a real hash and on the bare base class.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "crypto/md5.h"
#include "tests/test_streams.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"
#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

std::string Md5Hex(std::string_view message) {
  Md5 md5;
  md5.Init();
  md5.UpdateText(message);
  uint8_t digest[16];
  md5.Final(digest);
  return ToHex(digest, sizeof(digest));
}

TEST(HashLifeCycle, RefusesDataWhileIdle) {
  Md5 md5;
  uint8_t digest[16] = {};
  const auto expect_refused = [](auto&& call) {
    try {
      call();
      FAIL() << "expected HashError";
    } catch (const HashError& e) {
      EXPECT_STREQ(e.what(), "Hash not initialized");
    }
  };
  expect_refused([&] { md5.Update(digest, 0); });
  expect_refused([&] { md5.Final(digest); });
  md5.Init();
  md5.Final(digest);
  EXPECT_FALSE(md5.Initialized());
  expect_refused([&] { md5.Final(digest); });  // Final twice
  expect_refused([&] { md5.UpdateText(""); });
  md5.Init();
  md5.Wipe();
  expect_refused([&] { md5.Final(digest); });
  // Init again makes it usable, and Init discards a digest in progress.
  md5.Init();
  md5.UpdateText("discarded");
  md5.Init();
  md5.UpdateText("abc");
  md5.Final(digest);
  EXPECT_EQ(ToHex(digest, 16), Md5Hex("abc"));
}

TEST(HashLifeCycle, IdentityWithAndWithoutAnInstance) {
  const Md5 md5;
  EXPECT_EQ(Md5::ClassId(), 16);
  EXPECT_EQ(md5.Id(), 16);
  EXPECT_EQ(md5.Algorithm(), "MD5");
  EXPECT_EQ(md5.HashSize(), 128);
  EXPECT_EQ(&md5.Class(), &HashClassOf<Md5>());
  EXPECT_TRUE(Md5::KnownAnswerTest());
}

TEST(HashLifeCycle, BareBaseClassAcceptsEverythingAndDoesNothing) {
  Hash hash;
  EXPECT_EQ(hash.Id(), -1);
  EXPECT_EQ(hash.Algorithm(), "");
  EXPECT_EQ(hash.HashSize(), -1);
  EXPECT_FALSE(Hash::KnownAnswerTest());
  uint8_t buffer[4] = {1, 2, 3, 4};
  hash.Update(buffer, 4);
  hash.Init();
  hash.Final(buffer);
  EXPECT_EQ(ToHex(buffer, 4), "01020304");
  EXPECT_FALSE(hash.Initialized());
}

TEST(HashFromStream, ShortReadsFeedOnlyWhatArrived) {
  const std::string data(20000, 'x');

  struct Case {
    uint64_t size;
    size_t max_read;
    int reads;
    size_t hashed;
  };

  for (const Case c : {
           Case{20000, 8192, 3, 20000},       // two full chunks and a rest
           Case{20000, 1000, 3, 3000},        // every read short
           Case{30000, 8192, 4, 20000},       // the stream ends early: the later reads give 0
           Case{8192, 8192, 1, 8192},         // exactly one chunk, no rest
           Case{0, 8192, 0, 0},               // size 0: no read at all
           Case{UINT64_MAX, 8192, 4, 20000},  // unknown length: up to the first empty read
       }) {
    MemoryReader reader(data, c.max_read);
    Md5 md5;
    md5.Init();
    md5.UpdateFromStream(reader, c.size);
    uint8_t digest[16];
    md5.Final(digest);
    EXPECT_EQ(reader.reads, c.reads) << c.size << "/" << c.max_read;
    EXPECT_EQ(ToHex(digest, 16), Md5Hex(data.substr(0, c.hashed))) << c.size << "/" << c.max_read;
  }
}

TEST(HashFromStream, SizeZeroOnAnIdleHashDoesNotRaise) {
  MemoryReader reader("", 1);
  Md5 md5;
  EXPECT_NO_THROW(md5.UpdateFromStream(reader, 0));
  EXPECT_THROW(md5.UpdateFromStream(reader, 1), HashError);
}

TEST(HashFromStream, ReadErrorPropagatesAndLeavesTheHashRunning) {
  class FailingReader final : public ByteReader {
   public:
    size_t Read(uint8_t* buffer, size_t count) override {
      if (calls++ == 1)
        throw std::runtime_error("disk gone");
      std::fill_n(buffer, count, uint8_t{'x'});
      return count;
    }

    int calls = 0;
  } reader;

  Md5 md5;
  md5.Init();
  EXPECT_THROW(md5.UpdateFromStream(reader, 3 * kStreamChunk), std::runtime_error);
  EXPECT_TRUE(md5.Initialized());
  uint8_t digest[16];
  md5.Final(digest);
  EXPECT_EQ(ToHex(digest, 16), Md5Hex(std::string(kStreamChunk, 'x')));
}

// A file's sum reads a first chunk, then large reads to the end; short reads anywhere (a pipe)
// must neither end it early nor feed anything twice.
TEST(HashFromStream, FileSumsEqualTheSumOfTheBytes) {
  for (const size_t size : {size_t{0}, size_t{1}, kStreamChunk - 1, kStreamChunk, kStreamChunk + 1,
                            9 * kStreamChunk + 5, 30 * kStreamChunk}) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 131 + i / 7);
    for (const size_t max_read : {size_t{1000}, kStreamChunk - 1, SIZE_MAX}) {
      MemoryReader reader(data, max_read);
      EXPECT_EQ(HashSum(HashClassOf<Md5>(), reader), Md5Hex(data)) << size << "/" << max_read;
    }
  }
}

}  // namespace
}  // namespace varkesh::test

// Haval and Tiger keep their own life-cycle checks: refusals while idle and after Final, and a
// Wipe or a new Init that leaves nothing of the discarded message behind.
#include <gtest/gtest.h>

#include <vector>

#include "crypto/haval.h"
#include "crypto/tiger.h"
#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

template <class T>
class HavalTigerLifeCycle : public testing::Test {};

using Classes = testing::Types<Haval, Tiger>;
TYPED_TEST_SUITE(HavalTigerLifeCycle, Classes);

template <class T>
void ExpectRefused(T& hash) {
  std::vector<uint8_t> digest(T::ClassHashSize() / 8, 0xA5);
  const uint8_t byte = 0;
  for (const bool final : {false, true}) {
    try {
      if (final)
        hash.Final(digest.data());
      else
        hash.Update(&byte, 0);
      ADD_FAILURE() << (final ? "Final" : "Update") << " was accepted";
    } catch (const HashError& e) {
      EXPECT_STREQ(e.what(), "Hash not initialized");
    }
  }
  EXPECT_EQ(digest, std::vector<uint8_t>(digest.size(), 0xA5)) << "refused Final wrote";
}

template <class T>
std::vector<uint8_t> Finish(T& hash) {
  std::vector<uint8_t> digest(T::ClassHashSize() / 8);
  hash.Final(digest.data());
  return digest;
}

TYPED_TEST(HavalTigerLifeCycle, RefusesWhileIdleAndForgetsDiscardedData) {
  TypeParam hash;
  ExpectRefused(hash);  // new

  hash.Init();
  hash.UpdateText("abc");
  const std::vector<uint8_t> abc = Finish(hash);
  EXPECT_FALSE(hash.Initialized());
  ExpectRefused(hash);  // after Final

  // A part block and a whole one, then Wipe: refused until Init, and then nothing of them counts.
  const std::vector<uint8_t> junk(200, 0x5A);
  hash.Init();
  hash.Update(junk.data(), junk.size());
  hash.Wipe();
  ExpectRefused(hash);
  hash.Init();
  hash.UpdateText("abc");
  EXPECT_EQ(Finish(hash), abc) << "after Wipe";

  // Init in the middle of a message starts afresh.
  hash.Init();
  hash.Update(junk.data(), junk.size());
  hash.Init();
  hash.UpdateText("abc");
  EXPECT_EQ(Finish(hash), abc) << "after a second Init";

  EXPECT_TRUE(TypeParam::KnownAnswerTest());
}

}  // namespace
}  // namespace varkesh::test

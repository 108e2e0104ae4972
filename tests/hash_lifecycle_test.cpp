// The life cycle of each concrete hash: refusals while idle, Final ending a run, Init starting
// afresh, and Final writing exactly the digest size into the caller's buffer.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "crypto/md4.h"
#include "crypto/ripemd128.h"
#include "crypto/ripemd160.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"

namespace varkesh::test {
namespace {

const HashClass* const kClasses[] = {
    &HashClassOf<Md4>(),    &HashClassOf<Ripemd128>(), &HashClassOf<Ripemd160>(),
    &HashClassOf<Sha1>(),   &HashClassOf<Sha256>(),    &HashClassOf<Sha384>(),
    &HashClassOf<Sha512>(),
};

class HashLifeCycle : public testing::TestWithParam<const HashClass*> {};

void ExpectRefused(const std::function<void()>& call, const char* what) {
  try {
    call();
    ADD_FAILURE() << what << ": expected HashError";
  } catch (const HashError& e) {
    EXPECT_STREQ(e.what(), "Hash not initialized") << what;
  }
}

TEST_P(HashLifeCycle, RefusesWhileIdleAndRestartsOnInit) {
  const std::unique_ptr<Hash> hash = GetParam()->create();
  const size_t size = hash->DigestBytes();
  ASSERT_EQ(size * 8, static_cast<size_t>(GetParam()->hash_size));
  std::vector<uint8_t> reference(size), digest(size);
  hash->Init();
  hash->UpdateText("abc");
  hash->Final(reference.data());

  const std::unique_ptr<Hash> fresh = GetParam()->create();
  EXPECT_FALSE(fresh->Initialized());
  ExpectRefused([&] { fresh->Update(digest.data(), 0); }, "Update on a new object");
  ExpectRefused([&] { fresh->Final(digest.data()); }, "Final on a new object");

  // After Final, and after Wipe in the middle of a message.
  EXPECT_FALSE(hash->Initialized());
  ExpectRefused([&] { hash->UpdateText("abc"); }, "Update after Final");
  ExpectRefused([&] { hash->Final(digest.data()); }, "Final after Final");
  hash->Init();
  hash->UpdateText("ab");
  hash->Wipe();
  ExpectRefused([&] { hash->UpdateText("c"); }, "Update after Wipe");

  // Init discards whatever was fed before it, also a partial block.
  hash->Init();
  hash->UpdateText(std::string(200, 'x'));
  hash->Init();
  hash->UpdateText("abc");
  hash->Final(digest.data());
  EXPECT_EQ(digest, reference);
}

TEST_P(HashLifeCycle, FinalWritesExactlyTheDigest) {
  const std::unique_ptr<Hash> hash = GetParam()->create();
  const size_t size = hash->DigestBytes();
  std::vector<uint8_t> buffer(size + 16, 0xA5);
  hash->Init();
  hash->UpdateText("abc");
  hash->Final(buffer.data());
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + static_cast<ptrdiff_t>(size), buffer.end()),
            std::vector<uint8_t>(16, 0xA5));
}

std::string ClassName(const testing::TestParamInfo<const HashClass*>& info) {
  std::string name;
  for (const char c : info.param->algorithm)
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += c;
  return name;
}

INSTANTIATE_TEST_SUITE_P(Hashes, HashLifeCycle, testing::ValuesIn(kClasses), ClassName);

}  // namespace
}  // namespace varkesh::test

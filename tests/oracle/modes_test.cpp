// The five chaining modes on a real cipher against OpenSSL's: AES with random keys, IVs and
// whole-block messages in CBC, 8-bit CFB, block CFB, OFB and CTR, both directions, one call and
// split calls. (Partial final blocks follow our own rule and are checked elsewhere.)
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "crypto/rijndael.h"
#include "tests/oracle/openssl.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

struct Mode {
  ChainingMode ours;
  const char* openssl;  // for a 128-bit key
};

TEST(ModesAgainstOpenSsl, EveryModeBothWays) {
  const Mode modes[] = {{cmCBC, "AES-128-CBC"},
                        {cmCFB8bit, "AES-128-CFB8"},
                        {cmCFBblock, "AES-128-CFB"},
                        {cmOFB, "AES-128-OFB"},
                        {cmCTR, "AES-128-CTR"}};
  std::mt19937 rng(20261210);
  const auto random = [&](size_t n) {
    Bytes v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
  };
  for (const Mode& mode : modes) {
    for (int trial = 0; trial < 20; ++trial) {
      const Bytes key = random(16);
      Bytes iv = random(16);
      if (trial == 0)
        iv.assign(16, 0xFF);  // the counter wraps to zero at once
      const size_t blocks = 1 + rng() % 40;
      const Bytes plain = random(16 * blocks);
      const Bytes expected = OpenSslCipher(mode.openssl, key, iv, plain, true);

      Rijndael cipher;
      cipher.SetCipherMode(mode.ours);
      cipher.Init(key.data(), 128, iv.data());
      Bytes out(plain.size());
      const size_t split = 16 * (rng() % (blocks + 1));
      cipher.Encrypt(plain.data(), out.data(), split);
      cipher.Encrypt(plain.data() + split, out.data() + split, plain.size() - split);
      ASSERT_EQ(out, expected) << mode.openssl << " trial " << trial;

      cipher.Reset();
      cipher.Decrypt(out.data(), out.data(), out.size());
      ASSERT_EQ(out, plain) << mode.openssl << " trial " << trial;
      EXPECT_EQ(OpenSslCipher(mode.openssl, key, iv, expected, false), plain);
    }
  }
}

}  // namespace
}  // namespace varkesh::test

// The five chaining modes on a real cipher against OpenSSL's: AES with random keys, IVs and
// whole-block messages in CBC, 8-bit CFB, block CFB, OFB and CTR, both directions, one call and
// split calls. (Partial final blocks follow our own rule and are checked elsewhere.)
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <random>
#include <vector>

#include "crypto/rijndael.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

struct Mode {
  ChainingMode ours;
  const char* openssl;  // for a 128-bit key
};

Bytes OpenSsl(const char* name, const Bytes& key, const Bytes& iv, const Bytes& in, bool encrypt) {
  std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(
      EVP_CIPHER_fetch(nullptr, name, nullptr), EVP_CIPHER_free);
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free);
  EXPECT_TRUE(cipher && ctx);
  EVP_CipherInit_ex2(ctx.get(), cipher.get(), key.data(), iv.data(), encrypt ? 1 : 0, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  Bytes out(in.size());
  int n = 0;
  EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size()));
  return out;
}

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
      const Bytes expected = OpenSsl(mode.openssl, key, iv, plain, true);

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
      EXPECT_EQ(OpenSsl(mode.openssl, key, iv, expected, false), plain);
    }
  }
}

}  // namespace
}  // namespace varkesh::test

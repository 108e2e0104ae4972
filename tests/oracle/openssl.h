// OpenSSL as an oracle: its providers, and one call through any of its ciphers.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varkesh::test {

// The older algorithms (MD4, RIPEMD-160, Blowfish, CAST5, DES, RC4 …) live in the legacy
// provider, and loading it replaces the implicit default one, so both are loaded. Both are
// unloaded at the end so that the leak checker sees nothing of OpenSSL's.
class OpenSslProviders : public testing::Environment {
 public:
  void SetUp() override {
    legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
    default_ = OSSL_PROVIDER_load(nullptr, "default");
    ASSERT_NE(legacy_, nullptr);
    ASSERT_NE(default_, nullptr);
  }

  void TearDown() override {
    if (legacy_ != nullptr)
      OSSL_PROVIDER_unload(legacy_);
    if (default_ != nullptr)
      OSSL_PROVIDER_unload(default_);
  }

 private:
  OSSL_PROVIDER* legacy_ = nullptr;
  OSSL_PROVIDER* default_ = nullptr;
};

inline testing::Environment* const kOpenSslProviders =
    testing::AddGlobalTestEnvironment(new OpenSslProviders);

// `in` through the named OpenSSL cipher in one call, padding off (whole blocks, or a stream
// cipher); the key length is set explicitly for the variable-length ciphers. Empty, with a test
// failure, when OpenSSL refuses.
inline std::vector<uint8_t> OpenSslCipher(const std::string& name,
                                          const std::vector<uint8_t>& key,
                                          const std::vector<uint8_t>& iv,
                                          const std::vector<uint8_t>& in,
                                          bool encrypt) {
  const std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(
      EVP_CIPHER_fetch(nullptr, name.c_str(), nullptr), EVP_CIPHER_free);
  const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                            EVP_CIPHER_CTX_free);
  const int enc = encrypt ? 1 : 0;
  std::vector<uint8_t> out(in.size() + 16);
  int n = 0, tail = 0;
  if (cipher == nullptr || ctx == nullptr ||
      EVP_CipherInit_ex2(ctx.get(), cipher.get(), nullptr, nullptr, enc, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key.size())) != 1 ||
      EVP_CipherInit_ex2(ctx.get(), nullptr, key.data(), iv.empty() ? nullptr : iv.data(), enc,
                         nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
      EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail) != 1) {
    ADD_FAILURE() << "OpenSSL refused " << name << " with a " << key.size() << "-byte key";
    return {};
  }
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

}  // namespace varkesh::test

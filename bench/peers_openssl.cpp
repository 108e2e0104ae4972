// OpenSSL's libcrypto through EVP, with the legacy provider for the older algorithms.
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <map>
#include <memory>
#include <string>

#include "bench/peers.h"

namespace varkesh::bench {

namespace {

void LoadProviders() {
  static const bool loaded = [] {
    OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER_load(nullptr, "default");
    return true;
  }();
  (void)loaded;
}

MakeWork Hash(std::string_view algorithm) {
  static const std::map<std::string_view, const char*> kNames = {
      {"md4", "MD4"},       {"md5", "MD5"},       {"rmd160", "RIPEMD160"}, {"sha1", "SHA1"},
      {"sha256", "SHA256"}, {"sha384", "SHA384"}, {"sha512", "SHA512"}};
  const auto it = kNames.find(algorithm);
  if (it == kNames.end())
    return {};
  LoadProviders();
  std::shared_ptr<EVP_MD> md(EVP_MD_fetch(nullptr, it->second, nullptr), EVP_MD_free);
  if (!md)
    return {};
  return [md]() -> Work {
    std::shared_ptr<EVP_MD_CTX> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(ctx.get(), md.get(), nullptr);
    return [ctx](uint8_t* data, size_t size) { EVP_DigestUpdate(ctx.get(), data, size); };
  };
}

// The EVP name of an algorithm with a key of `bits` in a mode; empty when OpenSSL has none.
std::string CipherName(std::string_view algorithm, unsigned bits, Op op) {
  static const std::map<std::string_view, std::string_view> kNames = {
      {"blowfish", "BF"}, {"cast5", "CAST5"}, {"des", "DES"}, {"3des", "DES-EDE3"},
      {"idea", "IDEA"},   {"rc2", "RC2"},     {"aes", "AES"}};
  if (algorithm == "rc4")
    return op == Op::kStream ? "RC4" : "";
  const auto it = kNames.find(algorithm);
  std::string_view suffix;
  switch (op) {
    case Op::kCbcEncrypt:
    case Op::kCbcDecrypt:
      suffix = "-CBC";
      break;
    case Op::kCfbEncrypt:
    case Op::kCfbDecrypt:
      suffix = "-CFB";
      break;
    case Op::kCfb8Encrypt:
    case Op::kCfb8Decrypt:
      suffix = "-CFB8";
      break;
    case Op::kOfb:
      suffix = "-OFB";
      break;
    case Op::kCtr:
      suffix = algorithm == "aes" ? "-CTR" : "";
      break;
    case Op::kStream:
      break;
  }
  if (it == kNames.end() || suffix.empty())
    return "";
  std::string name(it->second);
  if (algorithm == "aes")
    name.append("-").append(std::to_string(bits));
  return name.append(suffix);
}

MakeWork Cipher(std::string_view algorithm, Op op, std::span<const uint8_t> key) {
  const std::string name = CipherName(algorithm, static_cast<unsigned>(key.size() * 8), op);
  if (name.empty())
    return {};
  LoadProviders();
  std::shared_ptr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(nullptr, name.c_str(), nullptr),
                                     EVP_CIPHER_free);
  if (!cipher)
    return {};
  const int encrypt = Decrypts(op) ? 0 : 1;
  std::vector<uint8_t> key_copy(key.begin(), key.end());
  return [cipher, encrypt, key_copy]() -> Work {
    std::shared_ptr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    const uint8_t iv[16] = {};
    EVP_CipherInit_ex2(ctx.get(), cipher.get(), nullptr, nullptr, encrypt, nullptr);
    EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key_copy.size()));
    EVP_CipherInit_ex2(ctx.get(), nullptr, key_copy.data(), iv, encrypt, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    return [ctx](uint8_t* data, size_t size) {
      int n = 0;
      EVP_CipherUpdate(ctx.get(), data, &n, data, static_cast<int>(size));
    };
  };
}

}  // namespace

PeerLibrary OpenSslPeer() { return {"OpenSSL", Hash, Cipher}; }

}  // namespace varkesh::bench

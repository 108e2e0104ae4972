#include "bench/peers.h"

#include <cryptopp/cast.h>
#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/serpent.h>
#include <cryptopp/tea.h>
#include <cryptopp/tiger.h>
#include <cryptopp/twofish.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <map>
#include <vector>

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

PeerHash OpenSslHash(const char* name) {
  LoadProviders();
  std::shared_ptr<EVP_MD> md(EVP_MD_fetch(nullptr, name, nullptr), EVP_MD_free);
  if (!md)
    return nullptr;
  std::shared_ptr<EVP_MD_CTX> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  return [md, ctx](const uint8_t* data, size_t size, uint8_t* digest) {
    EVP_DigestInit_ex(ctx.get(), md.get(), nullptr);
    EVP_DigestUpdate(ctx.get(), data, size);
    EVP_DigestFinal_ex(ctx.get(), digest, nullptr);
  };
}

template <class H>
PeerHash CryptoppHash() {
  auto h = std::make_shared<H>();
  return [h](const uint8_t* data, size_t size, uint8_t* digest) {
    h->Update(data, size);
    h->Final(digest);
  };
}

PeerCipher OpenSslCipher(const char* name, const uint8_t* key, unsigned key_bits) {
  LoadProviders();
  std::shared_ptr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(nullptr, name, nullptr), EVP_CIPHER_free);
  if (!cipher)
    return {};
  auto make = [&](int enc) {
    std::shared_ptr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    std::vector<uint8_t> iv(16, 0);
    EVP_CipherInit_ex2(ctx.get(), cipher.get(), nullptr, nullptr, enc, nullptr);
    EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key_bits / 8));
    EVP_CipherInit_ex2(ctx.get(), nullptr, key, iv.data(), enc, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    return [ctx](const uint8_t* in, uint8_t* out, size_t size) {
      int n = 0;
      EVP_CipherUpdate(ctx.get(), out, &n, in, static_cast<int>(size));
    };
  };
  return {std::string("OpenSSL ") + name, make(1), make(0)};
}

template <class C>
PeerCipher CryptoppCipher(const char* name, const uint8_t* key, unsigned key_bits) {
  const std::vector<uint8_t> iv(C::BLOCKSIZE, 0);
  auto enc =
      std::make_shared<typename CryptoPP::CBC_Mode<C>::Encryption>(key, key_bits / 8, iv.data());
  auto dec =
      std::make_shared<typename CryptoPP::CBC_Mode<C>::Decryption>(key, key_bits / 8, iv.data());
  return {std::string("Crypto++ ") + name,
          [enc](const uint8_t* in, uint8_t* out, size_t size) { enc->ProcessData(out, in, size); },
          [dec](const uint8_t* in, uint8_t* out, size_t size) { dec->ProcessData(out, in, size); }};
}

}  // namespace

PeerHashInfo FindPeerHash(const std::string& class_name) {
  static const std::map<std::string, const char*> openssl = {
      {"Md4", "MD4"},       {"Md5", "MD5"},       {"Ripemd160", "RIPEMD160"}, {"Sha1", "SHA1"},
      {"Sha256", "SHA256"}, {"Sha384", "SHA384"}, {"Sha512", "SHA512"}};
  if (const auto it = openssl.find(class_name); it != openssl.end()) {
    if (PeerHash h = OpenSslHash(it->second))
      return {std::string("OpenSSL ") + it->second, h};
  }
  if (class_name == "Ripemd128")
    return {"Crypto++ RIPEMD128", CryptoppHash<CryptoPP::RIPEMD128>()};
  if (class_name == "Tiger")
    return {"Crypto++ Tiger", CryptoppHash<CryptoPP::Tiger>()};
  return {};
}

PeerCipher MakePeerCipher(const std::string& class_name, const uint8_t* key, unsigned key_bits) {
  static const std::map<std::string, const char*> openssl = {
      {"Blowfish", "BF-CBC"}, {"Cast128", "CAST5-CBC"},
      {"Des", "DES-CBC"},     {"TripleDes", "DES-EDE3-CBC"},
      {"Idea", "IDEA-CBC"},   {"Rc2", "RC2-CBC"},
      {"Rc4", "RC4"}};
  if (const auto it = openssl.find(class_name); it != openssl.end()) {
    return OpenSslCipher(it->second, key, key_bits);
  }
  if (class_name == "Rijndael") {
    return OpenSslCipher(key_bits == 128 ? "AES-128-CBC" : "AES-256-CBC", key, key_bits);
  }
  if (class_name == "Serpent")
    return CryptoppCipher<CryptoPP::Serpent>("Serpent", key, key_bits);
  if (class_name == "Twofish")
    return CryptoppCipher<CryptoPP::Twofish>("Twofish", key, key_bits);
  if (class_name == "Cast256")
    return CryptoppCipher<CryptoPP::CAST256>("CAST256", key, key_bits);
  if (class_name == "Rc6")
    return CryptoppCipher<CryptoPP::RC6>("RC6", key, key_bits);
  if (class_name == "Rc5")
    return CryptoppCipher<CryptoPP::RC5>("RC5", key, key_bits);
  if (class_name == "Mars")
    return CryptoppCipher<CryptoPP::MARS>("MARS", key, key_bits);
  if (class_name == "Tea")
    return CryptoppCipher<CryptoPP::TEA>("TEA", key, key_bits);
  return {};
}

}  // namespace varkesh::bench

// Crypto++.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/aes.h>
#include <cryptopp/arc4.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/idea.h>
#include <cryptopp/mars.h>
#include <cryptopp/md4.h>
#include <cryptopp/md5.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/serpent.h>
#include <cryptopp/sha.h>
#include <cryptopp/tea.h>
#include <cryptopp/tiger.h>
#include <cryptopp/twofish.h>

#include <map>
#include <memory>
#include <vector>

#include "bench/peers.h"

namespace varkesh::bench {

namespace {

template <class H>
MakeWork HashOf() {
  return []() -> Work {
    auto hash = std::make_shared<H>();
    return [hash](uint8_t* data, size_t size) { hash->Update(data, size); };
  };
}

MakeWork Hash(std::string_view algorithm) {
  static const std::map<std::string_view, MakeWork> kHashes = {
      {"md4", HashOf<CryptoPP::Weak::MD4>()},    {"md5", HashOf<CryptoPP::Weak::MD5>()},
      {"rmd128", HashOf<CryptoPP::RIPEMD128>()}, {"rmd160", HashOf<CryptoPP::RIPEMD160>()},
      {"sha1", HashOf<CryptoPP::SHA1>()},        {"sha256", HashOf<CryptoPP::SHA256>()},
      {"sha384", HashOf<CryptoPP::SHA384>()},    {"sha512", HashOf<CryptoPP::SHA512>()},
      {"tiger", HashOf<CryptoPP::Tiger>()}};
  const auto it = kHashes.find(algorithm);
  return it == kHashes.end() ? MakeWork{} : it->second;
}

template <class T, class... Extra>
MakeWork Transform(std::vector<uint8_t> key, Extra... extra) {
  return [key, extra...]() -> Work {
    const std::vector<uint8_t> iv(16, 0);
    auto t = std::make_shared<T>(key.data(), key.size(), iv.data(), extra...);
    return [t](uint8_t* data, size_t size) { t->ProcessData(data, data, size); };
  };
}

template <class C>
MakeWork Block(Op op, std::vector<uint8_t> key) {
  switch (op) {
    case Op::kCbcEncrypt:
      return Transform<typename CryptoPP::CBC_Mode<C>::Encryption>(key);
    case Op::kCbcDecrypt:
      return Transform<typename CryptoPP::CBC_Mode<C>::Decryption>(key);
    case Op::kCfbEncrypt:
      return Transform<typename CryptoPP::CFB_Mode<C>::Encryption>(key);
    case Op::kCfbDecrypt:
      return Transform<typename CryptoPP::CFB_Mode<C>::Decryption>(key);
    case Op::kCfb8Encrypt:
      return Transform<typename CryptoPP::CFB_Mode<C>::Encryption>(key, 1);
    case Op::kCfb8Decrypt:
      return Transform<typename CryptoPP::CFB_Mode<C>::Decryption>(key, 1);
    case Op::kOfb:
      return Transform<typename CryptoPP::OFB_Mode<C>::Encryption>(key);
    case Op::kCtr:
      return Transform<typename CryptoPP::CTR_Mode<C>::Encryption>(key);
    case Op::kStream:
      return {};
  }
  return {};
}

MakeWork Cipher(std::string_view algorithm, Op op, std::span<const uint8_t> key) {
  std::vector<uint8_t> k(key.begin(), key.end());
  if (algorithm == "rc4") {
    if (op != Op::kStream)
      return {};
    return [k]() -> Work {
      auto rc4 = std::make_shared<CryptoPP::Weak::ARC4>(k.data(), k.size());
      return [rc4](uint8_t* data, size_t size) { rc4->ProcessData(data, data, size); };
    };
  }
  using Maker = MakeWork (*)(Op, std::vector<uint8_t>);
  static const std::map<std::string_view, Maker> kCiphers = {
      {"aes", &Block<CryptoPP::AES>},         {"blowfish", &Block<CryptoPP::Blowfish>},
      {"cast5", &Block<CryptoPP::CAST128>},   {"des", &Block<CryptoPP::DES>},
      {"3des", &Block<CryptoPP::DES_EDE3>},   {"idea", &Block<CryptoPP::IDEA>},
      {"rc2", &Block<CryptoPP::RC2>},         {"rc5", &Block<CryptoPP::RC5>},
      {"rc6", &Block<CryptoPP::RC6>},         {"serpent", &Block<CryptoPP::Serpent>},
      {"twofish", &Block<CryptoPP::Twofish>}, {"cast256", &Block<CryptoPP::CAST256>},
      {"mars", &Block<CryptoPP::MARS>},       {"tea", &Block<CryptoPP::TEA>}};
  const auto it = kCiphers.find(algorithm);
  return it == kCiphers.end() ? MakeWork{} : it->second(op, k);
}

}  // namespace

PeerLibrary CryptoppPeer() { return {"Crypto++", Hash, Cipher}; }

}  // namespace varkesh::bench

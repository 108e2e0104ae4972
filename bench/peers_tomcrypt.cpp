// LibTomCrypt (no 8-bit CFB).
#include <tomcrypt.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/peers.h"

namespace varkesh::bench {

namespace {

void Register() {
  static const bool done = [] {
    register_all_ciphers();
    register_all_hashes();
    return true;
  }();
  (void)done;
}

MakeWork Hash(std::string_view algorithm) {
  Register();
  const int index = find_hash(std::string(algorithm).c_str());
  if (index < 0)
    return {};
  return [index]() -> Work {
    auto state = std::make_shared<hash_state>();
    hash_descriptor[index].init(state.get());
    return [index, state](uint8_t* data, size_t size) {
      hash_descriptor[index].process(state.get(), data, size);
    };
  };
}

MakeWork Cipher(std::string_view algorithm, Op op, std::span<const uint8_t> key_span) {
  Register();
  const std::vector<uint8_t> key(key_span.begin(), key_span.end());
  if (algorithm == "rc4") {
    if (op != Op::kStream)
      return {};
    return [key]() -> Work {
      auto st = std::make_shared<rc4_state>();
      rc4_stream_setup(st.get(), key.data(), key.size());
      return [st](uint8_t* data, size_t size) { rc4_stream_crypt(st.get(), data, size, data); };
    };
  }
  static const std::map<std::string_view, const char*> kNames = {
      {"aes", "aes"},         {"blowfish", "blowfish"}, {"cast5", "cast5"}, {"des", "des"},
      {"3des", "3des"},       {"rc2", "rc2"},           {"rc5", "rc5"},     {"rc6", "rc6"},
      {"twofish", "twofish"}, {"idea", "idea"}};
  const auto it = kNames.find(algorithm);
  if (it == kNames.end() || op == Op::kStream || op == Op::kCfb8Encrypt || op == Op::kCfb8Decrypt)
    return {};
  const int cipher = find_cipher(it->second);
  if (cipher < 0)
    return {};
  return [cipher, key, op]() -> Work {
    const uint8_t iv[16] = {};
    const auto len = static_cast<int>(key.size());
    switch (op) {
      case Op::kCbcEncrypt:
      case Op::kCbcDecrypt: {
        auto s = std::make_shared<symmetric_CBC>();
        if (cbc_start(cipher, iv, key.data(), len, 0, s.get()) != CRYPT_OK)
          return {};
        if (op == Op::kCbcEncrypt)
          return [s](uint8_t* d, size_t n) { cbc_encrypt(d, d, n, s.get()); };
        return [s](uint8_t* d, size_t n) { cbc_decrypt(d, d, n, s.get()); };
      }
      case Op::kCfbEncrypt:
      case Op::kCfbDecrypt: {
        auto s = std::make_shared<symmetric_CFB>();
        if (cfb_start(cipher, iv, key.data(), len, 0, s.get()) != CRYPT_OK)
          return {};
        if (op == Op::kCfbEncrypt)
          return [s](uint8_t* d, size_t n) { cfb_encrypt(d, d, n, s.get()); };
        return [s](uint8_t* d, size_t n) { cfb_decrypt(d, d, n, s.get()); };
      }
      case Op::kOfb: {
        auto s = std::make_shared<symmetric_OFB>();
        if (ofb_start(cipher, iv, key.data(), len, 0, s.get()) != CRYPT_OK)
          return {};
        return [s](uint8_t* d, size_t n) { ofb_encrypt(d, d, n, s.get()); };
      }
      case Op::kCtr: {
        auto s = std::make_shared<symmetric_CTR>();
        if (ctr_start(cipher, iv, key.data(), len, 0, CTR_COUNTER_BIG_ENDIAN, s.get()) != CRYPT_OK)
          return {};
        return [s](uint8_t* d, size_t n) { ctr_encrypt(d, d, n, s.get()); };
      }
      default:
        return {};
    }
  };
}

}  // namespace

PeerLibrary TomcryptPeer() { return {"LibTomCrypt", Hash, Cipher}; }

}  // namespace varkesh::bench

// Botan 2: its cipher modes for CBC and CFB, its stream ciphers for CTR, OFB and RC4.
#include <botan/cipher_mode.h>
#include <botan/hash.h>
#include <botan/stream_cipher.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/peers.h"

namespace varkesh::bench {

namespace {

MakeWork Hash(std::string_view algorithm) {
  static const std::map<std::string_view, const char*> kNames = {
      {"md4", "MD4"},        {"md5", "MD5"},          {"rmd160", "RIPEMD-160"},
      {"sha1", "SHA-1"},     {"sha256", "SHA-256"},   {"sha384", "SHA-384"},
      {"sha512", "SHA-512"}, {"tiger", "Tiger(24,3)"}};
  const auto it = kNames.find(algorithm);
  if (it == kNames.end() || !Botan::HashFunction::create(it->second))
    return {};
  const std::string name = it->second;
  return [name]() -> Work {
    std::shared_ptr<Botan::HashFunction> hash = Botan::HashFunction::create(name);
    return [hash](uint8_t* data, size_t size) { hash->update(data, size); };
  };
}

std::string BlockName(std::string_view algorithm, size_t key_bytes) {
  static const std::map<std::string_view, std::string> kNames = {
      {"blowfish", "Blowfish"}, {"cast5", "CAST-128"},   {"des", "DES"},
      {"3des", "TripleDES"},    {"idea", "IDEA"},        {"serpent", "Serpent"},
      {"twofish", "Twofish"},   {"cast256", "CAST-256"}, {"misty1", "MISTY1"}};
  if (algorithm == "aes")
    return "AES-" + std::to_string(key_bytes * 8);
  const auto it = kNames.find(algorithm);
  return it == kNames.end() ? "" : it->second;
}

MakeWork Cipher(std::string_view algorithm, Op op, std::span<const uint8_t> key) {
  std::vector<uint8_t> key_copy(key.begin(), key.end());
  if (op == Op::kStream || op == Op::kCtr || op == Op::kOfb) {
    std::string name;
    if (op == Op::kStream && algorithm == "rc4") {
      name = "RC4";
    } else if (op != Op::kStream && !BlockName(algorithm, key.size()).empty()) {
      name = (op == Op::kCtr ? "CTR-BE(" : "OFB(") + BlockName(algorithm, key.size()) + ")";
    }
    if (name.empty() || !Botan::StreamCipher::create(name))
      return {};
    return [name, key_copy]() -> Work {
      std::shared_ptr<Botan::StreamCipher> cipher = Botan::StreamCipher::create(name);
      cipher->set_key(key_copy.data(), key_copy.size());
      if (name != "RC4") {
        const std::vector<uint8_t> iv(cipher->default_iv_length(), 0);
        cipher->set_iv(iv.data(), iv.size());
      }
      return [cipher](uint8_t* data, size_t size) { cipher->cipher1(data, size); };
    };
  }
  const std::string block = BlockName(algorithm, key.size());
  if (block.empty())
    return {};
  std::string name = block;
  switch (op) {
    case Op::kCbcEncrypt:
    case Op::kCbcDecrypt:
      name += "/CBC/NoPadding";
      break;
    case Op::kCfbEncrypt:
    case Op::kCfbDecrypt:
      name += "/CFB";
      break;
    default:
      name += "/CFB(8)";
  }
  const auto direction = Decrypts(op) ? Botan::DECRYPTION : Botan::ENCRYPTION;
  if (!Botan::Cipher_Mode::create(name, direction))
    return {};
  return [name, direction, key_copy]() -> Work {
    std::shared_ptr<Botan::Cipher_Mode> mode = Botan::Cipher_Mode::create(name, direction);
    mode->set_key(key_copy.data(), key_copy.size());
    const std::vector<uint8_t> iv(mode->default_nonce_length(), 0);
    mode->start(iv.data(), iv.size());
    return [mode](uint8_t* data, size_t size) { mode->process(data, size); };
  };
}

}  // namespace

PeerLibrary BotanPeer() { return {"Botan", Hash, Cipher}; }

}  // namespace varkesh::bench

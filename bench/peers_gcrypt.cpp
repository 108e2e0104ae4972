// libgcrypt.
#include <gcrypt.h>

#include <map>
#include <memory>
#include <vector>

#include "bench/peers.h"

namespace varkesh::bench {

namespace {

void Initialize() {
  static const bool done = [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)done;
}

MakeWork Hash(std::string_view algorithm) {
  static const std::map<std::string_view, int> kIds = {
      {"md4", GCRY_MD_MD4},       {"md5", GCRY_MD_MD5},       {"rmd160", GCRY_MD_RMD160},
      {"sha1", GCRY_MD_SHA1},     {"sha256", GCRY_MD_SHA256}, {"sha384", GCRY_MD_SHA384},
      {"sha512", GCRY_MD_SHA512}, {"tiger", GCRY_MD_TIGER1}};
  const auto it = kIds.find(algorithm);
  if (it == kIds.end())
    return {};
  const int id = it->second;
  return [id]() -> Work {
    Initialize();
    gcry_md_hd_t handle = nullptr;
    gcry_md_open(&handle, id, 0);
    std::shared_ptr<gcry_md_handle> md(handle, gcry_md_close);
    return [md](uint8_t* data, size_t size) { gcry_md_write(md.get(), data, size); };
  };
}

int CipherId(std::string_view algorithm, size_t key_bytes) {
  if (algorithm == "aes")
    return key_bytes == 16   ? GCRY_CIPHER_AES128
           : key_bytes == 24 ? GCRY_CIPHER_AES192
                             : GCRY_CIPHER_AES256;
  if (algorithm == "serpent")
    return key_bytes == 16   ? GCRY_CIPHER_SERPENT128
           : key_bytes == 24 ? GCRY_CIPHER_SERPENT192
                             : GCRY_CIPHER_SERPENT256;
  if (algorithm == "twofish")
    return key_bytes == 16 ? GCRY_CIPHER_TWOFISH128 : GCRY_CIPHER_TWOFISH;
  static const std::map<std::string_view, int> kIds = {
      {"blowfish", GCRY_CIPHER_BLOWFISH}, {"cast5", GCRY_CIPHER_CAST5},
      {"des", GCRY_CIPHER_DES},           {"3des", GCRY_CIPHER_3DES},
      {"idea", GCRY_CIPHER_IDEA},         {"rc2", GCRY_CIPHER_RFC2268_128},
      {"rc4", GCRY_CIPHER_ARCFOUR}};
  const auto it = kIds.find(algorithm);
  return it == kIds.end() ? 0 : it->second;
}

int ModeOf(Op op) {
  switch (op) {
    case Op::kCbcEncrypt:
    case Op::kCbcDecrypt:
      return GCRY_CIPHER_MODE_CBC;
    case Op::kCfbEncrypt:
    case Op::kCfbDecrypt:
      return GCRY_CIPHER_MODE_CFB;
    case Op::kCfb8Encrypt:
    case Op::kCfb8Decrypt:
      return GCRY_CIPHER_MODE_CFB8;
    case Op::kOfb:
      return GCRY_CIPHER_MODE_OFB;
    case Op::kCtr:
      return GCRY_CIPHER_MODE_CTR;
    case Op::kStream:
      return GCRY_CIPHER_MODE_STREAM;
  }
  return 0;
}

MakeWork Cipher(std::string_view algorithm, Op op, std::span<const uint8_t> key) {
  const int id = CipherId(algorithm, key.size());
  if (id == 0 || (op == Op::kStream) != (algorithm == "rc4"))
    return {};
  const int mode = ModeOf(op);
  const bool decrypt = Decrypts(op);
  std::vector<uint8_t> key_copy(key.begin(), key.end());
  return [id, mode, decrypt, key_copy]() -> Work {
    Initialize();
    gcry_cipher_hd_t handle = nullptr;
    if (gcry_cipher_open(&handle, id, mode, 0) != 0)
      return {};
    std::shared_ptr<gcry_cipher_handle> h(handle, gcry_cipher_close);
    gcry_cipher_setkey(h.get(), key_copy.data(), key_copy.size());
    const uint8_t iv[16] = {};
    const size_t block = gcry_cipher_get_algo_blklen(id);
    if (mode == GCRY_CIPHER_MODE_CTR)
      gcry_cipher_setctr(h.get(), iv, block);
    else if (mode != GCRY_CIPHER_MODE_STREAM)
      gcry_cipher_setiv(h.get(), iv, block);
    if (decrypt)
      return
          [h](uint8_t* data, size_t size) { gcry_cipher_decrypt(h.get(), data, size, nullptr, 0); };
    return
        [h](uint8_t* data, size_t size) { gcry_cipher_encrypt(h.get(), data, size, nullptr, 0); };
  };
}

}  // namespace

PeerLibrary GcryptPeer() { return {"libgcrypt", Hash, Cipher}; }

}  // namespace varkesh::bench

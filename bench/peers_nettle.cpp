// Nettle (no OFB mode).
#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/arctwo.h>
#include <nettle/blowfish.h>
#include <nettle/cast128.h>
#include <nettle/cbc.h>
#include <nettle/cfb.h>
#include <nettle/ctr.h>
#include <nettle/des.h>
#include <nettle/nettle-meta.h>
#include <nettle/serpent.h>
#include <nettle/twofish.h>

#include <map>
#include <memory>
#include <vector>

#include "bench/peers.h"

namespace varkesh::bench {

namespace {

MakeWork Hash(std::string_view algorithm) {
  static const std::map<std::string_view, const nettle_hash*> kHashes = {
      {"md4", &nettle_md4},      {"md5", &nettle_md5},       {"rmd160", &nettle_ripemd160},
      {"sha1", &nettle_sha1},    {"sha256", &nettle_sha256}, {"sha384", &nettle_sha384},
      {"sha512", &nettle_sha512}};
  const auto it = kHashes.find(algorithm);
  if (it == kHashes.end())
    return {};
  const nettle_hash* hash = it->second;
  return [hash]() -> Work {
    auto ctx = std::make_shared<std::vector<uint8_t>>(hash->context_size);
    hash->init(ctx->data());
    return [hash, ctx](uint8_t* data, size_t size) { hash->update(ctx->data(), size, data); };
  };
}

// A keyed block cipher: its context, block size and one-block functions.
struct Keyed {
  std::vector<uint64_t> ctx;  // 8-byte aligned storage for any context
  size_t block = 0;
  nettle_cipher_func* encrypt = nullptr;
  nettle_cipher_func* decrypt = nullptr;
  std::vector<uint64_t> dctx;  // decryption context where it differs
};

std::shared_ptr<Keyed> FromMeta(const nettle_cipher& meta, const std::vector<uint8_t>& key) {
  auto k = std::make_shared<Keyed>();
  k->ctx.resize(meta.context_size / 8 + 1);
  k->dctx.resize(meta.context_size / 8 + 1);
  meta.set_encrypt_key(k->ctx.data(), key.data());
  meta.set_decrypt_key(k->dctx.data(), key.data());
  k->block = meta.block_size;
  k->encrypt = meta.encrypt;
  k->decrypt = meta.decrypt;
  return k;
}

template <class Ctx, class Encrypt, class Decrypt>
std::shared_ptr<Keyed> Direct(size_t block,
                              void (*set)(Ctx*, const std::vector<uint8_t>&),
                              Encrypt encrypt,
                              Decrypt decrypt,
                              const std::vector<uint8_t>& key) {
  auto k = std::make_shared<Keyed>();
  k->ctx.resize(sizeof(Ctx) / 8 + 1);
  set(reinterpret_cast<Ctx*>(k->ctx.data()), key);
  k->dctx = k->ctx;
  k->block = block;
  k->encrypt = reinterpret_cast<nettle_cipher_func*>(encrypt);
  k->decrypt = reinterpret_cast<nettle_cipher_func*>(decrypt);
  return k;
}

std::shared_ptr<Keyed> Key(std::string_view algorithm, const std::vector<uint8_t>& key) {
  const size_t n = key.size();
  if (algorithm == "aes")
    return FromMeta(n == 16 ? nettle_aes128 : n == 24 ? nettle_aes192 : nettle_aes256, key);
  if (algorithm == "serpent")
    return FromMeta(n == 16   ? nettle_serpent128
                    : n == 24 ? nettle_serpent192
                              : nettle_serpent256,
                    key);
  if (algorithm == "twofish")
    return FromMeta(n == 16   ? nettle_twofish128
                    : n == 24 ? nettle_twofish192
                              : nettle_twofish256,
                    key);
  if (algorithm == "cast5" && n == 16)
    return FromMeta(nettle_cast128, key);
  if (algorithm == "des" && n == 8)
    return Direct<des_ctx>(
        8, [](des_ctx* c, const std::vector<uint8_t>& k) { des_set_key(c, k.data()); },
        &des_encrypt, &des_decrypt, key);
  if (algorithm == "3des" && n == 24)
    return Direct<des3_ctx>(
        8, [](des3_ctx* c, const std::vector<uint8_t>& k) { des3_set_key(c, k.data()); },
        &des3_encrypt, &des3_decrypt, key);
  if (algorithm == "blowfish")
    return Direct<blowfish_ctx>(
        8,
        [](blowfish_ctx* c, const std::vector<uint8_t>& k) {
          blowfish_set_key(c, k.size(), k.data());
        },
        &blowfish_encrypt, &blowfish_decrypt, key);
  if (algorithm == "rc2")
    return Direct<arctwo_ctx>(
        8,
        [](arctwo_ctx* c, const std::vector<uint8_t>& k) { arctwo_set_key(c, k.size(), k.data()); },
        &arctwo_encrypt, &arctwo_decrypt, key);
  return nullptr;
}

MakeWork Cipher(std::string_view algorithm, Op op, std::span<const uint8_t> key_span) {
  const std::vector<uint8_t> key(key_span.begin(), key_span.end());
  if (algorithm == "rc4") {
    if (op != Op::kStream)
      return {};
    return [key]() -> Work {
      auto ctx = std::make_shared<arcfour_ctx>();
      arcfour_set_key(ctx.get(), key.size(), key.data());
      return [ctx](uint8_t* data, size_t size) { arcfour_crypt(ctx.get(), size, data, data); };
    };
  }
  if (op == Op::kOfb || op == Op::kStream || !Key(algorithm, key))
    return {};
  const bool aes256 = algorithm == "aes" && key.size() == 32;
  return [algorithm = std::string(algorithm), key, op, aes256]() -> Work {
    const std::shared_ptr<Keyed> k = Key(algorithm, key);
    auto iv = std::make_shared<std::vector<uint8_t>>(k->block, 0);
    const size_t b = k->block;
    switch (op) {
      case Op::kCbcEncrypt:
        if (aes256) {
          return [k, iv](uint8_t* data, size_t size) {
            cbc_aes256_encrypt(reinterpret_cast<const aes256_ctx*>(k->ctx.data()), iv->data(), size,
                               data, data);
          };
        }
        return [k, iv, b](uint8_t* data, size_t size) {
          cbc_encrypt(k->ctx.data(), k->encrypt, b, iv->data(), size, data, data);
        };
      case Op::kCbcDecrypt:
        return [k, iv, b](uint8_t* data, size_t size) {
          cbc_decrypt(k->dctx.data(), k->decrypt, b, iv->data(), size, data, data);
        };
      case Op::kCfbEncrypt:
        return [k, iv, b](uint8_t* data, size_t size) {
          cfb_encrypt(k->ctx.data(), k->encrypt, b, iv->data(), size, data, data);
        };
      case Op::kCfbDecrypt:
        return [k, iv, b](uint8_t* data, size_t size) {
          cfb_decrypt(k->ctx.data(), k->encrypt, b, iv->data(), size, data, data);
        };
      case Op::kCfb8Encrypt:
        return [k, iv, b](uint8_t* data, size_t size) {
          cfb8_encrypt(k->ctx.data(), k->encrypt, b, iv->data(), size, data, data);
        };
      case Op::kCfb8Decrypt:
        return [k, iv, b](uint8_t* data, size_t size) {
          cfb8_decrypt(k->ctx.data(), k->encrypt, b, iv->data(), size, data, data);
        };
      case Op::kCtr:
        return [k, iv, b](uint8_t* data, size_t size) {
          ctr_crypt(k->ctx.data(), k->encrypt, b, iv->data(), size, data, data);
        };
      default:
        return {};
    }
  };
}

}  // namespace

PeerLibrary NettlePeer() { return {"Nettle", Hash, Cipher}; }

}  // namespace varkesh::bench

// Packaged implementations of the standard algorithms, for side-by-side figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace varkesh::bench {

// Hashes `size` bytes; nullptr when no peer has the algorithm.
using PeerHash = std::function<void(const uint8_t* data, size_t size, uint8_t* digest)>;

struct PeerHashInfo {
  std::string name;  // e.g. "OpenSSL MD5"
  PeerHash hash;
};

PeerHashInfo FindPeerHash(const std::string& class_name);

// A keyed CBC (or, for RC4, stream) encryptor over whole blocks.
struct PeerCipher {
  std::string name;
  std::function<void(const uint8_t* in, uint8_t* out, size_t size)> encrypt;
  std::function<void(const uint8_t* in, uint8_t* out, size_t size)> decrypt;
};

// `key_bits` as our cipher would receive it; empty name when no peer has the algorithm.
PeerCipher MakePeerCipher(const std::string& class_name, const uint8_t* key, unsigned key_bits);

}  // namespace varkesh::bench

// Building blocks of the classes' KnownAnswerTest: each runs on a fresh object, performs every
// comparison even after a mismatch, and answers true only when all of them hold.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "varkesh/framework.h"
#include "varkesh/hex.h"

namespace varkesh {

struct HashAnswer {
  std::string_view message;     // ASCII bytes, no terminator
  std::string_view digest_hex;  // what Final writes
};

template <class T>
bool HashKnownAnswers(std::initializer_list<HashAnswer> answers) {
  T hash;
  bool ok = true;
  std::vector<uint8_t> digest(static_cast<size_t>(T::ClassHashSize() / 8));
  for (const HashAnswer& answer : answers) {
    hash.Init();
    hash.UpdateText(answer.message);
    hash.Final(digest.data());
    ok = (digest == FromHex(answer.digest_hex)) && ok;
  }
  return ok;
}

struct BlockAnswer {
  std::string_view key_hex;
  uint32_t key_bits;  // 0: all bytes of key_hex
  std::string_view plain_hex;
  std::string_view cipher_hex;
};

// Keys `cipher` for each answer (no IV), encrypts the plain block and decrypts the cipher
// block, comparing both; wipes it at the end.
template <class T>
bool BlockKnownAnswers(T& cipher, std::initializer_list<BlockAnswer> answers) {
  bool ok = true;
  for (const BlockAnswer& answer : answers) {
    const std::vector<uint8_t> key = FromHex(answer.key_hex);
    const std::vector<uint8_t> plain = FromHex(answer.plain_hex);
    const std::vector<uint8_t> expected = FromHex(answer.cipher_hex);
    const uint32_t bits =
        answer.key_bits != 0 ? answer.key_bits : static_cast<uint32_t>(key.size() * 8);
    cipher.Init(key.data(), bits);
    std::vector<uint8_t> block(plain.size());
    cipher.EncryptBlock(plain.data(), block.data());
    ok = (block == expected) && ok;
    cipher.DecryptBlock(expected.data(), block.data());
    ok = (block == plain) && ok;
  }
  cipher.Wipe();
  return ok;
}

template <class T>
bool BlockKnownAnswers(std::initializer_list<BlockAnswer> answers) {
  T cipher;
  return BlockKnownAnswers(cipher, answers);
}

}  // namespace varkesh

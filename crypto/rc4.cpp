// RC4 key set-up and generator as published, except that i and j are local to each call: a
// single call yields the standard keystream, later calls continue the permutation from fresh
// indices. The permutation is indexed with secret data, so this is not constant-time.
#include "crypto/rc4.h"

#include <algorithm>
#include <string>

#include "crypto/detail/bytes.h"

namespace varkesh {

bool Rc4::KnownAnswerTest() {
  static constexpr uint8_t kKey[5] = {0x61, 0x8a, 0x63, 0xd2, 0xfb};
  static constexpr uint8_t kPlain[5] = {0xdc, 0xee, 0x4c, 0xf9, 0x2c};
  static constexpr uint8_t kCipher[5] = {0xf1, 0x38, 0x29, 0xc9, 0xde};
  Rc4 rc4;
  rc4.Init(kKey, 40);
  uint8_t buffer[5];
  rc4.Encrypt(kPlain, buffer, 5);
  const bool encrypted = std::equal(buffer, buffer + 5, kCipher);
  rc4.Reset();
  rc4.Decrypt(buffer, buffer, 5);
  const bool decrypted = std::equal(buffer, buffer + 5, kPlain);
  rc4.Wipe();
  return encrypted && decrypted;
}

void Rc4::Init(const uint8_t* key, uint32_t key_bits, const uint8_t* iv) {
  Cipher::Init(key, key_bits, iv);
  const size_t n = key_bits / 8;  // 1 to 256: Init refuses anything shorter than a byte
  for (size_t i = 0; i < 256; ++i) state_[i] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (size_t i = 0; i < 256; ++i) {
    j = static_cast<uint8_t>(j + state_[i] + key[i % n]);
    std::swap(state_[i], state_[j]);
  }
  initial_ = state_;
}

void Rc4::Wipe() {
  detail::SecureWipe(state_.data(), state_.size(), 0xFF);
  detail::SecureWipe(initial_.data(), initial_.size(), 0xFF);
  Cipher::Wipe();
}

void Rc4::Reset() { state_ = initial_; }

void Rc4::Encrypt(const uint8_t* in, uint8_t* out, size_t size) {
  if (!initialized_)
    throw CipherError(std::string(kCipherNotInitialized));
  uint8_t* const s = state_.data();
  uint8_t i = 0, j = 0;
  for (size_t k = 0; k < size; ++k) {
    ++i;
    const uint8_t si = s[i];
    j = static_cast<uint8_t>(j + si);
    const uint8_t sj = s[j];
    s[i] = sj;
    s[j] = si;
    out[k] = static_cast<uint8_t>(in[k] ^ s[static_cast<uint8_t>(si + sj)]);
  }
}

}  // namespace varkesh

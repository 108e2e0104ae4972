// RC4 key set-up and generator as published, except that i and j are local to each call: a
// single call yields the standard keystream, later calls continue the permutation from fresh
// indices. The permutation is indexed with secret data, so this is not constant-time.
#include "crypto/rc4.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

#include "crypto/detail/bytes.h"
#include "crypto/detail/unroll.h"

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

namespace {

// The keystream is XORed a machine word at a time.
using Word = std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>;

Word LoadWord(const uint8_t* p) {
  if constexpr (sizeof(Word) == 8)
    return detail::LoadLe64(p);
  else
    return detail::LoadLe32(p);
}

void StoreWord(uint8_t* p, Word v) {
  if constexpr (sizeof(Word) == 8)
    detail::StoreLe64(p, v);
  else
    detail::StoreLe32(p, v);
}

// One step of the generator; `si` holds s[i + 1] on entry and is left holding the next one.
// That entry is read ahead, before the step's two writes, so that the next step's j does not
// wait for them: of the two, only the write to s[j] can land on it (when j = i + 1), and then
// the entry holds this step's s[i].
[[gnu::always_inline]] inline uint8_t Next(uint8_t* s, uint32_t& i, uint32_t& j, uint32_t& si) {
  i = (i + 1) & 255;
  j = (j + si) & 255;
  const uint32_t sj = s[j];
  const uint32_t ahead = (i + 1) & 255;
  const uint32_t next = s[ahead];
  s[i] = static_cast<uint8_t>(sj);
  s[j] = static_cast<uint8_t>(si);
  const uint8_t key = s[(si + sj) & 255];
  si = j == ahead ? si : next;
  return key;
}

}  // namespace

void Rc4::Encrypt(const uint8_t* in, uint8_t* out, size_t size) {
  if (!initialized_)
    throw CipherError(std::string(kCipherNotInitialized));
  uint8_t* const s = state_.data();
  uint32_t i = 0, j = 0, si = s[1];
  size_t k = 0;
  for (; k + sizeof(Word) <= size; k += sizeof(Word)) {
    Word stream = 0;
    detail::Unroll(
        [&](auto b) __attribute__((always_inline)) {
          stream |= static_cast<Word>(Next(s, i, j, si)) << (8 * b);
        },
        std::make_index_sequence<sizeof(Word)>{});
    StoreWord(out + k, LoadWord(in + k) ^ stream);
  }
  for (; k < size; ++k) out[k] = static_cast<uint8_t>(in[k] ^ Next(s, i, j, si));
}

}  // namespace varkesh

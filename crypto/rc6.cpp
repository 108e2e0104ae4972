// RC6-32/20/b as published; its key expansion is RC5's with 44 words. No table is indexed with
// secret data; the data-dependent rotations take constant time on current processors.
#include "crypto/rc6.h"

#include "crypto/detail/bytes.h"
#include "crypto/known_answer.h"
#include "crypto/rc5.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreLe32;

constexpr uint32_t Mix(uint32_t x) { return Rotl32(x * (2 * x + 1), 5); }

}  // namespace

bool Rc6::KnownAnswerTest() {
  return BlockKnownAnswers<Rc6>({
      {"0123456789abcdef0112233445566778", 128, "02132435465768798a9bacbdcedfe0f1",
       "524e192f4715c6231f51f6367ea43f18"},
      {"0123456789abcdef0112233445566778899aabbccddeeff01032547698badcfe", 256,
       "02132435465768798a9bacbdcedfe0f1", "c8241816f0d7e48920ad16a1674e5d48"},
  });
}

void Rc6::Wipe() {
  detail::SecureWipe(s_.data(), sizeof(s_), 0xFF);
  BlockCipher128::Wipe();
}

void Rc6::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  detail::ExpandRcKey(key, key_bits / 8, s_.data(), s_.size());
}

void Rc6::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    uint32_t a = LoadLe32(in);
    uint32_t b = LoadLe32(in + 4) + s_[0];
    uint32_t c = LoadLe32(in + 8);
    uint32_t d = LoadLe32(in + 12) + s_[1];
    for (int i = 1; i <= kRounds; ++i) {
      const uint32_t t = Mix(b);
      const uint32_t u = Mix(d);
      const uint32_t next_d = Rotl32(a ^ t, u) + s_[2 * i];
      a = b;
      b = Rotl32(c ^ u, t) + s_[2 * i + 1];
      c = d;
      d = next_d;
    }
    StoreLe32(out, a + s_[2 * kRounds + 2]);
    StoreLe32(out + 4, b);
    StoreLe32(out + 8, c + s_[2 * kRounds + 3]);
    StoreLe32(out + 12, d);
  }
}

void Rc6::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    uint32_t a = LoadLe32(in) - s_[2 * kRounds + 2];
    uint32_t b = LoadLe32(in + 4);
    uint32_t c = LoadLe32(in + 8) - s_[2 * kRounds + 3];
    uint32_t d = LoadLe32(in + 12);
    for (int i = kRounds; i >= 1; --i) {
      // Undo the rotation of (A, B, C, D): the round's A is now in d, its C in b.
      const uint32_t t = Mix(a);
      const uint32_t u = Mix(c);
      const uint32_t prev_a = Rotr32(d - s_[2 * i], u) ^ t;
      const uint32_t prev_c = Rotr32(b - s_[2 * i + 1], t) ^ u;
      d = c;
      b = a;
      a = prev_a;
      c = prev_c;
    }
    StoreLe32(out, a);
    StoreLe32(out + 4, b - s_[0]);
    StoreLe32(out + 8, c);
    StoreLe32(out + 12, d - s_[1]);
  }
}

}  // namespace varkesh

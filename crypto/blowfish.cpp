// Blowfish: 64-bit block, big-endian words, keys of 1 to 56 whole bytes; the key schedule runs
// 521 block encryptions over the digits of pi. A trailing half byte of the key is ignored.
#include "crypto/blowfish.h"

#include "crypto/detail/bytes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/pi.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::StoreBe32;

// Where the initial P-array and S-boxes start in the words of pi.
constexpr size_t kPiP = 0;
constexpr size_t kPiS = 18;

}  // namespace

bool Blowfish::KnownAnswerTest() {
  return BlockKnownAnswers<Blowfish>({
      {"0000000000000000", 64, "0000000000000000", "4ef997456198dd78"},
      {"7ca110454a1a6e57", 64, "01a1d6d039776742", "59c68245eb05282b"},
  });
}

void Blowfish::Wipe() {
  detail::SecureWipeObject(p_, 0xFF);
  detail::SecureWipeObject(s_, 0xFF);
  BlockCipher64::Wipe();
}

inline uint32_t Blowfish::F(uint32_t x) const {
  return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

// Two rounds per step, so the halves never need swapping; the final swap is folded into the
// output order.
inline void Blowfish::EncryptWords(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (size_t i = 0; i < 16; i += 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i + 1];
    l ^= F(r);
  }
  left = r ^ p_[17];
  right = l ^ p_[16];
}

void Blowfish::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  const size_t n = key_bits / 8;  // at least 1: Init refuses smaller sizes
  for (size_t i = 0; i < p_.size(); ++i) p_[i] = tables::PI_FRACTION_WORDS[kPiP + i];
  for (size_t b = 0; b < 4; ++b) {
    for (size_t i = 0; i < 256; ++i) s_[b][i] = tables::PI_FRACTION_WORDS[kPiS + 256 * b + i];
  }

  size_t j = 0;
  for (uint32_t& word : p_) {
    uint32_t k = 0;
    for (int i = 0; i < 4; ++i) {
      k = k << 8 | key[j];
      j = j + 1 == n ? 0 : j + 1;
    }
    word ^= k;
  }

  uint32_t l = 0, r = 0;
  for (size_t i = 0; i < p_.size(); i += 2) {
    EncryptWords(l, r);
    p_[i] = l;
    p_[i + 1] = r;
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < box.size(); i += 2) {
      EncryptWords(l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

void Blowfish::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint32_t l = LoadBe32(in), r = LoadBe32(in + 4);
    EncryptWords(l, r);
    StoreBe32(out, l);
    StoreBe32(out + 4, r);
  }
}

void Blowfish::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint32_t l = LoadBe32(in), r = LoadBe32(in + 4);
    for (size_t i = 17; i > 1; i -= 2) {
      l ^= p_[i];
      r ^= F(l);
      r ^= p_[i - 1];
      l ^= F(r);
    }
    StoreBe32(out, r ^ p_[0]);
    StoreBe32(out + 4, l ^ p_[1]);
  }
}

}  // namespace varkesh

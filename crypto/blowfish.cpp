// Blowfish: 64-bit block, big-endian words, keys of 1 to 56 whole bytes; the key schedule runs
// 521 block encryptions over the digits of pi. A trailing half byte of the key is ignored.
#include "crypto/blowfish.h"

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/pi.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::StoreBe32;

// Where the initial P-array and S-boxes start in the words of pi.
constexpr size_t kPiP = 0;
constexpr size_t kPiS = 18;

using SBoxes = std::array<std::array<uint32_t, 256>, 4>;

inline uint32_t F(const SBoxes& s, uint32_t x) {
  return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
}

// N blocks' words side by side, two rounds per step so the halves never need swapping; the
// final swap is folded into the output order. Decryption takes the P-array backwards.
template <size_t N, bool kDecrypt>
inline void Rounds(const uint32_t* p, const SBoxes& s, uint32_t (&l)[N], uint32_t (&r)[N]) {
  const auto key = [p](size_t i) { return kDecrypt ? p[17 - i] : p[i]; };
  for (size_t i = 0; i < 16; i += 2) {
    for (size_t b = 0; b < N; ++b) l[b] ^= key(i), r[b] ^= F(s, l[b]);
    for (size_t b = 0; b < N; ++b) r[b] ^= key(i + 1), l[b] ^= F(s, r[b]);
  }
  for (size_t b = 0; b < N; ++b) {
    const uint32_t left = r[b] ^ key(17);
    r[b] = l[b] ^ key(16);
    l[b] = left;
  }
}

template <size_t N, bool kDecrypt>
inline void Blocks(const uint32_t* p, const SBoxes& s, const uint8_t* in, uint8_t* out) {
  uint32_t l[N], r[N];
  for (size_t b = 0; b < N; ++b) l[b] = LoadBe32(in + 8 * b), r[b] = LoadBe32(in + 8 * b + 4);
  Rounds<N, kDecrypt>(p, s, l, r);
  for (size_t b = 0; b < N; ++b) StoreBe32(out + 8 * b, l[b]), StoreBe32(out + 8 * b + 4, r[b]);
}

template <bool kDecrypt>
struct BlockRun {
  const uint32_t* p;
  const SBoxes& s;

  template <size_t N>
  void operator()(const uint8_t* in, uint8_t* out) const {
    Blocks<N, kDecrypt>(p, s, in, out);
  }
};

constexpr size_t kLanes = 4;

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

  uint32_t l[1] = {0}, r[1] = {0};
  for (size_t i = 0; i < p_.size(); i += 2) {
    Rounds<1, false>(p_.data(), s_, l, r);
    p_[i] = l[0];
    p_[i + 1] = r[0];
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < box.size(); i += 2) {
      Rounds<1, false>(p_.data(), s_, l, r);
      box[i] = l[0];
      box[i + 1] = r[0];
    }
  }
}

void Blowfish::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, BlockRun<false>{p_.data(), s_});
}

void Blowfish::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, BlockRun<true>{p_.data(), s_});
}

void Blowfish::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, kLanes>(
      mode, chain, in, out, count, BlockRun<false>{p_.data(), s_}, BlockRun<true>{p_.data(), s_});
}

}  // namespace varkesh

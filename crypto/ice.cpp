// ICE: a 64-bit Feistel cipher with a key-dependent bit swap (the salt) before the S-boxes.
// The round function indexes S-boxes with secret data, so this is not constant-time. The four
// S-boxes are computed once per process, already passed through the 32-bit permutation.
#include "crypto/ice.h"

#include "crypto/detail/bytes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/ice.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::StoreBe32;

// Product in GF(2^8) reduced by the degree-8 polynomial `modulus`.
constexpr uint32_t GfMultiply(uint32_t a, uint32_t b, uint32_t modulus) {
  uint32_t product = 0;
  while (b != 0) {
    if ((b & 1) != 0)
      product ^= a;
    a <<= 1;
    b >>= 1;
    if (a >= 256)
      a ^= modulus;
  }
  return product;
}

// b^7 = b * (b * b^2)^2.
constexpr uint32_t GfPower7(uint32_t b, uint32_t modulus) {
  const uint32_t b3 = GfMultiply(b, GfMultiply(b, b, modulus), modulus);
  return GfMultiply(b, GfMultiply(b3, b3, modulus), modulus);
}

constexpr uint32_t Permute32(uint32_t x) {
  uint32_t result = 0;
  for (size_t bit = 0; x != 0; ++bit, x >>= 1) {
    if ((x & 1) != 0)
      result |= tables::ICE_PBOX[bit];
  }
  return result;
}

using SBoxes = std::array<std::array<uint32_t, 1024>, 4>;

// S-box t takes a 10-bit input whose outer bits (9 and 0) pick the row and whose inner eight
// bits are the column; its byte lands in bits 24-8t..31-8t before the permutation.
SBoxes MakeSBoxes() {
  SBoxes boxes;
  for (uint32_t i = 0; i < 1024; ++i) {
    const uint32_t column = (i >> 1) & 0xFF;
    const uint32_t row = (i & 1) | ((i & 0x200) >> 8);
    for (uint32_t t = 0; t < 4; ++t) {
      const uint32_t x =
          GfPower7(column ^ tables::ICE_SXOR[4 * t + row], tables::ICE_SMOD[4 * t + row]);
      boxes[t][i] = Permute32(x << (24 - 8 * t));
    }
  }
  return boxes;
}

// Built on first use. A compile-time table would exceed some compilers' constant-evaluation
// budget; a function-local static is thread-safe on every toolchain we build with.
const SBoxes& IceSBoxes() {
  static const SBoxes boxes = MakeSBoxes();
  return boxes;
}

inline uint32_t F(const SBoxes& s, uint32_t p, const std::array<uint32_t, 3>& subkey) {
  // Expand the 32-bit half to two 20-bit halves, each with its neighbour bits.
  const uint32_t tl = ((p >> 16) & 0x3FF) | (((p >> 14) | (p << 18)) & 0xFFC00);
  const uint32_t tr = (p & 0x3FF) | ((p << 2) & 0xFFC00);
  // The salt swaps the bits of tl and tr where its mask is set.
  const uint32_t swap = subkey[2] & (tl ^ tr);
  const uint32_t al = swap ^ tl ^ subkey[0];
  const uint32_t ar = swap ^ tr ^ subkey[1];
  return s[0][al >> 10] | s[1][al & 0x3FF] | s[2][ar >> 10] | s[3][ar & 0x3FF];
}

}  // namespace

void CustomIce::Wipe() {
  detail::SecureWipe(subkeys_.data(), sizeof(subkeys_), 0x00);
  rounds_ = 0;
  BlockCipher64::Wipe();
}

// Eight subkeys from the four 16-bit key words, which rotate right by one bit per step with
// the outgoing bit inverted into the top; the rotation carries over between calls.
void CustomIce::BuildSubkeys(std::array<uint16_t, 4>& kb, size_t first, const uint8_t* rotation) {
  for (size_t i = 0; i < 8; ++i) {
    const unsigned r = rotation[i];
    Subkey& subkey = subkeys_[first + i];
    subkey = {0, 0, 0};
    for (size_t j = 0; j < 15; ++j) {
      uint32_t& word = subkey[j % 3];
      for (unsigned k = 0; k < 4; ++k) {
        uint16_t& w = kb[(r + k) & 3];
        const unsigned bit = w & 1u;
        word = (word << 1) | bit;
        w = static_cast<uint16_t>((w >> 1) | ((bit ^ 1u) << 15));
      }
    }
  }
}

void CustomIce::IceKeySchedule(const uint8_t* key, uint32_t key_bits, unsigned level) {
  // Shorter keys read as if padded with zero bytes.
  std::array<uint8_t, 16> bytes{};
  const size_t key_bytes = key_bits / 8;
  for (size_t i = 0; i < key_bytes && i < bytes.size(); ++i) bytes[i] = key[i];

  rounds_ = level >= 1 ? static_cast<int32_t>(16 * level) : 8;
  const uint8_t* first_half = tables::ICE_KEYROT.data();
  const uint8_t* second_half = first_half + 8;
  std::array<uint16_t, 4> kb;
  const auto load_words = [&](size_t offset) {
    for (size_t i = 0; i < 4; ++i) {
      kb[3 - i] = static_cast<uint16_t>(bytes[offset + 2 * i] << 8 | bytes[offset + 2 * i + 1]);
    }
  };
  if (rounds_ == 8) {
    load_words(0);
    BuildSubkeys(kb, 0, first_half);
  } else {
    // Each 8-byte slice of the key gives eight subkeys from the front and, with the rotation
    // carried on, eight from the back.
    const auto rounds = static_cast<size_t>(rounds_);
    for (size_t i = 0; i < level; ++i) {
      load_words(8 * i);
      BuildSubkeys(kb, 8 * i, first_half);
      BuildSubkeys(kb, rounds - 8 - 8 * i, second_half);
    }
  }
  detail::SecureWipe(bytes.data(), bytes.size());
  detail::SecureWipe(kb.data(), sizeof(kb));
}

void CustomIce::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  const SBoxes& s = IceSBoxes();
  const auto rounds = static_cast<size_t>(rounds_);
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint32_t l = LoadBe32(in);
    uint32_t r = LoadBe32(in + 4);
    for (size_t i = 0; i < rounds; i += 2) {
      l ^= F(s, r, subkeys_[i]);
      r ^= F(s, l, subkeys_[i + 1]);
    }
    StoreBe32(out, r);
    StoreBe32(out + 4, l);
  }
}

void CustomIce::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  const SBoxes& s = IceSBoxes();
  const auto rounds = static_cast<size_t>(rounds_);
  for (; blocks != 0; --blocks, in += 8, out += 8) {
    uint32_t l = LoadBe32(in);
    uint32_t r = LoadBe32(in + 4);
    for (size_t i = rounds; i >= 2; i -= 2) {
      l ^= F(s, r, subkeys_[i - 1]);
      r ^= F(s, l, subkeys_[i - 2]);
    }
    StoreBe32(out, r);
    StoreBe32(out + 4, l);
  }
}

// Published test values of the three levels.
bool Ice::KnownAnswerTest() {
  return BlockKnownAnswers<Ice>({{"deadbeef01234567", 64, "fedcba9876543210", "7d6ef1ef30d47a96"}});
}

bool ThinIce::KnownAnswerTest() {
  return BlockKnownAnswers<ThinIce>(
      {{"deadbeef01234567", 64, "fedcba9876543210", "de240d83a00a9cc0"}});
}

bool Ice2::KnownAnswerTest() {
  return BlockKnownAnswers<Ice2>(
      {{"00112233445566778899aabbccddeeff", 128, "fedcba9876543210", "f94840d86972f21c"}});
}

}  // namespace varkesh

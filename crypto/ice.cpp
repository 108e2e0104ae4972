// ICE: a 64-bit Feistel cipher with a key-dependent bit swap (the salt) before the S-boxes.
// The round function indexes S-boxes with secret data, so this is not constant-time. The four
// S-boxes are computed at compile time, already passed through the 32-bit permutation.
#include "crypto/ice.h"

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
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

// b^7 for every b of GF(2^8) modulo `modulus`. With a generator g and b = g^k, b^7 is
// g^(7k mod 255), so one walk through the powers of g gives the whole table; multiplying by a
// small g keeps the walk cheap enough for compile time.
constexpr std::array<uint8_t, 256> Power7Table(uint32_t modulus) {
  std::array<uint8_t, 256> table{};
  for (uint32_t g = 2; g < 256; ++g) {
    std::array<uint8_t, 255> powers{};
    uint32_t x = 1;
    size_t order = 0;
    do {
      powers[order++] = static_cast<uint8_t>(x);
      x = GfMultiply(x, g, modulus);
    } while (x != 1 && order < 255);
    if (order != 255)
      continue;  // not a generator
    for (size_t k = 0; k < 255; ++k) table[powers[k]] = powers[(7 * k) % 255];
    return table;
  }
  return table;
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
// bits are the column; its byte lands in bits 24-8t..31-8t before the permutation. Computed at
// compile time, so no process pays for it on first use.
constexpr SBoxes MakeSBoxes() {
  std::array<std::array<uint8_t, 256>, 16> power7{};
  for (size_t i = 0; i < 16; ++i) power7[i] = Power7Table(tables::ICE_SMOD[i]);
  std::array<std::array<uint32_t, 256>, 4> permuted{};
  for (uint32_t t = 0; t < 4; ++t) {
    for (uint32_t x = 0; x < 256; ++x) permuted[t][x] = Permute32(x << (24 - 8 * t));
  }
  SBoxes boxes{};
  for (uint32_t i = 0; i < 1024; ++i) {
    const uint32_t column = (i >> 1) & 0xFF;
    const uint32_t row = (i & 1) | ((i & 0x200) >> 8);
    for (uint32_t t = 0; t < 4; ++t) {
      const uint32_t box = 4 * t + row;
      boxes[t][i] = permuted[t][power7[box][column ^ tables::ICE_SXOR[box]]];
    }
  }
  return boxes;
}

constexpr SBoxes kSBoxes = MakeSBoxes();

using Subkey = std::array<uint32_t, 8>;

// The expansion gives two 20-bit halves, tl and tr, each two 10-bit windows of p with their
// neighbour bits: tl = (a, b) and tr = (c, d) below. The salt swaps the bits of tl and tr where
// its mask is set, then the subkey words are XORed in. With the salt's complement at hand, each
// S-box index is the bits of its own window outside the salt, those of its partner inside it
// and the subkey word, three terms that come straight from p: the path from p to the look-ups
// is three operations long. The S-box outputs occupy distinct bits, so XOR combines them as OR
// would, in whatever order the compiler likes.
inline uint32_t F(uint32_t p, const Subkey& k) {
  const SBoxes& s = kSBoxes;
  const uint32_t a = detail::Rotl32(p, 8), b = p >> 16, c = p >> 8, d = p;
  return s[0][((a & k[6]) ^ k[0]) ^ (c & k[4])] ^ s[1][((b & k[7]) ^ k[1]) ^ (d & k[5])] ^
         s[2][((c & k[6]) ^ k[2]) ^ (a & k[4])] ^ s[3][((d & k[7]) ^ k[3]) ^ (b & k[5])];
}

// N blocks side by side; decryption takes the subkeys backwards.
template <size_t N, bool kDecrypt>
inline void Blocks(const Subkey* subkeys, size_t rounds, const uint8_t* in, uint8_t* out) {
  uint32_t l[N], r[N];
  for (size_t b = 0; b < N; ++b) l[b] = LoadBe32(in + 8 * b), r[b] = LoadBe32(in + 8 * b + 4);
  for (size_t i = 0; i < rounds; i += 2) {
    const auto& first = subkeys[kDecrypt ? rounds - 1 - i : i];
    const auto& second = subkeys[kDecrypt ? rounds - 2 - i : i + 1];
    for (size_t b = 0; b < N; ++b) l[b] ^= F(r[b], first);
    for (size_t b = 0; b < N; ++b) r[b] ^= F(l[b], second);
  }
  for (size_t b = 0; b < N; ++b) StoreBe32(out + 8 * b, r[b]), StoreBe32(out + 8 * b + 4, l[b]);
}

template <bool kDecrypt>
struct BlockRun {
  const Subkey* subkeys;
  int32_t rounds;

  template <size_t N>
  void operator()(const uint8_t* in, uint8_t* out) const {
    Blocks<N, kDecrypt>(subkeys, static_cast<size_t>(rounds), in, out);
  }
};

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
    uint32_t words[3] = {0, 0, 0};
    for (size_t j = 0; j < 15; ++j) {
      uint32_t& word = words[j % 3];
      for (unsigned k = 0; k < 4; ++k) {
        uint16_t& w = kb[(r + k) & 3];
        const unsigned bit = w & 1u;
        word = (word << 1) | bit;
        w = static_cast<uint16_t>((w >> 1) | ((bit ^ 1u) << 15));
      }
    }
    Subkey& subkey = subkeys_[first + i];
    for (size_t j = 0; j < 3; ++j) {
      subkey[2 * j] = words[j] >> 10;
      subkey[2 * j + 1] = words[j] & 0x3FF;
    }
    subkey[6] = ~subkey[4] & 0x3FF;
    subkey[7] = ~subkey[5] & 0x3FF;
    detail::SecureWipeObject(words);
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
  detail::RunLanes<4, 8>(in, out, blocks, BlockRun<false>{subkeys_.data(), rounds_});
}

void CustomIce::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<4, 8>(in, out, blocks, BlockRun<true>{subkeys_.data(), rounds_});
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

void CustomIce::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, 4>(mode, chain, in, out, count,
                                     BlockRun<false>{subkeys_.data(), rounds_},
                                     BlockRun<true>{subkeys_.data(), rounds_});
}

}  // namespace varkesh

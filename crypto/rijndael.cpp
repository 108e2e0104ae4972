// Rijndael with 128-bit blocks (AES): the cipher and the equivalent inverse cipher in their
// word-table form, plus the AES-instruction and SSSE3 paths on x86 chosen at run time. The state
// is held as four little-endian column words, so byte r of a word is row r of that column.
#include "crypto/rijndael.h"

#include <cstring>

#include "crypto/detail/bytes.h"
#include "crypto/detail/cpu.h"
#include "crypto/known_answer.h"
#include "crypto/tables/aes.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreLe32;
using tables::AES_INV_SBOX;
using tables::AES_SBOX;

constexpr uint8_t Times2(uint8_t a) {
  return static_cast<uint8_t>((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0x00));
}

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  for (; b != 0; b >>= 1, a = Times2(a)) {
    if ((b & 1) != 0)
      product ^= a;
  }
  return product;
}

constexpr uint32_t Column(uint8_t r0, uint8_t r1, uint8_t r2, uint8_t r3) {
  return uint32_t{r0} | uint32_t{r1} << 8 | uint32_t{r2} << 16 | uint32_t{r3} << 24;
}

using WordTables = std::array<std::array<uint32_t, 256>, 4>;

// kEncryptTables[r][x]: what input byte x in row r adds to its column after SubBytes and
// MixColumns. Table r is table 0 rotated by r rows.
constexpr WordTables kEncryptTables = [] {
  WordTables t{};
  for (size_t x = 0; x < 256; ++x) {
    const uint8_t s = AES_SBOX[x];
    t[0][x] = Column(Multiply(s, 2), s, s, Multiply(s, 3));
    for (size_t r = 1; r < 4; ++r) t[r][x] = Rotl32(t[0][x], static_cast<unsigned>(8 * r));
  }
  return t;
}();

// kDecryptTables[r][x]: the same for InvSubBytes and InvMixColumns.
constexpr WordTables kDecryptTables = [] {
  WordTables t{};
  for (size_t x = 0; x < 256; ++x) {
    const uint8_t s = AES_INV_SBOX[x];
    t[0][x] = Column(Multiply(s, 14), Multiply(s, 9), Multiply(s, 13), Multiply(s, 11));
    for (size_t r = 1; r < 4; ++r) t[r][x] = Rotl32(t[0][x], static_cast<unsigned>(8 * r));
  }
  return t;
}();

constexpr uint8_t Byte(uint32_t w, unsigned r) { return static_cast<uint8_t>(w >> (8 * r)); }

// The key expansion's SubWord: through the AES instructions or the SSSE3 kernel, which are
// constant-time, where the processor has them; else through the table.
uint32_t SubWord(uint32_t w) {
#if VARKESH_X86
  if (detail::CpuHas(detail::kCpuAes))
    return kernels::RijndaelAesniSubWord(w);
  if (detail::CpuHas(detail::kCpuSsse3))
    return kernels::RijndaelSsse3SubWord(w);
#endif
  return Column(AES_SBOX[Byte(w, 0)], AES_SBOX[Byte(w, 1)], AES_SBOX[Byte(w, 2)],
                AES_SBOX[Byte(w, 3)]);
}

// The column that row 0 of a, row 1 of b, row 2 of c and row 3 of d make: through the word
// tables for a full round, through the S-box alone for the last.
constexpr uint32_t TableColumn(
    const WordTables& t, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return t[0][Byte(a, 0)] ^ t[1][Byte(b, 1)] ^ t[2][Byte(c, 2)] ^ t[3][Byte(d, 3)];
}

constexpr uint32_t SboxColumn(
    const std::array<uint8_t, 256>& sbox, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return Column(sbox[Byte(a, 0)], sbox[Byte(b, 1)], sbox[Byte(c, 2)], sbox[Byte(d, 3)]);
}

// Each byte of a word times 2 in GF(2^8), without branches or table look-ups.
constexpr uint32_t Times2Bytes(uint32_t w) {
  return ((w & 0x7F7F7F7Fu) << 1) ^ (((w >> 7) & 0x01010101u) * 0x1Bu);
}

// InvMixColumns of one column: row r is 14 w[r] + 11 w[r+1] + 13 w[r+2] + 9 w[r+3], computed
// with shifts and XORs, so the round keys do not index a table.
constexpr uint32_t InvMixColumn(uint32_t w) {
  const uint32_t w2 = Times2Bytes(w), w4 = Times2Bytes(w2), w8 = Times2Bytes(w4);
  const uint32_t w9 = w8 ^ w, w11 = w9 ^ w2, w13 = w9 ^ w4, w14 = w8 ^ w4 ^ w2;
  return w14 ^ Rotr32(w11, 8) ^ Rotr32(w13, 16) ^ Rotr32(w9, 24);
}

struct State {
  uint32_t c0, c1, c2, c3;  // columns
};

// Row r of new column c comes from old column c + r (ShiftRows) or c - r (InvShiftRows);
// `column` makes a new column from its four source columns.
template <bool kForward, class Fn>
inline State Shifted(const State& s, Fn column) {
  if constexpr (kForward) {
    return {column(s.c0, s.c1, s.c2, s.c3), column(s.c1, s.c2, s.c3, s.c0),
            column(s.c2, s.c3, s.c0, s.c1), column(s.c3, s.c0, s.c1, s.c2)};
  } else {
    return {column(s.c0, s.c3, s.c2, s.c1), column(s.c1, s.c0, s.c3, s.c2),
            column(s.c2, s.c1, s.c0, s.c3), column(s.c3, s.c2, s.c1, s.c0)};
  }
}

inline State AddRoundKey(const State& s, const uint32_t* rk) {
  return {s.c0 ^ rk[0], s.c1 ^ rk[1], s.c2 ^ rk[2], s.c3 ^ rk[3]};
}

// One block: the cipher (kForward) or the equivalent inverse cipher on its round keys.
template <bool kForward>
inline void TableBlock(const uint32_t* rk, uint32_t rounds, const uint8_t* in, uint8_t* out) {
  const WordTables& t = kForward ? kEncryptTables : kDecryptTables;
  const std::array<uint8_t, 256>& sbox = kForward ? AES_SBOX : AES_INV_SBOX;
  const auto full_round = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return TableColumn(t, a, b, c, d);
  };
  const auto last_round = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return SboxColumn(sbox, a, b, c, d);
  };
  State s = AddRoundKey({LoadLe32(in), LoadLe32(in + 4), LoadLe32(in + 8), LoadLe32(in + 12)}, rk);
  for (uint32_t round = 1; round < rounds; ++round) {
    s = AddRoundKey(Shifted<kForward>(s, full_round), rk += 4);
  }
  s = AddRoundKey(Shifted<kForward>(s, last_round), rk += 4);
  StoreLe32(out, s.c0);
  StoreLe32(out + 4, s.c1);
  StoreLe32(out + 8, s.c2);
  StoreLe32(out + 12, s.c3);
}

// The kernels the processor allows, widest first: each does what it can of a call and leaves
// the rest to the next; the table code below finishes.
struct KernelList {
  const kernels::RijndaelKernel* kernels[3];
  size_t size = 0;

  const kernels::RijndaelKernel* const* begin() const { return kernels; }

  const kernels::RijndaelKernel* const* end() const { return kernels + size; }
};

KernelList Kernels() {
  KernelList list{};
#if VARKESH_X86
  if (detail::CpuHas(detail::kCpuVaes | detail::kCpuAvx512f | detail::kCpuAvx512bw))
    list.kernels[list.size++] = &kernels::kRijndaelVaes512;
  if (detail::CpuHas(detail::kCpuVaes))
    list.kernels[list.size++] = &kernels::kRijndaelVaes256;
  if (detail::CpuHas(detail::kCpuAes))
    list.kernels[list.size++] = &kernels::kRijndaelAesni;
  else if (detail::CpuHas(detail::kCpuSsse3))
    list.kernels[list.size++] = &kernels::kRijndaelSsse3;
#endif
  return list;
}

}  // namespace

bool Rijndael::KnownAnswerTest() {
  return BlockKnownAnswers<Rijndael>({
      {"00010203050607080a0b0c0d0f101112", 128, "506812a45f08c889b97f5980038b8359",
       "d8f532538289ef7d06b506a4fd5be9c9"},
      {"a0a1a2a3a5a6a7a8aaabacadafb0b1b2b4b5b6b7b9babbbc", 192, "4f1c769d1e5b0552c7eca84dea26a549",
       "f3847210d5391e2360608e5acb560581"},
      {"00010203050607080a0b0c0d0f10111214151617191a1b1c1e1f202123242526", 256,
       "5e25ca78f0de55802524d38da3fe4456", "e8b72b4e8be243438c9fff1f0e205872"},
  });
}

void Rijndael::Wipe() {
  rounds_ = 0;
  detail::SecureWipeObject(encrypt_);
  detail::SecureWipeObject(decrypt_);
  BlockCipher128::Wipe();
}

void Rijndael::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  // Short keys are zero-padded to the next AES key length, so 160 bits run as AES-192.
  const size_t bytes = key_bits / 8;
  uint8_t padded[32] = {};
  std::memcpy(padded, key, bytes);
  const size_t nk = bytes <= 16 ? 4 : bytes <= 24 ? 6 : 8;
  rounds_ = static_cast<uint32_t>(nk + 6);
  const size_t words = 4 * (rounds_ + 1);

  uint32_t* w = encrypt_.data();
  for (size_t i = 0; i < nk; ++i) w[i] = LoadLe32(padded + 4 * i);
  uint8_t rcon = 1;
  for (size_t i = nk; i < words; ++i) {
    uint32_t temp = w[i - 1];
    if (i % nk == 0) {
      temp = SubWord(Rotr32(temp, 8)) ^ rcon;  // RotWord moves row 1 up to row 0
      rcon = Times2(rcon);
    } else if (nk == 8 && i % nk == 4) {
      temp = SubWord(temp);
    }
    w[i] = w[i - nk] ^ temp;
  }

  // The equivalent inverse cipher takes the round keys in reverse order, the inner ones passed
  // through InvMixColumns.
  const size_t last = 4 * rounds_;
  for (size_t c = 0; c < 4; ++c) {
    decrypt_[c] = encrypt_[last + c];
    decrypt_[last + c] = encrypt_[c];
  }
  for (size_t round = 1; round < rounds_; ++round) {
    for (size_t c = 0; c < 4; ++c) {
      decrypt_[4 * round + c] = InvMixColumn(encrypt_[4 * (rounds_ - round) + c]);
    }
  }
  detail::SecureWipe(padded, sizeof(padded));
}

void Rijndael::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  for (const auto* kernel : Kernels()) {
    const size_t done =
        kernel->modes(encrypt_.data(), decrypt_.data(), rounds_, mode, chain, in, out, count);
    in += 16 * done, out += 16 * done, count -= done;
  }
  if (count == 0)
    return;
  // Rijndael is final: the block functions are called directly, and inlined.
  detail::RunMode<16>(
      mode, chain, in, out, count,
      [this](const uint8_t* i, uint8_t* o, size_t n) { EncryptBlocks(i, o, n); },
      [this](const uint8_t* i, uint8_t* o, size_t n) { DecryptBlocks(i, o, n); });
}

void Rijndael::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  for (const auto* kernel : Kernels()) {
    const size_t done = kernel->run(encrypt_.data(), rounds_, true, in, out, blocks);
    in += 16 * done, out += 16 * done, blocks -= done;
  }
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    TableBlock<true>(encrypt_.data(), rounds_, in, out);
  }
}

void Rijndael::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  for (const auto* kernel : Kernels()) {
    const size_t done = kernel->run(decrypt_.data(), rounds_, false, in, out, blocks);
    in += 16 * done, out += 16 * done, blocks -= done;
  }
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    TableBlock<false>(decrypt_.data(), rounds_, in, out);
  }
}

}  // namespace varkesh

// DES (FIPS 46-3) and triple DES in the encrypt-decrypt-encrypt form: 64-bit block, keys read as
// 8-byte DES keys (short keys padded with zero bytes, a trailing half byte ignored). The round
// function uses combined S-box/permutation tables built at compile time from the bit tables.
#include "crypto/des.h"

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/des.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::LoadBe64;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreBe32;

// out_width = N bits, where output bit j (counted from 1 at the most significant end) is input
// bit table[j - 1] of an in_width-bit value, counted the same way.
template <size_t N>
constexpr uint64_t Permute(uint64_t in, unsigned in_width, const std::array<uint8_t, N>& table) {
  uint64_t out = 0;
  for (const uint8_t bit : table) out = out << 1 | ((in >> (in_width - bit)) & 1);
  return out;
}

// The round function works on both halves rotated left by one bit, so that each S-box's six
// input bits (which wrap around the 32-bit half) sit together: with R' = Rotl(R, 1), the groups
// of S2, S4, S6, S8 are the low six bits of the bytes of R', those of S1, S3, S5, S7 the low six
// bits of the bytes of Rotr(R', 4). kSp[i][v] is the permuted output of S-box i + 1 on input
// v mod 64, rotated to match: indexed by a whole byte, the two bits above the group need no
// masking.
using SpTable = std::array<std::array<uint32_t, 256>, 8>;

constexpr SpTable MakeSpTable() {
  const std::array<const std::array<uint8_t, 64>*, 8> boxes = {
      &tables::DES_S1, &tables::DES_S2, &tables::DES_S3, &tables::DES_S4,
      &tables::DES_S5, &tables::DES_S6, &tables::DES_S7, &tables::DES_S8};
  SpTable sp{};
  for (unsigned i = 0; i < 8; ++i) {
    for (unsigned v = 0; v < 256; ++v) {
      const unsigned row = (v >> 4 & 2) | (v & 1);
      const unsigned column = v >> 1 & 0xF;
      const uint64_t s = (*boxes[i])[row * 16 + column];
      sp[i][v] = Rotl32(static_cast<uint32_t>(Permute(s << (28 - 4 * i), 32, tables::DES_P)), 1);
    }
  }
  return sp;
}

constexpr SpTable kSp = MakeSpTable();

// The initial and final permutations as exchanges of bit groups between the two halves.
constexpr void SwapMove(uint32_t& a, uint32_t& b, unsigned shift, uint32_t mask) {
  const uint32_t t = ((a >> shift) ^ b) & mask;
  b ^= t;
  a ^= t << shift;
}

// (l, r): the block as two big-endian halves in, L0 and R0 out.
constexpr void InitialPermutation(uint32_t& l, uint32_t& r) {
  SwapMove(l, r, 4, 0x0F0F0F0F);
  SwapMove(l, r, 16, 0x0000FFFF);
  SwapMove(r, l, 2, 0x33333333);
  SwapMove(r, l, 8, 0x00FF00FF);
  SwapMove(l, r, 1, 0x55555555);
}

// (l, r): R16 and L16 in, the block's two big-endian halves out.
constexpr void FinalPermutation(uint32_t& l, uint32_t& r) {
  SwapMove(l, r, 1, 0x55555555);
  SwapMove(r, l, 8, 0x00FF00FF);
  SwapMove(r, l, 2, 0x33333333);
  SwapMove(l, r, 16, 0x0000FFFF);
  SwapMove(l, r, 4, 0x0F0F0F0F);
}

// Both exchange sequences are checked here, bit by bit, against the published tables.
template <class Fn, size_t N>
constexpr bool MatchesTable(Fn permutation, const std::array<uint8_t, N>& table) {
  for (unsigned j = 1; j <= 64; ++j) {
    const uint64_t in = uint64_t{1} << (64 - table[j - 1]);
    uint32_t l = static_cast<uint32_t>(in >> 32), r = static_cast<uint32_t>(in);
    permutation(l, r);
    if ((uint64_t{l} << 32 | r) != uint64_t{1} << (64 - j))
      return false;
  }
  return true;
}

static_assert(MatchesTable([](uint32_t& l, uint32_t& r) { InitialPermutation(l, r); },
                           tables::DES_IP));
static_assert(MatchesTable([](uint32_t& l, uint32_t& r) { FinalPermutation(l, r); },
                           tables::DES_IP_INV));

// One round on rotated halves: l ^= f(r, subkey k[0], k[1]).
// One block alone waits on its own look-ups: they are combined as a balanced tree, so that the
// last of them to arrive is three XORs away from the new l (the compiler would otherwise chain
// them one after the other). Blocks side by side hide that latency anyway and need the
// registers more.
template <bool kBalanced>
inline void Round(uint32_t& l, uint32_t r, const uint32_t* k) {
  const auto apart = [](uint32_t v) { return kBalanced ? detail::KeepApart(v) : v; };
  const uint32_t u = Rotr32(r, 4) ^ k[0], v = r ^ k[1];
  const uint32_t a = apart(kSp[6][u & 0xFF] ^ kSp[4][u >> 8 & 0xFF]);
  const uint32_t b = apart(kSp[2][u >> 16 & 0xFF] ^ kSp[0][u >> 24]);
  const uint32_t c = apart(kSp[7][v & 0xFF] ^ kSp[5][v >> 8 & 0xFF]);
  const uint32_t d = apart(kSp[3][v >> 16 & 0xFF] ^ kSp[1][v >> 24]);
  l ^= apart(a ^ b) ^ apart(c ^ d);
}

// The 16 rounds of N blocks side by side on rotated halves, subkeys forwards or backwards;
// (l, r) go from (L0, R0) to (L16, R16) without the usual swaps.
template <size_t N, bool kDecrypt>
inline void Rounds(uint32_t (&l)[N], uint32_t (&r)[N], const uint32_t* schedule) {
  for (int step = 0; step < 32; step += 4) {
    const uint32_t* k = kDecrypt ? schedule + 30 - step : schedule + step;
    for (size_t b = 0; b < N; ++b) Round<N == 1>(l[b], r[b], k);
    k = kDecrypt ? k - 2 : k + 2;
    for (size_t b = 0; b < N; ++b) Round<N == 1>(r[b], l[b], k);
  }
}

// DES (one stage) or triple DES (three) on N blocks. In triple DES the final permutation of
// one stage and the initial permutation of the next cancel, so the stages run back to back,
// each in the other direction and starting from the swapped halves of the last.
template <size_t N, size_t kStages, bool kDecrypt>
inline void Blocks(const uint8_t* in, uint8_t* out, const uint32_t* const* schedules) {
  uint32_t l[N], r[N];
  for (size_t b = 0; b < N; ++b) {
    l[b] = LoadBe32(in + 8 * b);
    r[b] = LoadBe32(in + 8 * b + 4);
    InitialPermutation(l[b], r[b]);
    l[b] = Rotl32(l[b], 1);
    r[b] = Rotl32(r[b], 1);
  }
  Rounds<N, kDecrypt>(l, r, schedules[0]);
  if constexpr (kStages == 3) {
    Rounds<N, !kDecrypt>(r, l, schedules[1]);
    Rounds<N, kDecrypt>(l, r, schedules[2]);
  }
  for (size_t b = 0; b < N; ++b) {
    uint32_t left = Rotr32(r[b], 1), right = Rotr32(l[b], 1);
    FinalPermutation(left, right);
    StoreBe32(out + 8 * b, left);
    StoreBe32(out + 8 * b + 4, right);
  }
}

template <size_t kStages, bool kDecrypt>
struct BlockRun {
  std::array<const uint32_t*, kStages> schedules;

  template <size_t N>
  void operator()(const uint8_t* in, uint8_t* out) const {
    Blocks<N, kStages, kDecrypt>(in, out, schedules.data());
  }
};

constexpr size_t kLanes = 4;

using Schedules = std::array<std::array<uint32_t, 32>, 3>;

// Triple DES encrypts with K1, decrypts with K2 and encrypts with K3; decryption the reverse.
BlockRun<3, false> TripleEncryptRun(const Schedules& k) {
  return {{k[0].data(), k[1].data(), k[2].data()}};
}

BlockRun<3, true> TripleDecryptRun(const Schedules& k) {
  return {{k[2].data(), k[1].data(), k[0].data()}};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CustomDes

void CustomDes::DesKeySchedule(const uint8_t* key, DesSchedule& schedule) {
  const uint64_t cd = Permute(LoadBe64(key), 64, tables::DES_PC1);
  uint32_t c = static_cast<uint32_t>(cd >> 28), d = static_cast<uint32_t>(cd & 0xFFFFFFF);
  for (size_t round = 0; round < 16; ++round) {
    const unsigned shift = tables::DES_SHIFTS[round];
    c = (c << shift | c >> (28 - shift)) & 0xFFFFFFF;
    d = (d << shift | d >> (28 - shift)) & 0xFFFFFFF;
    const uint64_t subkey = Permute(uint64_t{c} << 28 | d, 56, tables::DES_PC2);
    uint32_t odd = 0, even = 0;  // groups of S1, S3, S5, S7 and of S2, S4, S6, S8
    for (unsigned g = 0; g < 8; g += 2) {
      odd = odd << 8 | static_cast<uint32_t>(subkey >> (42 - 6 * g) & 0x3F);
      even = even << 8 | static_cast<uint32_t>(subkey >> (36 - 6 * g) & 0x3F);
    }
    schedule[2 * round] = odd;
    schedule[2 * round + 1] = even;
  }
}

void CustomDes::DesEncryptBlock(const uint8_t* in, uint8_t* out, const DesSchedule& schedule) {
  const uint32_t* k = schedule.data();
  Blocks<1, 1, false>(in, out, &k);
}

void CustomDes::DesDecryptBlock(const uint8_t* in, uint8_t* out, const DesSchedule& schedule) {
  const uint32_t* k = schedule.data();
  Blocks<1, 1, true>(in, out, &k);
}

// ---------------------------------------------------------------------------------------------
// Des

bool Des::KnownAnswerTest() {
  return BlockKnownAnswers<Des>({
      {"0170f175468fb5e6", 64, "0756d8e0774761d2", "0cd3da020021dc09"},
      {"025816164629b007", 64, "480d39006ee762f2", "a1f9915541020b56"},
  });
}

void Des::Wipe() {
  detail::SecureWipeObject(schedule_, 0);
  CustomDes::Wipe();
}

void Des::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  uint8_t padded[8] = {};
  for (size_t i = 0; i < key_bits / 8; ++i) padded[i] = key[i];
  DesKeySchedule(padded, schedule_);
  detail::SecureWipe(padded, sizeof(padded));
}

void Des::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, BlockRun<1, false>{{schedule_.data()}});
}

void Des::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, BlockRun<1, true>{{schedule_.data()}});
}

void Des::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, kLanes>(mode, chain, in, out, count,
                                          BlockRun<1, false>{{schedule_.data()}},
                                          BlockRun<1, true>{{schedule_.data()}});
}

// ---------------------------------------------------------------------------------------------
// TripleDes

bool TripleDes::KnownAnswerTest() {
  return BlockKnownAnswers<TripleDes>({
      {"0123456789abcdeffedcba987654321089abcdef01234567", 192, "0123456789abcde7",
       "de0b7c06ae5e0ed5"},
  });
}

void TripleDes::Wipe() {
  detail::SecureWipeObject(schedules_, 0);
  CustomDes::Wipe();
}

void TripleDes::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  uint8_t padded[24] = {};
  for (size_t i = 0; i < key_bits / 8; ++i) padded[i] = key[i];
  DesKeySchedule(padded, schedules_[0]);
  DesKeySchedule(padded + 8, schedules_[1]);
  if (key_bits <= 128) {
    schedules_[2] = schedules_[0];
  } else {
    DesKeySchedule(padded + 16, schedules_[2]);
  }
  detail::SecureWipe(padded, sizeof(padded));
}

void TripleDes::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, TripleEncryptRun(schedules_));
}

void TripleDes::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, TripleDecryptRun(schedules_));
}

void TripleDes::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, kLanes>(mode, chain, in, out, count, TripleEncryptRun(schedules_),
                                          TripleDecryptRun(schedules_));
}

}  // namespace varkesh

// Blowfish: 64-bit block, big-endian words, keys of 1 to 56 whole bytes; the key schedule runs
// 521 block encryptions over the digits of pi. A trailing half byte of the key is ignored.
#include "crypto/blowfish.h"

#include <bit>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/tables/pi.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::LoadBe64;
using detail::StoreBe32;
using detail::StoreBe64;

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

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#  define VARKESH_BLOWFISH_FOUR_REGISTERS 1
#else
#  define VARKESH_BLOWFISH_FOUR_REGISTERS 0
#endif

#if VARKESH_BLOWFISH_FOUR_REGISTERS
// Four blocks, each whole in one of the four registers whose second byte has a name of its own
// (%ah to %dh), the half that goes through F next in the low 32 bits. Rotating the block by 16
// bits twice gives each of F's four indices in one instruction (the compiler takes two or three
// from a 32-bit word) and swaps the halves, so that F goes into the half now low. A round of the
// four blocks saturates the arithmetic units while their look-ups overlap; one block on its own
// is faster in the form above, where the first index is a single shift of the word.
// clang-format off
#  define VARKESH_BLOWFISH_ROUND(v)         \
    "movzbl %h[" v "], %k[i2]\n\t"          \
    "movzbl %b[" v "], %k[i3]\n\t"          \
    "rorq $16, %[" v "]\n\t"                \
    "movzbl %h[" v "], %k[i0]\n\t"          \
    "movzbl %b[" v "], %k[i1]\n\t"          \
    "rorq $16, %[" v "]\n\t"                \
    VARKESH_BLOWFISH_F(v)

// The same for a block in a register without a named second byte: the indices come from shifted
// copies, and one rotation swaps the halves.
#  define VARKESH_BLOWFISH_ROUND_COPIED(v)  \
    "movl %k[" v "], %k[i0]\n\t"            \
    "movl %k[" v "], %k[i1]\n\t"            \
    "movl %k[" v "], %k[i2]\n\t"            \
    "shrl $24, %k[i0]\n\t"                  \
    "shrl $16, %k[i1]\n\t"                  \
    "shrl $8, %k[i2]\n\t"                   \
    "movzbl %b[" v "], %k[i3]\n\t"          \
    "movzbl %b[i1], %k[i1]\n\t"             \
    "movzbl %b[i2], %k[i2]\n\t"             \
    "rorq $32, %[" v "]\n\t"                \
    VARKESH_BLOWFISH_F(v)

#  define VARKESH_BLOWFISH_F(v)             \
    "movl (%[s],%[i0],4), %k[i0]\n\t"       \
    "addl 1024(%[s],%[i1],4), %k[i0]\n\t"   \
    "xorl 2048(%[s],%[i2],4), %k[i0]\n\t"   \
    "addl 3072(%[s],%[i3],4), %k[i0]\n\t"   \
    "xorq %[i0], %[" v "]\n\t"

// clang-format on

inline void RoundOf(const SBoxes& s, uint64_t (&v)[4]) {
  uint64_t i0, i1, i2, i3;
  __asm__(VARKESH_BLOWFISH_ROUND("v0") VARKESH_BLOWFISH_ROUND("v1") VARKESH_BLOWFISH_ROUND("v2")
              VARKESH_BLOWFISH_ROUND("v3")
          : [v0] "+a"(v[0]), [v1] "+b"(v[1]), [v2] "+c"(v[2]), [v3] "+d"(v[3]), [i0] "=&R"(i0),
            [i1] "=&r"(i1), [i2] "=&R"(i2), [i3] "=&r"(i3)
          : [s] "r"(s.data()), "m"(s));
}

// Eight blocks: the round of four leaves the arithmetic units idle for part of each look-up's
// latency, which four more blocks fill.
inline void RoundOf(const SBoxes& s, uint64_t (&v)[8]) {
  uint64_t i0, i1, i2, i3;
  __asm__(VARKESH_BLOWFISH_ROUND("v0") VARKESH_BLOWFISH_ROUND_COPIED("v4")
              VARKESH_BLOWFISH_ROUND("v1") VARKESH_BLOWFISH_ROUND_COPIED("v5")
                  VARKESH_BLOWFISH_ROUND("v2") VARKESH_BLOWFISH_ROUND_COPIED("v6")
                      VARKESH_BLOWFISH_ROUND("v3") VARKESH_BLOWFISH_ROUND_COPIED("v7")
          : [v0] "+a"(v[0]), [v1] "+b"(v[1]), [v2] "+c"(v[2]), [v3] "+d"(v[3]), [v4] "+r"(v[4]),
            [v5] "+r"(v[5]), [v6] "+r"(v[6]), [v7] "+r"(v[7]), [i0] "=&R"(i0), [i1] "=&r"(i1),
            [i2] "=&R"(i2), [i3] "=&r"(i3)
          : [s] "r"(s.data()), "m"(s));
}

#  undef VARKESH_BLOWFISH_F
#  undef VARKESH_BLOWFISH_ROUND_COPIED
#  undef VARKESH_BLOWFISH_ROUND

// Two subkeys as one word, the first low.
inline uint64_t Pair(const uint32_t* p) { return uint64_t{p[0]} | uint64_t{p[1]} << 32; }

// Two rounds per step: both halves take their subkeys at its start, as an XOR commutes with the
// F that the second half takes before its subkey is needed. After the last round the halves are
// where the output wants them.
template <size_t N, bool kDecrypt>
inline void RegisterBlocks(const uint32_t* p, const SBoxes& s, const uint8_t* in, uint8_t* out) {
  const auto pair = [p](size_t i) {
    return kDecrypt ? std::rotr(Pair(p + 16 - i), 32) : Pair(p + i);
  };
  uint64_t v[N];
  for (size_t b = 0; b < N; ++b) v[b] = std::rotr(LoadBe64(in + 8 * b), 32);
  for (size_t i = 0; i < 16; i += 2) {
    const uint64_t k = pair(i);
    for (uint64_t& x : v) x ^= k;
    RoundOf(s, v);
    RoundOf(s, v);
  }
  const uint64_t k = pair(16);
  for (size_t b = 0; b < N; ++b) StoreBe64(out + 8 * b, v[b] ^ k);
}
#endif

template <size_t N, bool kDecrypt>
inline void Blocks(const uint32_t* p, const SBoxes& s, const uint8_t* in, uint8_t* out) {
#if VARKESH_BLOWFISH_FOUR_REGISTERS
  if constexpr (N == 4 || N == 8) {
    RegisterBlocks<N, kDecrypt>(p, s, in, out);
    return;
  }
#endif
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

// Where the blocks fit in registers, eight at a time and a remainder of four to seven as four.
constexpr size_t kLanes = VARKESH_BLOWFISH_FOUR_REGISTERS ? 8 : 4;
constexpr size_t kTailLanes = VARKESH_BLOWFISH_FOUR_REGISTERS ? 4 : 1;

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
  detail::RunLanes<kLanes, 8, kTailLanes>(in, out, blocks, BlockRun<false>{p_.data(), s_});
}

void Blowfish::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8, kTailLanes>(in, out, blocks, BlockRun<true>{p_.data(), s_});
}

void Blowfish::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, kLanes, kTailLanes>(
      mode, chain, in, out, count, BlockRun<false>{p_.data(), s_}, BlockRun<true>{p_.data(), s_});
}

}  // namespace varkesh

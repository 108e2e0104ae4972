// Serpent in the bitslice form: the block is four little-endian words, and each 4-bit S-box works
// on all 32 nibble columns of the words at once (serpent_rounds.h). Runs of blocks go 16 or 8 at
// a time through the AVX-512 or AVX2 kernels where the processor has them, then 4 at a time in
// 128-bit vectors where SSE2 is always there, then one by one.
#include "crypto/serpent.h"

#include <algorithm>
#include <cstddef>

#include "crypto/detail/cpu.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"
#include "crypto/serpent_rounds.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::StoreLe32;
using namespace serpent;  // NOLINT(google-build-using-namespace): the rounds and S-boxes

constexpr uint32_t kPhi = 0x9E3779B9;

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#  define VARKESH_SERPENT_VECTORS 1
using Vector = uint32_t __attribute__((vector_size(16)));
constexpr size_t kVectorLanes = sizeof(Vector) / sizeof(uint32_t);
#else
#  define VARKESH_SERPENT_VECTORS 0
#endif

// Whole groups of the widest kernel the processor has; returns how many blocks they took.
template <bool kDecrypt>
size_t WideGroups(const uint32_t* k, const uint8_t* in, uint8_t* out, size_t blocks) {
#if VARKESH_X86
  if (detail::CpuHas(detail::kCpuAvx512f))
    return kernels::SerpentAvx512(k, kDecrypt, in, out, blocks);
  if (detail::CpuHas(detail::kCpuAvx2))
    return kernels::SerpentAvx2(k, kDecrypt, in, out, blocks);
#endif
  (void)k, (void)in, (void)out, (void)blocks;
  return 0;
}

template <bool kDecrypt>
void Blocks(const uint32_t* k, const uint8_t* in, uint8_t* out, size_t blocks) {
  const size_t wide = WideGroups<kDecrypt>(k, in, out, blocks);
  in += 16 * wide, out += 16 * wide, blocks -= wide;
#if VARKESH_SERPENT_VECTORS
  for (; blocks >= kVectorLanes;
       blocks -= kVectorLanes, in += 16 * kVectorLanes, out += 16 * kVectorLanes)
    VectorBlocks<kDecrypt, Vector>(k, in, out);
#endif
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    Words<uint32_t> x{LoadLe32(in), LoadLe32(in + 4), LoadLe32(in + 8), LoadLe32(in + 12)};
    if constexpr (kDecrypt)
      DecryptWords(x, k);
    else
      EncryptWords(x, k);
    StoreLe32(out, x.a), StoreLe32(out + 4, x.b);
    StoreLe32(out + 8, x.c), StoreLe32(out + 12, x.d);
  }
}

}  // namespace

bool Serpent::KnownAnswerTest() {
  return BlockKnownAnswers<Serpent>({
      {"ffeeddccbbaa99887766554433221100", 128, "1032547698badcfeefcdab8967452301",
       "d5baa00a4bb9d8a7c981c8dc90d89d92"},
      {"8899aabbccddeeffffeeddccbbaa99887766554433221100", 192, "1032547698badcfeefcdab8967452301",
       "da860842b720802bf404a4c71034879a"},
      {"00112233445566778899aabbccddeeffffeeddccbbaa99887766554433221100", 256,
       "1032547698badcfeefcdab8967452301", "93df9a3cafe387bd999eebe393a17fca"},
  });
}

void Serpent::Wipe() {
  detail::SecureWipeObject(subkeys_, 0x00);
  BlockCipher128::Wipe();
}

void Serpent::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  // w[0..7] is the padded key, w[8 + i] prekey i.
  std::array<uint32_t, 8 + 132> w{};
  std::array<uint8_t, 32> buffer{};
  std::copy_n(key, key_bits / 8, buffer.begin());
  for (size_t i = 0; i < 8; ++i) w[i] = LoadLe32(&buffer[4 * i]);
  if (key_bits < 256) {
    // A 1 bit right after the key; everything above it stays zero. For a size of the form 8k+4
    // the ignored half byte counts as zero bits of the key.
    const uint32_t bit = key_bits % 32;
    uint32_t& word = w[key_bits / 32];
    word = (word | uint32_t{1} << bit) & ((uint32_t{2} << bit) - 1);
  }
  for (uint32_t i = 0; i < 132; ++i)
    w[i + 8] = Rotl32(w[i] ^ w[i + 3] ^ w[i + 5] ^ w[i + 7] ^ kPhi ^ i, 11);

  const uint32_t* pre = &w[8];
  uint32_t* sub = subkeys_.data();
  for (size_t i = 0; i < 32; i += 8, pre += 32, sub += 32) {
    MakeSubkey<SERPENT_S3>(pre, sub);
    MakeSubkey<SERPENT_S2>(pre + 4, sub + 4);
    MakeSubkey<SERPENT_S1>(pre + 8, sub + 8);
    MakeSubkey<SERPENT_S0>(pre + 12, sub + 12);
    MakeSubkey<SERPENT_S7>(pre + 16, sub + 16);
    MakeSubkey<SERPENT_S6>(pre + 20, sub + 20);
    MakeSubkey<SERPENT_S5>(pre + 24, sub + 24);
    MakeSubkey<SERPENT_S4>(pre + 28, sub + 28);
  }
  MakeSubkey<SERPENT_S3>(pre, sub);

  detail::SecureWipeObject(w);
  detail::SecureWipeObject(buffer);
}

void Serpent::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  Blocks<false>(subkeys_.data(), in, out, blocks);
}

void Serpent::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  Blocks<true>(subkeys_.data(), in, out, blocks);
}

void Serpent::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  const uint32_t* k = subkeys_.data();
  detail::RunMode<16>(
      mode, chain, in, out, count, detail::WordsOf<16, false>([k](uint32_t(&w)[4]) {
        Words<uint32_t> x{w[0], w[1], w[2], w[3]};
        EncryptWords(x, k);
        w[0] = x.a, w[1] = x.b, w[2] = x.c, w[3] = x.d;
      }),
      [k](const uint8_t* i, uint8_t* o, size_t n) { Blocks<false>(k, i, o, n); },
      [k](const uint8_t* i, uint8_t* o, size_t n) { Blocks<true>(k, i, o, n); });
}

}  // namespace varkesh

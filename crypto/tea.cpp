// TEA with the stored format's round: each half-round is
//   x += (y << 4) + (k0 ^ y) + (sum ^ (y >> 5)) + k1
// where published TEA XORs ((y << 4) + k0), (y + sum) and ((y >> 5) + k1). Keys shorter than
// 128 bits are padded with zero bytes. No tables, so the timing does not depend on the data.
#include "crypto/tea.h"

#include <algorithm>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"

namespace varkesh {

namespace {

using detail::LoadBe32;
using detail::StoreBe32;

constexpr uint32_t kDelta = 0x9E3779B9;
constexpr int kCycles = 32;
constexpr uint32_t kFinalSum = kDelta * kCycles;  // 0xC6EF3720

constexpr uint32_t F(uint32_t v, uint32_t sum, uint32_t ka, uint32_t kb) {
  return (v << 4) + (ka ^ v) + (sum ^ (v >> 5)) + kb;
}

// N blocks side by side; the sum is the same for all of them.
template <size_t N, bool kDecrypt>
inline void Blocks(const uint32_t* k, const uint8_t* in, uint8_t* out) {
  uint32_t x[N], y[N];
  for (size_t b = 0; b < N; ++b) x[b] = LoadBe32(in + 8 * b), y[b] = LoadBe32(in + 8 * b + 4);
  uint32_t sum = kDecrypt ? kFinalSum : 0;
  for (int i = 0; i < kCycles; ++i) {
    if constexpr (kDecrypt) {
      for (size_t b = 0; b < N; ++b) y[b] -= F(x[b], sum, k[2], k[3]);
      for (size_t b = 0; b < N; ++b) x[b] -= F(y[b], sum, k[0], k[1]);
      sum -= kDelta;
    } else {
      sum += kDelta;
      for (size_t b = 0; b < N; ++b) x[b] += F(y[b], sum, k[0], k[1]);
      for (size_t b = 0; b < N; ++b) y[b] += F(x[b], sum, k[2], k[3]);
    }
  }
  for (size_t b = 0; b < N; ++b) StoreBe32(out + 8 * b, x[b]), StoreBe32(out + 8 * b + 4, y[b]);
}

constexpr size_t kLanes = 4;

// The lane bodies (see RunLanes) of encryption and decryption.
template <bool kDecrypt>
auto LaneRun(const uint32_t* k) {
  return [k]<size_t N>(const uint8_t* i, uint8_t* o) {
    if constexpr (kDecrypt)
      Blocks<N, true>(k, i, o);
    else
      Blocks<N, false>(k, i, o);
  };
}

}  // namespace

bool Tea::KnownAnswerTest() {
  // The self-test checks only that encryption changes the block and decryption restores it.
  static constexpr uint8_t kKey[16] = {0x78, 0x56, 0x34, 0x12, 0xf0, 0xde, 0xbc, 0x9a,
                                       0xa9, 0xcb, 0xed, 0x0f, 0x21, 0x43, 0x65, 0x87};
  static constexpr uint8_t kPlain[8] = {0x78, 0x56, 0x34, 0x12, 0xf0, 0xde, 0xbc, 0x9a};
  Tea tea;
  tea.Init(kKey, 128);
  uint8_t block[8];
  tea.EncryptBlock(kPlain, block);
  const bool changed = !std::equal(block, block + 8, kPlain);
  tea.DecryptBlock(block, block);
  const bool restored = std::equal(block, block + 8, kPlain);
  tea.Wipe();
  return changed && restored;
}

void Tea::Wipe() {
  detail::SecureWipe(k_.data(), sizeof(k_));
  BlockCipher64::Wipe();
}

void Tea::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  std::array<uint8_t, 16> buffer{};
  std::copy_n(key, std::min<size_t>(key_bits / 8, buffer.size()), buffer.begin());
  for (size_t i = 0; i < k_.size(); ++i) k_[i] = LoadBe32(&buffer[4 * i]);
  detail::SecureWipe(buffer.data(), buffer.size());
}

void Tea::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, LaneRun<false>(k_.data()));
}

void Tea::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, LaneRun<true>(k_.data()));
}

void Tea::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, true, kLanes>(mode, chain, in, out, count, LaneRun<false>(k_.data()),
                                          LaneRun<true>(k_.data()));
}

}  // namespace varkesh

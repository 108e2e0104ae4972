// RC5-32/12/b as published, with the key expansion shared with RC6. No table is indexed with
// secret data; the data-dependent rotations take constant time on current processors.
#include "crypto/rc5.h"

#include <algorithm>

#include "crypto/detail/bytes.h"
#include "crypto/detail/lanes.h"
#include "crypto/detail/modes.h"
#include "crypto/known_answer.h"

namespace varkesh {

namespace {

using detail::LoadLe32;
using detail::Rotl32;
using detail::Rotr32;
using detail::StoreLe32;

constexpr uint32_t kP32 = 0xB7E15163;
constexpr uint32_t kQ32 = 0x9E3779B9;

// S[i] = P32 + i * Q32 before the key is mixed in; RC5 uses the first 26 words, RC6 all 44.
constexpr auto kInitialTable = [] {
  std::array<uint32_t, 44> s{};
  for (uint32_t i = 0; i < s.size(); ++i) s[i] = kP32 + i * kQ32;
  return s;
}();

constexpr int kRc5Rounds = 12;

// N blocks side by side.
template <size_t N, bool kDecrypt>
inline void Rc5Blocks(const uint32_t* s, const uint8_t* in, uint8_t* out) {
  uint32_t a[N], b[N];
  for (size_t j = 0; j < N; ++j) a[j] = LoadLe32(in + 8 * j), b[j] = LoadLe32(in + 8 * j + 4);
  if constexpr (kDecrypt) {
    for (int i = kRc5Rounds; i >= 1; --i) {
      for (size_t j = 0; j < N; ++j) b[j] = Rotr32(b[j] - s[2 * i + 1], a[j]) ^ a[j];
      for (size_t j = 0; j < N; ++j) a[j] = Rotr32(a[j] - s[2 * i], b[j]) ^ b[j];
    }
    for (size_t j = 0; j < N; ++j) a[j] -= s[0], b[j] -= s[1];
  } else {
    for (size_t j = 0; j < N; ++j) a[j] += s[0], b[j] += s[1];
    for (int i = 1; i <= kRc5Rounds; ++i) {
      for (size_t j = 0; j < N; ++j) a[j] = Rotl32(a[j] ^ b[j], b[j]) + s[2 * i];
      for (size_t j = 0; j < N; ++j) b[j] = Rotl32(b[j] ^ a[j], a[j]) + s[2 * i + 1];
    }
  }
  for (size_t j = 0; j < N; ++j) StoreLe32(out + 8 * j, a[j]), StoreLe32(out + 8 * j + 4, b[j]);
}

constexpr size_t kLanes = 4;

// The lane bodies (see RunLanes) of encryption and decryption.
template <bool kDecrypt>
auto LaneRun(const uint32_t* k) {
  return [k]<size_t N>(const uint8_t* i, uint8_t* o) {
    if constexpr (kDecrypt)
      Rc5Blocks<N, true>(k, i, o);
    else
      Rc5Blocks<N, false>(k, i, o);
  };
}

}  // namespace

void detail::ExpandRcKey(const uint8_t* key, size_t key_bytes, uint32_t* s, size_t words) {
  std::array<uint8_t, 256> buffer{};
  std::array<uint32_t, 64> l;
  key_bytes = std::min(key_bytes, buffer.size());
  std::copy_n(key, key_bytes, buffer.begin());
  for (size_t k = 0; k < l.size(); ++k) l[k] = LoadLe32(&buffer[4 * k]);
  // A key of less than one byte never gets here (Init refuses it); one word at least keeps
  // the j-loop well defined all the same.
  const size_t c = key_bytes == 0 ? 1 : (key_bytes + 3) / 4;
  std::copy_n(kInitialTable.begin(), words, s);

  uint32_t a = 0, b = 0;
  size_t i = 0, j = 0;
  for (size_t n = 3 * std::max(c, words); n != 0; --n) {
    a = s[i] = Rotl32(s[i] + a + b, 3);
    b = l[j] = Rotl32(l[j] + a + b, a + b);
    if (++i == words)
      i = 0;
    if (++j == c)
      j = 0;
  }
  SecureWipe(buffer.data(), buffer.size());
  SecureWipe(l.data(), sizeof(l));
}

bool Rc5::KnownAnswerTest() {
  return BlockKnownAnswers<Rc5>({
      {"dc49db1375a5584f6485b413b5f12baf", 128, "2f42b3b70369fc92", "65c178b284d197cc"},
      {"5269f149d41ba0152497574d7f153125", 128, "65c178b284d197cc", "eb44e415da319824"},
  });
}

void Rc5::Wipe() {
  detail::SecureWipe(s_.data(), sizeof(s_), 0xFF);
  BlockCipher64::Wipe();
}

void Rc5::ExpandKey(const uint8_t* key, uint32_t key_bits) {
  detail::ExpandRcKey(key, key_bits / 8, s_.data(), s_.size());
}

void Rc5::EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, LaneRun<false>(s_.data()));
}

void Rc5::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const {
  detail::RunLanes<kLanes, 8>(in, out, blocks, LaneRun<true>(s_.data()));
}

void Rc5::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunModeOnLanes<8, false, kLanes>(mode, chain, in, out, count, LaneRun<false>(s_.data()),
                                           LaneRun<true>(s_.data()));
}

}  // namespace varkesh

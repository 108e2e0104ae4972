// Runs of many blocks against the same blocks taken one at a time. The multi-block paths
// (interleaved lanes, vector kernels) only start above some number of blocks and hand the rest
// to narrower code, so every run length up to well past the widest group is tried, cut at
// random block boundaries, both in place and into another buffer. CBC decryption exercises the
// multi-block decryption, CTR the multi-block encryption.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "varkesh/algorithms.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Longer than two groups of the widest kernel (16 lanes of 128-bit blocks, or 32 of 64-bit).
constexpr size_t kMaxBlocks = 70;

std::vector<const CipherEntry*> BlockCiphers() {
  std::vector<const CipherEntry*> entries;
  for (const CipherEntry& entry : CipherTable()) {
    if (entry.cls->block_size > 0)
      entries.push_back(&entry);
  }
  return entries;
}

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Calls `step(offset, length)` over [0, blocks) in pieces of random whole-block lengths.
template <class Step>
void InRandomPieces(std::mt19937& random, size_t blocks, size_t block_bytes, Step step) {
  for (size_t at = 0; at < blocks;) {
    const size_t piece = std::min<size_t>(blocks - at, 1 + random() % (blocks + 1));
    step(at * block_bytes, piece * block_bytes);
    at += piece;
  }
  if (blocks == 0)
    step(0, 0);
}

void AddOne(Bytes& counter) {
  for (size_t i = counter.size(); i-- > 0;) {
    if (++counter[i] != 0)
      break;
  }
}

class BlockRuns : public testing::TestWithParam<const CipherEntry*> {};

TEST_P(BlockRuns, MatchSingleBlocks) {
  const CipherClass& cls = *GetParam()->cls;
  std::mt19937 random(static_cast<unsigned>(cls.id) * 7919u);
  const size_t b = static_cast<size_t>(cls.block_size) / 8;
  auto cipher_owner = cls.create();
  auto& cipher = dynamic_cast<BlockCipher&>(*cipher_owner);

  for (size_t blocks = 0; blocks <= kMaxBlocks; ++blocks) {
    SCOPED_TRACE(testing::Message() << blocks << " blocks");
    const uint32_t key_bits =
        std::min<uint32_t>(static_cast<uint32_t>(cls.max_key_size), blocks % 2 == 0 ? 128 : 256);
    const Bytes key = RandomBytes(random, key_bits / 8);
    const Bytes iv = RandomBytes(random, b);
    const Bytes data = RandomBytes(random, blocks * b);
    const bool in_place = blocks % 3 != 0;
    cipher.Init(key.data(), key_bits, iv.data());

    // CBC decryption, block by block: P[i] = D(C[i]) xor C[i-1].
    Bytes expected(data.size());
    for (size_t i = 0; i < blocks; ++i) {
      cipher.DecryptBlock(&data[i * b], &expected[i * b]);
      const uint8_t* previous = i == 0 ? iv.data() : &data[(i - 1) * b];
      for (size_t j = 0; j < b; ++j) expected[i * b + j] ^= previous[j];
    }
    Bytes got = data, source = data;
    cipher.SetCipherMode(cmCBC);
    InRandomPieces(random, blocks, b, [&](size_t at, size_t n) {
      cipher.Decrypt((in_place ? got.data() : source.data()) + at, got.data() + at, n);
    });
    ASSERT_EQ(got, expected) << "CBC decryption" << (in_place ? " in place" : "");

    // CTR, block by block: the key stream is E(IV), E(IV + 1), ...
    Bytes counter = iv, stream(b);
    for (size_t i = 0; i < blocks; ++i) {
      cipher.EncryptBlock(counter.data(), stream.data());
      for (size_t j = 0; j < b; ++j) expected[i * b + j] = data[i * b + j] ^ stream[j];
      AddOne(counter);
    }
    got = data;
    cipher.Reset();
    cipher.SetCipherMode(cmCTR);
    InRandomPieces(random, blocks, b, [&](size_t at, size_t n) {
      cipher.Encrypt((in_place ? got.data() : source.data()) + at, got.data() + at, n);
    });
    ASSERT_EQ(got, expected) << "CTR" << (in_place ? " in place" : "");
  }
}

std::string CipherName(const testing::TestParamInfo<const CipherEntry*>& param) {
  return std::string(param.param->class_name);
}

INSTANTIATE_TEST_SUITE_P(Ciphers, BlockRuns, testing::ValuesIn(BlockCiphers()), CipherName);

}  // namespace
}  // namespace varkesh::test

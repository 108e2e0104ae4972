// The one runner for the known-answer vector files under tests/vectors/. Adding a vector is a
// data change only; each record becomes one test case named after its section and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/cpu_paths.h"
#include "tests/vector_file.h"
#include "varkesh/algorithms.h"
#include "varkesh/base64.h"

namespace varkesh::test {
namespace {

std::string RecordName(const testing::TestParamInfo<VectorRecord>& info) {
  return info.param.Name();
}

// ---------------------------------------------------------------------------------------------
// Hashes: [Class name]  In, Out, optional Repeat (In is fed that many times).

class HashVectors : public testing::TestWithParam<VectorRecord> {
 protected:
  std::unique_ptr<Hash> MakeHash() {
    const HashEntry* entry = FindHash(GetParam().section);
    return entry != nullptr ? entry->cls->create() : nullptr;
  }

  void CheckDigest();

  std::vector<uint8_t> Digest(Hash& hash) {
    std::vector<uint8_t> digest(hash.DigestBytes());
    hash.Final(digest.data());
    return digest;
  }
};

// Every record runs on every kernel tier the machine has, the portable code included.
TEST_P(HashVectors, Digest) {
  ForEachCpuPath([this] { CheckDigest(); });
}

void HashVectors::CheckDigest() {
  const VectorRecord& record = GetParam();
  const auto hash = MakeHash();
  ASSERT_NE(hash, nullptr) << record;
  const std::vector<uint8_t> in = record.Bytes("In");
  const std::vector<uint8_t> expected = record.Bytes("Out");
  const uint64_t repeat = record.Has("Repeat") ? record.Number("Repeat") : 1;

  // Twice in a row on one object, so that Final's wipe leaves nothing behind for the next Init.
  for (int round = 0; round < 2; ++round) {
    hash->Init();
    for (uint64_t i = 0; i < repeat; ++i) hash->Update(in.data(), in.size());
    EXPECT_EQ(Digest(*hash), expected) << record;
  }
  if (repeat != 1 || in.size() > 300)
    return;

  // Every split into two pieces, with an empty update between them.
  for (size_t split = 0; split <= in.size(); ++split) {
    hash->Init();
    hash->Update(in.data(), split);
    hash->Update(in.data() + split, 0);
    hash->Update(in.data() + split, in.size() - split);
    ASSERT_EQ(Digest(*hash), expected) << record << " split at " << split;
  }
  // Byte by byte.
  hash->Init();
  for (const uint8_t byte : in) hash->Update(&byte, 1);
  EXPECT_EQ(Digest(*hash), expected) << record << " byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Vectors,
                         HashVectors,
                         testing::ValuesIn(LoadVectors("hash", {"In", "Out"}, {"Repeat"})),
                         RecordName);

// ---------------------------------------------------------------------------------------------
// Block ciphers, one block: [Class name]  Key, In, Out, optional KeyBits (default: all of Key).
// Also decrypts back, works in place, and refuses after Wipe.

class BlockVectors : public testing::TestWithParam<VectorRecord> {
 protected:
  void CheckBlock();
};

TEST_P(BlockVectors, OneBlock) {
  ForEachCpuPath([this] { CheckBlock(); });
}

void BlockVectors::CheckBlock() {
  const VectorRecord& record = GetParam();
  const CipherEntry* entry = FindCipher(record.section);
  ASSERT_NE(entry, nullptr) << record;
  const std::unique_ptr<Cipher> cipher = entry->cls->create();
  auto& block_cipher = dynamic_cast<BlockCipher&>(*cipher);

  const std::vector<uint8_t> key = record.Bytes("Key");
  const std::vector<uint8_t> in = record.Bytes("In");
  const std::vector<uint8_t> expected = record.Bytes("Out");
  const auto key_bits =
      static_cast<uint32_t>(record.Has("KeyBits") ? record.Number("KeyBits") : key.size() * 8);
  ASSERT_EQ(in.size() * 8, static_cast<size_t>(block_cipher.BlockSize())) << record;

  block_cipher.Init(key.data(), key_bits);
  std::vector<uint8_t> out(in.size());
  block_cipher.EncryptBlock(in.data(), out.data());
  EXPECT_EQ(out, expected) << record << " encrypt";
  block_cipher.DecryptBlock(expected.data(), out.data());
  EXPECT_EQ(out, in) << record << " decrypt";

  out = in;
  block_cipher.EncryptBlock(out.data(), out.data());
  EXPECT_EQ(out, expected) << record << " encrypt in place";
  block_cipher.DecryptBlock(out.data(), out.data());
  EXPECT_EQ(out, in) << record << " decrypt in place";

  block_cipher.Wipe();
  EXPECT_THROW(block_cipher.EncryptBlock(in.data(), out.data()), BlockCipherError);
  EXPECT_THROW(block_cipher.DecryptBlock(in.data(), out.data()), BlockCipherError);
}

INSTANTIATE_TEST_SUITE_P(Vectors,
                         BlockVectors,
                         testing::ValuesIn(LoadVectors("block", {"Key", "In", "Out"}, {"KeyBits"})),
                         RecordName);

// ---------------------------------------------------------------------------------------------
// Base64: [Encode] checks both directions, [Decode] only decoding.

class Base64Vectors : public testing::TestWithParam<VectorRecord> {};

TEST_P(Base64Vectors, Codec) {
  const VectorRecord& record = GetParam();
  const std::string in = record.Text("In");
  const std::string out = record.Text("Out");
  if (record.section == "Encode") {
    EXPECT_EQ(EncodeBase64Text(in), out) << record;
    EXPECT_EQ(DecodeBase64Text(out), in) << record;
  } else {
    EXPECT_EQ(DecodeBase64Text(in), out) << record;
  }
}

INSTANTIATE_TEST_SUITE_P(Vectors,
                         Base64Vectors,
                         testing::ValuesIn(LoadVectors("base64", {"In", "Out"})),
                         RecordName);

}  // namespace
}  // namespace varkesh::test

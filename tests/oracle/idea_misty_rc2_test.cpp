// IDEA, MISTY1 and RC2 against independent implementations (Crypto++ for IDEA and RC2 with an
// effective key length of 1024 bits, Botan for MISTY1) on random keys and blocks, for the key
// lengths that pass-phrase digests give and a few boundary lengths. Keys shorter than 128 bits
// reach the fixed-size IDEA and MISTY1 oracles padded with zero bytes, as our schedules read
// them.
#include <botan/misty1.h>
#include <cryptopp/idea.h>
#include <cryptopp/rc2.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "crypto/idea.h"
#include "crypto/misty1.h"
#include "crypto/rc2.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kBlock = 8;

Bytes Padded(const Bytes& key, size_t size) {
  Bytes padded(size, 0);
  std::copy(key.begin(), key.end(), padded.begin());
  return padded;
}

// ECB over `blocks` whole blocks with the oracle's implementation.
using Oracle =
    void (*)(const Bytes& key, bool encrypt, const uint8_t* in, uint8_t* out, size_t blocks);

template <class Direction>
void CryptoPPBlocks(const Direction& cipher, const uint8_t* in, uint8_t* out, size_t blocks) {
  for (size_t i = 0; i < blocks; ++i) cipher.ProcessBlock(in + i * kBlock, out + i * kBlock);
}

void IdeaOracle(const Bytes& key, bool encrypt, const uint8_t* in, uint8_t* out, size_t blocks) {
  const Bytes k = Padded(key, 16);
  if (encrypt) {
    CryptoPPBlocks(CryptoPP::IDEA::Encryption(k.data(), k.size()), in, out, blocks);
  } else {
    CryptoPPBlocks(CryptoPP::IDEA::Decryption(k.data(), k.size()), in, out, blocks);
  }
}

void Rc2Oracle(const Bytes& key, bool encrypt, const uint8_t* in, uint8_t* out, size_t blocks) {
  if (encrypt) {
    CryptoPPBlocks(CryptoPP::RC2::Encryption(key.data(), key.size(), 1024), in, out, blocks);
  } else {
    CryptoPPBlocks(CryptoPP::RC2::Decryption(key.data(), key.size(), 1024), in, out, blocks);
  }
}

void Misty1Oracle(const Bytes& key, bool encrypt, const uint8_t* in, uint8_t* out, size_t blocks) {
  Botan::MISTY1 cipher;
  cipher.set_key(Padded(key, 16));
  if (encrypt) {
    cipher.encrypt_n(in, out, blocks);
  } else {
    cipher.decrypt_n(in, out, blocks);
  }
}

struct OracleCase {
  const char* name;
  std::unique_ptr<BlockCipher> (*make)();
  Oracle oracle;
  std::vector<uint32_t> key_bits;
};

std::ostream& operator<<(std::ostream& os, const OracleCase& c) { return os << c.name; }

template <class T>
std::unique_ptr<BlockCipher> Make() {
  return std::make_unique<T>();
}

// 128 to 512 are the digest sizes; IDEA and MISTY1 cut every digest to 128 bits.
const OracleCase kCases[] = {
    {"Idea", &Make<Idea>, &IdeaOracle, {128, 8, 64, 120}},
    {"Misty1", &Make<Misty1>, &Misty1Oracle, {128, 8, 64, 120}},
    {"Rc2", &Make<Rc2>, &Rc2Oracle, {128, 160, 192, 256, 384, 512, 8, 16, 1016, 1024}},
};

class OracleTest : public testing::TestWithParam<OracleCase> {};

TEST_P(OracleTest, RandomKeysAndBlocks) {
  const OracleCase& c = GetParam();
  std::mt19937 rng(20240611);
  const auto random_bytes = [&rng](size_t n) {
    Bytes bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
  };
  // One object for all keys, so every Init also replaces a live schedule.
  const std::unique_ptr<BlockCipher> cipher = c.make();
  constexpr size_t kBlocks = 24;  // more than one block per call reaches the multi-block paths
  for (const uint32_t bits : c.key_bits) {
    for (int trial = 0; trial < 16; ++trial) {
      const Bytes key = random_bytes(bits / 8);
      Bytes data = random_bytes(kBlocks * kBlock);
      // Zero words too: IDEA's multiplication takes the word 0 as 2^16, a case of its own.
      for (size_t i = 0; i < kBlocks; i += 3) data[8 * i] = data[8 * i + 1] = 0;
      for (size_t i = 1; i < kBlocks; i += 3) data[8 * i + 6] = data[8 * i + 7] = 0;
      SCOPED_TRACE(testing::Message() << c.name << " key bits " << bits << " trial " << trial);
      cipher->Init(key.data(), bits);

      Bytes expected(data.size()), got(kBlock);
      c.oracle(key, true, data.data(), expected.data(), kBlocks);
      for (size_t i = 0; i < kBlocks; ++i) {
        cipher->EncryptBlock(data.data() + i * kBlock, got.data());
        ASSERT_EQ(got, Bytes(expected.begin() + i * kBlock, expected.begin() + (i + 1) * kBlock))
            << "encrypt block " << i;
      }
      c.oracle(key, false, data.data(), expected.data(), kBlocks);
      for (size_t i = 0; i < kBlocks; ++i) {
        cipher->DecryptBlock(data.data() + i * kBlock, got.data());
        ASSERT_EQ(got, Bytes(expected.begin() + i * kBlock, expected.begin() + (i + 1) * kBlock))
            << "decrypt block " << i;
      }

      // CBC decryption hands runs of blocks to the cipher at once: P[i] = D(C[i]) ^ C[i-1].
      const Bytes iv = random_bytes(kBlock);
      for (size_t i = 0; i < expected.size(); ++i) {
        expected[i] ^= i < kBlock ? iv[i] : data[i - kBlock];
      }
      cipher->LoadIV(iv.data());
      Bytes run(data.size());
      cipher->CbcDecrypt(data.data(), run.data(), run.size());
      ASSERT_EQ(run, expected) << "CBC decryption of " << kBlocks << " blocks";

      // So does CTR encryption: the keystream is E(IV), E(IV + 1), ... (big-endian counter).
      Bytes counters(data.size());
      Bytes counter = iv;
      for (size_t i = 0; i < kBlocks; ++i) {
        std::copy(counter.begin(), counter.end(), counters.begin() + i * kBlock);
        for (size_t j = kBlock; j-- > 0 && ++counter[j] == 0;) {
        }
      }
      c.oracle(key, true, counters.data(), expected.data(), kBlocks);
      for (size_t i = 0; i < expected.size(); ++i) expected[i] ^= data[i];
      cipher->LoadIV(iv.data());
      cipher->CtrEncrypt(data.data(), run.data(), run.size());
      ASSERT_EQ(run, expected) << "CTR encryption of " << kBlocks << " blocks";
    }
  }
}

std::string CaseName(const testing::TestParamInfo<OracleCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Ciphers, OracleTest, testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace varkesh::test

// Rijndael against OpenSSL's AES and Twofish against Botan's, on random keys and blocks, for
// every key length a pass-phrase digest gives them (128, 160, 192, 256 bits). A 160-bit key is
// compared with the library's 192-bit key padded with four zero bytes, which is how our key
// schedules read it. Rijndael runs once on its table path and once on the AES instructions.
#include <botan/block_cipher.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "crypto/rijndael.h"
#include "crypto/twofish.h"
#include "tests/cpu_paths.h"
#include "tests/oracle/openssl.h"

namespace varkesh {
namespace {

using Bytes = std::vector<uint8_t>;
using test::ForEachCpuPath;

Bytes RandomBytes(std::mt19937& rng, size_t n) {
  Bytes out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// The block `first` and the n - 1 blocks after it, each read as a big-endian counter.
Bytes CounterBlocks(const uint8_t* first, size_t n) {
  Bytes out(16 * n);
  std::copy(first, first + 16, out.begin());
  for (size_t b = 1; b < n; ++b) {
    uint8_t* block = out.data() + 16 * b;
    std::copy(block - 16, block, block);
    for (size_t j = 16; j-- > 0;) {
      if (++block[j] != 0)
        break;
    }
  }
  return out;
}

Bytes OpenSslAesEcb(const Bytes& key, const Bytes& in) {
  return test::OpenSslCipher("AES-" + std::to_string(key.size() * 8) + "-ECB", key, {}, in, true);
}

Bytes BotanTwofishEcb(const Bytes& key, const Bytes& in) {
  const std::unique_ptr<Botan::BlockCipher> cipher = Botan::BlockCipher::create_or_throw("Twofish");
  cipher->set_key(key);
  Bytes out = in;
  cipher->encrypt_n(out.data(), out.data(), out.size() / 16);
  return out;
}

std::unique_ptr<BlockCipher> NewRijndael() { return std::make_unique<Rijndael>(); }

std::unique_ptr<BlockCipher> NewTwofish() { return std::make_unique<Twofish>(); }

struct OracleCase {
  std::string name;
  std::unique_ptr<BlockCipher> (*make)();
  Bytes (*oracle)(const Bytes& key, const Bytes& in);
  uint32_t key_bits;
  uint32_t oracle_key_bits;  // our key, zero-padded to this length
};

void PrintTo(const OracleCase& test, std::ostream* os) { *os << test.name; }

std::vector<OracleCase> OracleCases() {
  std::vector<OracleCase> cases;

  const struct {
    const char* name;
    std::unique_ptr<BlockCipher> (*make)();
    Bytes (*oracle)(const Bytes&, const Bytes&);
  } ciphers[] = {{"Rijndael", &NewRijndael, &OpenSslAesEcb},
                 {"Twofish", &NewTwofish, &BotanTwofishEcb}};

  for (const auto& c : ciphers) {
    for (const uint32_t bits : {128u, 160u, 192u, 256u}) {
      cases.push_back({std::string(c.name) + "_" + std::to_string(bits), c.make, c.oracle, bits,
                       bits == 160 ? 192u : bits});
    }
  }
  return cases;
}

class Oracle : public testing::TestWithParam<OracleCase> {};

// Single blocks in both directions, then runs of blocks as the modes hand them over: CTR over
// zero bytes yields the encrypted counter blocks, CBC decryption each plain block XOR the cipher
// block before it. Nine blocks leave a remainder after the paths that take two or four at a time.
TEST_P(Oracle, RandomKeysAndBlocks) {
  const OracleCase& test = GetParam();
  const std::unique_ptr<BlockCipher> cipher = test.make();
  constexpr size_t kBlocks = 9;
  const Bytes zeros(16 * kBlocks, 0);
  ForEachCpuPath([&] {
    std::mt19937 rng(0x5EED0000u + test.key_bits);
    for (int trial = 0; trial < 64; ++trial) {
      const Bytes key = RandomBytes(rng, test.key_bits / 8);
      Bytes oracle_key = key;
      oracle_key.resize(test.oracle_key_bits / 8, 0);
      const Bytes plain = RandomBytes(rng, 16 * kBlocks);
      const Bytes expected = test.oracle(oracle_key, plain);

      cipher->Init(key.data(), test.key_bits);
      Bytes out(plain.size()), back(plain.size());
      for (size_t i = 0; i < plain.size(); i += 16) {
        cipher->EncryptBlock(plain.data() + i, out.data() + i);
        cipher->DecryptBlock(expected.data() + i, back.data() + i);
      }
      ASSERT_EQ(out, expected) << "trial " << trial;
      ASSERT_EQ(back, plain) << "trial " << trial;

      const Bytes counters = CounterBlocks(plain.data(), kBlocks);
      const Bytes encrypted_counters = test.oracle(oracle_key, counters);
      cipher->SetCipherMode(cmCTR);
      cipher->Init(key.data(), test.key_bits, counters.data());
      cipher->Encrypt(zeros.data(), out.data(), out.size());
      ASSERT_EQ(out, encrypted_counters) << "trial " << trial;

      cipher->SetCipherMode(cmCBC);
      cipher->Init(key.data(), test.key_bits, zeros.data());
      cipher->Decrypt(expected.data(), back.data(), back.size());
      for (size_t i = 16; i < back.size(); ++i) back[i] ^= expected[i - 16];
      ASSERT_EQ(back, plain) << "trial " << trial;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Ciphers,
                         Oracle,
                         testing::ValuesIn(OracleCases()),
                         [](const testing::TestParamInfo<OracleCase>& param) {
                           return param.param.name;
                         });

}  // namespace
}  // namespace varkesh

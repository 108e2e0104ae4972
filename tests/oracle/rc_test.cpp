// RC4, RC5 and RC6 against independent implementations (OpenSSL for RC4, Crypto++ for RC5 and
// RC6) on random keys and data, for every key length the plug-in produces and some odd ones.
// The RC4 comparison is for one call, where our keystream is the standard one. Our TEA has no
// counterpart anywhere (its round differs from published TEA), so it has no oracle.
#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/rc4.h"
#include "crypto/rc5.h"
#include "crypto/rc6.h"
#include "tests/oracle/openssl.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Crypto++ limits RC6 keys to 16, 24 and 32 bytes and RC5 keys to 255 bytes at its public
// entry; its key expansion itself takes any length, so it is called directly, with the round
// counts fixed here.
template <class Encryption>
Bytes CryptoppEcb(const Bytes& key, const Bytes& data, int rounds) {
  Encryption cipher;
  cipher.UncheckedSetKey(key.data(), static_cast<unsigned>(key.size()),
                         CryptoPP::MakeParameters(CryptoPP::Name::Rounds(), rounds));
  Bytes out(data.size());
  for (size_t i = 0; i < data.size(); i += Encryption::BLOCKSIZE) {
    cipher.ProcessBlock(data.data() + i, out.data() + i);
  }
  return out;
}

struct Case {
  const char* name;
  std::unique_ptr<Cipher> (*create)();
  size_t block;  // bytes; 0 for the stream cipher
  Bytes (*oracle)(const Bytes& key, const Bytes& data);
};

const Case kCases[] = {
    {"RC4", []() -> std::unique_ptr<Cipher> { return std::make_unique<Rc4>(); }, 0,
     [](const Bytes& key, const Bytes& data) { return OpenSslCipher("RC4", key, {}, data, true); }},
    {"RC5", []() -> std::unique_ptr<Cipher> { return std::make_unique<Rc5>(); }, 8,
     [](const Bytes& key, const Bytes& data) {
       return CryptoppEcb<CryptoPP::RC5::Encryption>(key, data, 12);
     }},
    {"RC6", []() -> std::unique_ptr<Cipher> { return std::make_unique<Rc6>(); }, 16,
     [](const Bytes& key, const Bytes& data) {
       return CryptoppEcb<CryptoPP::RC6::Encryption>(key, data, 20);
     }},
};

// The plug-in's digest sizes (none exceeds these ciphers' 2048-bit maximum), then short, odd,
// half-byte and the longest sizes.
constexpr uint32_t kKeyBits[] = {128, 160, 192, 256, 384, 512, 8, 40, 44, 1000, 2040, 2048};

class RcOracle : public testing::TestWithParam<Case> {};

TEST_P(RcOracle, MatchesIndependentImplementation) {
  const Case& c = GetParam();
  std::mt19937 rng(20240611);
  const auto random_bytes = [&](size_t n) {
    Bytes out(n);
    for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
    return out;
  };
  const std::unique_ptr<Cipher> cipher = c.create();

  for (const uint32_t bits : kKeyBits) {
    for (int trial = 0; trial < 4; ++trial) {
      const Bytes key = random_bytes(bits / 8 + 1);  // the extra byte must be ignored
      const Bytes used_key(key.begin(), key.begin() + bits / 8);
      const Bytes plain = random_bytes(c.block == 0 ? 1000 + 4000 * trial : 16 * c.block);
      const Bytes expected = c.oracle(used_key, plain);
      ASSERT_EQ(expected.size(), plain.size()) << c.name << " oracle failed";

      cipher->Init(key.data(), bits);
      Bytes out(plain.size());
      if (c.block == 0) {
        cipher->Encrypt(plain.data(), out.data(), plain.size());
      } else {
        auto& block_cipher = dynamic_cast<BlockCipher&>(*cipher);
        for (size_t i = 0; i < plain.size(); i += c.block) {
          block_cipher.EncryptBlock(plain.data() + i, out.data() + i);
        }
      }
      ASSERT_EQ(out, expected) << c.name << " key bits " << bits << " trial " << trial;

      if (c.block == 0) {
        cipher->Reset();
        cipher->Decrypt(out.data(), out.data(), out.size());
      } else {
        auto& block_cipher = dynamic_cast<BlockCipher&>(*cipher);
        for (size_t i = 0; i < out.size(); i += c.block) {
          block_cipher.DecryptBlock(out.data() + i, out.data() + i);
        }
      }
      ASSERT_EQ(out, plain) << c.name << " key bits " << bits << " trial " << trial;
    }
  }
}

std::string CaseName(const testing::TestParamInfo<Case>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(Ciphers, RcOracle, testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace varkesh::test

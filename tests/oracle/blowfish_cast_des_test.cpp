// Blowfish, CAST-128, DES and triple DES against OpenSSL's libcrypto, on random keys, IVs and
// data from a fixed seed: single blocks both ways, CBC over whole blocks both ways (decryption
// in place, in runs of blocks), and CTR, whose key stream is the encryption of consecutive
// counter blocks in one run. Every key length the plug-in can produce is covered where OpenSSL
// takes it, plus the shorter lengths that reach the other key-schedule paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/blowfish.h"
#include "crypto/cast128.h"
#include "crypto/des.h"
#include "tests/oracle/openssl.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

struct Case {
  std::string name;
  std::unique_ptr<BlockCipher> (*make)();
  std::string ecb, cbc;      // OpenSSL names
  size_t key_bytes;          // the key we are given
  size_t openssl_key_bytes;  // what OpenSSL gets: our key padded with zero bytes
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const testing::TestParamInfo<Case>& param) { return param.param.name; }

template <class T>
std::unique_ptr<BlockCipher> Make() {
  return std::make_unique<T>();
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  const auto add = [&](std::string name, auto make, std::string ecb, std::string cbc, size_t bytes,
                       size_t openssl_bytes) {
    cases.push_back({name + "_" + std::to_string(bytes * 8), make, ecb, cbc, bytes, openssl_bytes});
  };
  // Blowfish: the digests of 128 to 384 bits whole and 512 cut to 448, and short keys, which
  // the schedule repeats.
  for (const size_t bytes : {16, 20, 24, 32, 48, 56, 1, 5, 8}) {
    add("Blowfish", &Make<Blowfish>, "BF-ECB", "BF-CBC", bytes, bytes);
  }
  // CAST-128: every digest is cut to 16 bytes; OpenSSL also takes 5 to 15, which covers both
  // round counts and the zero padding.
  for (size_t bytes = 5; bytes <= 16; ++bytes) {
    add("Cast128", &Make<Cast128>, "CAST5-ECB", "CAST5-CBC", bytes, bytes);
  }
  add("Des", &Make<Des>, "DES-ECB", "DES-CBC", 8, 8);
  // Triple DES: two-key from 128-bit digests, 160 bits padded to three keys, 192 and longer.
  add("TripleDes", &Make<TripleDes>, "DES-EDE-ECB", "DES-EDE-CBC", 16, 16);
  add("TripleDes", &Make<TripleDes>, "DES-EDE3-ECB", "DES-EDE3-CBC", 20, 24);
  add("TripleDes", &Make<TripleDes>, "DES-EDE3-ECB", "DES-EDE3-CBC", 24, 24);
  return cases;
}

Bytes Random(std::mt19937& rng, size_t n) {
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

class AgainstOpenSsl : public testing::TestWithParam<Case> {};

TEST_P(AgainstOpenSsl, BlocksCbcAndCtr) {
  const Case& c = GetParam();
  constexpr size_t kBlocks = 67;  // more than one run of blocks in CBC decryption and CTR
  constexpr size_t kSize = kBlocks * 8;
  std::mt19937 rng(20240611);
  const std::unique_ptr<BlockCipher> cipher = c.make();
  const auto bits = static_cast<uint32_t>(c.key_bytes * 8);

  for (int trial = 0; trial < 8; ++trial) {
    const Bytes key = Random(rng, c.key_bytes);
    Bytes openssl_key = key;
    openssl_key.resize(c.openssl_key_bytes);
    const Bytes iv = Random(rng, 8);
    const Bytes plain = Random(rng, kSize);
    SCOPED_TRACE(testing::Message() << "trial " << trial);

    // Single blocks.
    const Bytes expected = OpenSslCipher(c.ecb, openssl_key, {}, plain, true);
    ASSERT_EQ(expected.size(), kSize);
    cipher->Init(key.data(), bits);
    Bytes out(kSize);
    for (size_t i = 0; i < kSize; i += 8) cipher->EncryptBlock(plain.data() + i, out.data() + i);
    EXPECT_EQ(out, expected) << "encrypt";
    for (size_t i = 0; i < kSize; i += 8) cipher->DecryptBlock(expected.data() + i, out.data() + i);
    EXPECT_EQ(out, plain) << "decrypt";

    // CBC with an explicit IV; decryption in place.
    const Bytes cbc = OpenSslCipher(c.cbc, openssl_key, iv, plain, true);
    cipher->Init(key.data(), bits, iv.data());
    cipher->CbcEncrypt(plain.data(), out.data(), kSize);
    EXPECT_EQ(out, cbc) << "CBC encrypt";
    cipher->Reset();
    out = cbc;
    cipher->CbcDecrypt(out.data(), out.data(), kSize);
    EXPECT_EQ(out, plain) << "CBC decrypt";

    // CTR: counters IV, IV + 1, ... (big-endian) encrypted one by one.
    Bytes counters(kSize);
    Bytes counter = iv;
    for (size_t i = 0; i < kSize; i += 8) {
      std::copy(counter.begin(), counter.end(), counters.begin() + static_cast<ptrdiff_t>(i));
      for (size_t j = 8; j-- > 0 && ++counter[j] == 0;) {
      }
    }
    const Bytes stream = OpenSslCipher(c.ecb, openssl_key, {}, counters, true);
    cipher->Init(key.data(), bits, iv.data());
    cipher->SetCipherMode(cmCTR);
    const Bytes zeros(kSize);
    cipher->Encrypt(zeros.data(), out.data(), kSize);
    cipher->SetCipherMode(cmCBC);
    EXPECT_EQ(out, stream) << "CTR key stream";
  }
}

INSTANTIATE_TEST_SUITE_P(Ciphers, AgainstOpenSsl, testing::ValuesIn(Cases()), CaseName);

}  // namespace
}  // namespace varkesh::test

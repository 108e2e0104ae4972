// Serpent, CAST-256 and MARS against Crypto++ on random keys, blocks and IVs (fixed seed), for
// every key length the plug-in hands these ciphers: single blocks both ways, and runs of blocks
// through CBC in both directions.
#include <cryptopp/cast.h>
#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/serpent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "crypto/cast256.h"
#include "crypto/mars.h"
#include "crypto/serpent.h"

namespace varkesh {
namespace {

using Bytes = std::vector<uint8_t>;

// The library's cipher under one key, in both directions.
struct Library {
  std::unique_ptr<CryptoPP::BlockCipher> enc, dec;
};

template <class Algorithm>
Library Keyed(const Bytes& key) {
  return {std::make_unique<typename Algorithm::Encryption>(key.data(), key.size()),
          std::make_unique<typename Algorithm::Decryption>(key.data(), key.size())};
}

// The library takes Serpent keys of 128, 192 and 256 bits only; other lengths are handed over
// with the padding Serpent gives every short key (a 1 bit, then zeros up to 256 bits).
Library SerpentLibrary(const Bytes& key) {
  if (key.size() % 8 == 0)
    return Keyed<CryptoPP::Serpent>(key);
  Bytes padded(32);
  std::copy(key.begin(), key.end(), padded.begin());
  padded[key.size()] = 0x01;
  return Keyed<CryptoPP::Serpent>(padded);
}

// The library's MARS expands keys by the later, revised key expansion, so its results never
// match ours; the cipher itself is the same. It runs here with our expanded key in place of its
// own, which also lifts its limit of 448 bits.
template <class Direction>
class MarsWithOurSchedule : public Direction {
 public:
  explicit MarsWithOurSchedule(const Bytes& key) {
    const std::array<uint8_t, 16> unused{};
    this->SetKey(unused.data(), unused.size());
    std::array<uint32_t, 40> k;
    detail::MarsExpandKey(key.data(), static_cast<uint32_t>(key.size() * 8), k);
    std::copy(k.begin(), k.end(), this->m_k.begin());
  }
};

Library MarsLibrary(const Bytes& key) {
  return {std::make_unique<MarsWithOurSchedule<CryptoPP::MARS::Encryption>>(key),
          std::make_unique<MarsWithOurSchedule<CryptoPP::MARS::Decryption>>(key)};
}

template <class T>
std::unique_ptr<BlockCipher> Make() {
  return std::make_unique<T>();
}

struct Case {
  const char* name;
  std::unique_ptr<BlockCipher> (*ours)();
  Library (*library)(const Bytes&);
  std::vector<uint32_t> key_bits;
};

const Case kCases[] = {
    {"Serpent", Make<Serpent>, SerpentLibrary, {128, 160, 192, 256}},
    {"Cast256", Make<Cast256>, Keyed<CryptoPP::CAST256>, {128, 160, 192, 256}},
    {"Mars", Make<Mars>, MarsLibrary, {128, 160, 192, 256, 384, 512, 1248}},
};

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

class AgainstLibrary : public testing::TestWithParam<Case> {};

TEST_P(AgainstLibrary, RandomKeysAndBlocks) {
  const Case& c = GetParam();
  std::mt19937 random(0x5E4BE47);
  constexpr size_t kBytes = 7 * 16;
  for (const uint32_t bits : c.key_bits) {
    for (int trial = 0; trial < 16; ++trial) {
      const Bytes key = RandomBytes(random, bits / 8);
      const Bytes iv = RandomBytes(random, 16);
      const Bytes plain = RandomBytes(random, kBytes);
      SCOPED_TRACE(testing::Message() << bits << "-bit key, trial " << trial);
      const Library library = c.library(key);
      const std::unique_ptr<BlockCipher> ours = c.ours();
      ours->Init(key.data(), bits, iv.data());

      Bytes expected(16), got(16);
      for (size_t at = 0; at < kBytes; at += 16) {
        library.enc->ProcessBlock(&plain[at], expected.data());
        ours->EncryptBlock(&plain[at], got.data());
        ASSERT_EQ(got, expected) << "encrypt";
        library.dec->ProcessBlock(&plain[at], expected.data());
        ours->DecryptBlock(&plain[at], got.data());
        ASSERT_EQ(got, expected) << "decrypt";
      }

      expected.resize(kBytes), got.resize(kBytes);
      CryptoPP::CBC_Mode_ExternalCipher::Encryption cbc(*library.enc, iv.data());
      cbc.ProcessData(expected.data(), plain.data(), kBytes);
      ours->Encrypt(plain.data(), got.data(), kBytes);
      ASSERT_EQ(got, expected) << "CBC encrypt";
      ours->Reset();
      ours->Decrypt(expected.data(), got.data(), kBytes);
      ASSERT_EQ(got, plain) << "CBC decrypt";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Ciphers, AgainstLibrary, testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace varkesh

// Tiger against two independent implementations of three-pass Tiger with the 0x01 pad byte
// (Crypto++ and Botan), on random messages fed in random pieces.
#include "crypto/tiger.h"

#include <botan/hash.h>
#include <cryptopp/tiger.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

std::vector<uint8_t> Ours(const std::vector<uint8_t>& message, std::mt19937& rng) {
  // Up to four pieces at random cut points, so that both the buffered path and whole blocks
  // taken straight from the caller's data are exercised.
  std::vector<size_t> cuts = {0, message.size()};
  for (int i = std::uniform_int_distribution<int>(0, 3)(rng); i > 0; --i)
    cuts.push_back(std::uniform_int_distribution<size_t>(0, message.size())(rng));
  std::sort(cuts.begin(), cuts.end());
  Tiger tiger;
  tiger.Init();
  for (size_t i = 1; i < cuts.size(); ++i)
    tiger.Update(message.data() + cuts[i - 1], cuts[i] - cuts[i - 1]);
  std::vector<uint8_t> digest(24);
  tiger.Final(digest.data());
  return digest;
}

std::vector<uint8_t> CryptoPp(const std::vector<uint8_t>& message) {
  CryptoPP::Tiger tiger;
  std::vector<uint8_t> digest(CryptoPP::Tiger::DIGESTSIZE);
  tiger.CalculateDigest(digest.data(), message.data(), message.size());
  return digest;
}

std::vector<uint8_t> Botan2(const std::vector<uint8_t>& message) {
  const auto tiger = Botan::HashFunction::create_or_throw("Tiger(24,3)");
  const Botan::secure_vector<uint8_t> digest = tiger->process(message.data(), message.size());
  return {digest.begin(), digest.end()};
}

TEST(TigerOracle, RandomMessagesInRandomPieces) {
  std::mt19937 rng(20240611);
  std::vector<size_t> lengths;
  // Every length over three blocks covers both sides of the 56-byte limit of the last block.
  for (size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (int i = 0; i < 40; ++i)
    lengths.push_back(std::uniform_int_distribution<size_t>(201, 20000)(rng));

  for (const size_t length : lengths) {
    std::vector<uint8_t> message(length);
    for (uint8_t& byte : message) byte = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> ours = Ours(message, rng);
    EXPECT_EQ(ToHex(ours), ToHex(CryptoPp(message))) << "length " << length;
    EXPECT_EQ(ToHex(ours), ToHex(Botan2(message))) << "length " << length;
  }
}

}  // namespace
}  // namespace varkesh::test

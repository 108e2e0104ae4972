// The little-endian MD family and the SHA family against independent implementations: OpenSSL's
// libcrypto for all but RIPEMD-128, which only Crypto++ has. Every message length up to several
// blocks, then random longer ones, each fed to our hash in random pieces (empty ones included).
#include <cryptopp/ripemd.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/md4.h"
#include "crypto/md5.h"
#include "crypto/ripemd128.h"
#include "crypto/ripemd160.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"
#include "tests/cpu_paths.h"
#include "tests/oracle/openssl.h"
#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes OpenSslDigest(const char* name, const Bytes& message) {
  const std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md(EVP_MD_fetch(nullptr, name, nullptr),
                                                           EVP_MD_free);
  if (md == nullptr)
    return {};
  Bytes digest(static_cast<size_t>(EVP_MD_get_size(md.get())));
  unsigned int size = 0;
  if (EVP_Digest(message.data(), message.size(), digest.data(), &size, md.get(), nullptr) != 1)
    return {};
  return digest;
}

template <class CryptoPPHash>
Bytes CryptoPPDigest(const Bytes& message) {
  CryptoPPHash hash;
  Bytes digest(CryptoPPHash::DIGESTSIZE);
  hash.CalculateDigest(digest.data(), message.data(), message.size());
  return digest;
}

struct OracleCase {
  const char* name;
  std::unique_ptr<Hash> (*ours)();
  Bytes (*oracle)(const Bytes&);
};

template <class T>
std::unique_ptr<Hash> Make() {
  return std::make_unique<T>();
}

template <const char* kName>
Bytes OpenSsl(const Bytes& message) {
  return OpenSslDigest(kName, message);
}

constexpr char kMd4[] = "MD4";
constexpr char kMd5[] = "MD5";
constexpr char kRipemd160[] = "RIPEMD160";
constexpr char kSha1[] = "SHA1";
constexpr char kSha256[] = "SHA256";
constexpr char kSha384[] = "SHA384";
constexpr char kSha512[] = "SHA512";

const OracleCase kCases[] = {
    {"Md4", &Make<Md4>, &OpenSsl<kMd4>},
    {"Md5", &Make<Md5>, &OpenSsl<kMd5>},
    {"Ripemd128", &Make<Ripemd128>, &CryptoPPDigest<CryptoPP::RIPEMD128>},
    {"Ripemd160", &Make<Ripemd160>, &OpenSsl<kRipemd160>},
    {"Sha1", &Make<Sha1>, &OpenSsl<kSha1>},
    {"Sha256", &Make<Sha256>, &OpenSsl<kSha256>},
    {"Sha384", &Make<Sha384>, &OpenSsl<kSha384>},
    {"Sha512", &Make<Sha512>, &OpenSsl<kSha512>},
};

void PrintTo(const OracleCase& c, std::ostream* os) { *os << c.name; }

void CheckLengths(const OracleCase& c,
                  Hash& hash,
                  const std::vector<size_t>& lengths,
                  std::mt19937& rng) {
  Bytes digest(hash.DigestBytes());
  for (const size_t length : lengths) {
    Bytes message(length);
    for (uint8_t& byte : message) byte = static_cast<uint8_t>(rng());
    hash.Init();
    for (size_t pos = 0; pos < length;) {
      // Mostly short pieces so that many calls start and end inside a block; sometimes empty.
      const size_t piece =
          std::min<size_t>(length - pos, rng() % 4 == 0 ? rng() % 400 : rng() % 70);
      hash.Update(message.data() + pos, piece);
      pos += piece;
    }
    hash.Final(digest.data());
    ASSERT_EQ(ToHex(digest), ToHex(c.oracle(message))) << c.name << ", " << length << " bytes";
  }
}

class HashOracle : public testing::TestWithParam<OracleCase> {};

TEST_P(HashOracle, RandomMessagesInRandomPieces) {
  const OracleCase& c = GetParam();
  ASSERT_FALSE(c.oracle(Bytes{}).empty()) << "the oracle has no " << c.name;
  std::mt19937 rng(20240611);
  const std::unique_ptr<Hash> hash = c.ours();  // one object throughout: Final must reset

  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 600; ++n) lengths.push_back(n);  // every boundary of the first blocks
  for (int i = 0; i < 100; ++i) lengths.push_back(601 + rng() % 2500);

  // Every kernel tier sees the same messages.
  const auto start = rng;
  ForEachCpuPath([&] {
    rng = start;
    CheckLengths(c, *hash, lengths, rng);
  });
}

// Whole runs of blocks in one call, from an odd address: the kernels that take several blocks
// at a time see every count up to well past their widest group, and the remainders after it.
TEST_P(HashOracle, LongRunsInOneCall) {
  const OracleCase& c = GetParam();
  std::mt19937 rng(20261210);
  const std::unique_ptr<Hash> hash = c.ours();
  Bytes storage(1 + 40 * 128 + 127);
  for (uint8_t& byte : storage) byte = static_cast<uint8_t>(rng());
  Bytes digest(hash->DigestBytes());
  ForEachCpuPath([&] {
    for (size_t blocks = 1; blocks <= 40; ++blocks) {
      const size_t length = blocks * 128 + rng() % 128;
      const Bytes message(storage.begin() + 1, storage.begin() + 1 + static_cast<long>(length));
      hash->Init();
      hash->Update(storage.data() + 1, length);
      hash->Final(digest.data());
      ASSERT_EQ(ToHex(digest), ToHex(c.oracle(message))) << c.name << ", " << length << " bytes";
    }
  });
}

std::string CaseName(const testing::TestParamInfo<OracleCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Hashes, HashOracle, testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace varkesh::test

// The Cipher life cycle, key set-up, strings, streams and the five chaining modes, on a small
// counting block cipher whose block function is trivially invertible. What the modes must do is
// stated here in terms of that block function, so a fault in the mode code shows directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "crypto/block_ciphers.h"
#include "crypto/md5.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"
#include "tests/test_streams.h"
#include "varkesh/base64.h"
#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

inline constexpr ids::CipherIdentity kToyIdentity{-2, "Toy", 128, 64};
inline constexpr ids::CipherIdentity kToy128Identity{-3, "Toy128", 256, 128};

// E(x)[i] = x[(i + 1) mod B] + k[i]: a byte rotation plus the key, easy to invert. Counts every
// block it transforms.
template <class Base, const ids::CipherIdentity& kIdentity>
class ToyCipher final : public CipherImpl<ToyCipher<Base, kIdentity>, kIdentity, Base> {
 public:
  static constexpr size_t B = Base::kBlock;

  static bool KnownAnswerTest() { return true; }

  mutable int encrypted = 0;
  mutable int decrypted = 0;

  static void Encrypt1(const uint8_t* key, const uint8_t* in, uint8_t* out) {
    std::array<uint8_t, B> t;
    for (size_t i = 0; i < B; ++i) t[i] = static_cast<uint8_t>(in[(i + 1) % B] + key[i]);
    std::copy(t.begin(), t.end(), out);
  }

  std::array<uint8_t, B> key{};
  uint32_t key_bits = 0;

 protected:
  void ExpandKey(const uint8_t* k, uint32_t bits) override {
    key.fill(0);
    key_bits = bits;
    std::copy_n(k, std::min<size_t>(bits / 8, B), key.begin());
  }

  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override {
    for (size_t b = 0; b < blocks; ++b) Encrypt1(key.data(), in + b * B, out + b * B);
    encrypted += static_cast<int>(blocks);
  }

  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override {
    for (size_t b = 0; b < blocks; ++b) {
      std::array<uint8_t, B> t;
      for (size_t i = 0; i < B; ++i) t[(i + 1) % B] = static_cast<uint8_t>(in[b * B + i] - key[i]);
      std::copy(t.begin(), t.end(), out + b * B);
    }
    decrypted += static_cast<int>(blocks);
  }
};

using Toy = ToyCipher<BlockCipher64, kToyIdentity>;
using Toy128 = ToyCipher<BlockCipher128, kToy128Identity>;

const Bytes kKey = FromHex("0123456789ABCDEF");

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes E(const Bytes& block) {
  Bytes out(block.size());
  Toy::Encrypt1(kKey.data(), block.data(), out.data());
  return out;
}

Bytes Xor(const Bytes& a, const Bytes& b, size_t n) {
  Bytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = a[i] ^ b[i];
  return out;
}

Bytes Slice(const Bytes& v, size_t from, size_t n) {
  return Bytes(v.begin() + from, v.begin() + from + n);
}

template <class T = Toy>
void Key(T& cipher, const Bytes* iv = nullptr) {
  cipher.Init(kKey.data(), 64, iv != nullptr ? iv->data() : nullptr);
}

constexpr ChainingMode kModes[] = {cmCBC, cmCFB8bit, cmCFBblock, cmOFB, cmCTR};

Bytes RunMode(ChainingMode mode, bool encrypt, const Bytes& in) {
  Toy cipher;
  Key(cipher);
  cipher.SetCipherMode(mode);
  Bytes out(in.size());
  if (encrypt) {
    cipher.Encrypt(in.data(), out.data(), in.size());
  } else {
    cipher.Decrypt(in.data(), out.data(), in.size());
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Key set-up

TEST(CipherKeySetup, KeySizeRule) {
  struct Case {
    uint32_t bits;
    bool ok;
  };

  for (const Case c :
       {Case{0, false}, Case{4, false}, Case{6, false}, Case{8, true}, Case{12, true},
        Case{126, false}, Case{128, true}, Case{132, false}, Case{0xFFFFFFFC, false}}) {
    Toy cipher;
    const Bytes key(32, 0x11);
    if (c.ok) {
      EXPECT_NO_THROW(cipher.Init(key.data(), c.bits)) << c.bits;
      EXPECT_TRUE(cipher.Initialized());
    } else {
      try {
        cipher.Init(key.data(), c.bits);
        ADD_FAILURE() << c.bits << " accepted";
      } catch (const CipherError& e) {
        EXPECT_STREQ(e.what(), "Invalid key size");
      }
      EXPECT_FALSE(cipher.Initialized()) << c.bits;
    }
  }
}

TEST(CipherKeySetup, FailedInitLeavesAKeyedCipherWiped) {
  Toy cipher;
  Key(cipher);
  EXPECT_THROW(cipher.Init(kKey.data(), 4), CipherError);
  EXPECT_FALSE(cipher.Initialized());
  EXPECT_THROW(cipher.Reset(), BlockCipherError);
}

TEST(CipherKeySetup, IvIsTheEncryptedZeroBlockUnlessGiven) {
  Toy cipher;
  Key(cipher);
  Bytes chain(8);
  cipher.ReadChain(chain.data());
  EXPECT_EQ(chain, E(Bytes(8, 0)));

  const Bytes iv = Random(8, 1);
  Key(cipher, &iv);
  cipher.ReadChain(chain.data());
  EXPECT_EQ(chain, iv);
}

template <class H>
Bytes DigestOf(std::string_view text) {
  H hash;
  hash.Init();
  hash.UpdateText(text);
  Bytes digest(hash.DigestBytes());
  hash.Final(digest.data());
  return digest;
}

TEST(CipherKeySetup, PassPhraseDigestIsCutToTheMaximumKeySize) {
  // Toy takes at most 128 bits, Toy128 256. A longer digest gives its leading bytes, a shorter
  // one is used whole; the IV follows from that key.
  const auto check = [](auto& cipher, const HashClass& hash, const Bytes& digest, uint32_t bits) {
    SCOPED_TRACE(testing::Message() << digest.size() * 8 << "-bit digest, " << bits << " bits");
    cipher.InitFromPassPhrase("secret", hash);
    EXPECT_EQ(cipher.key_bits, bits);
    const size_t kept = std::min<size_t>(bits / 8, cipher.key.size());
    EXPECT_EQ(Slice(Bytes(cipher.key.begin(), cipher.key.end()), 0, kept), Slice(digest, 0, kept));

    std::remove_reference_t<decltype(cipher)> from_key;
    from_key.Init(digest.data(), bits);
    Bytes a(cipher.key.size()), b(cipher.key.size());
    cipher.ReadChain(a.data());
    from_key.ReadChain(b.data());
    EXPECT_EQ(a, b);
  };
  const Bytes md5 = DigestOf<Md5>("secret");
  const Bytes sha256 = DigestOf<Sha256>("secret");
  const Bytes sha512 = DigestOf<Sha512>("secret");
  Toy toy;
  check(toy, HashClassOf<Md5>(), md5, 128);
  check(toy, HashClassOf<Sha256>(), sha256, 128);
  Toy128 toy128;
  check(toy128, HashClassOf<Md5>(), md5, 128);
  check(toy128, HashClassOf<Sha512>(), sha512, 256);

  // Empty pass phrase: the digest of the empty message.
  Toy empty;
  EXPECT_NO_THROW(empty.InitFromPassPhrase("", HashClassOf<Md5>()));
  EXPECT_EQ(ToHex(empty.key.data(), 8), "D41D8CD98F00B204");
}

TEST(CipherKeySetup, PassPhraseFailuresBecomeTheDigestMessage) {
  const auto expect_digest_error = [](Cipher& cipher, const HashClass& hash) {
    try {
      cipher.InitFromPassPhrase("x", hash);
      ADD_FAILURE() << "accepted";
    } catch (const CipherError& e) {
      EXPECT_STREQ(e.what(), "Unable to allocate sufficient memory for hash digest");
    }
    EXPECT_FALSE(cipher.Initialized());
  };
  Cipher bare;  // maximum key size -1: Init sees 2^32 - 1 bits
  expect_digest_error(bare, HashClassOf<Md5>());
  Toy toy;
  expect_digest_error(toy, HashClassOf<Hash>());  // the bare hash has no digest
}

TEST(CipherKeySetup, BareCipherAndBlockCipherIdentity) {
  Cipher cipher;
  EXPECT_EQ(cipher.Id(), -1);
  EXPECT_EQ(cipher.Algorithm(), "");
  EXPECT_EQ(cipher.MaxKeySize(), -1);
  EXPECT_FALSE(Cipher::KnownAnswerTest());
  Toy toy;
  EXPECT_EQ(toy.BlockSize(), 64);
  EXPECT_EQ(toy.CipherMode(), cmCBC);
  EXPECT_EQ(Toy128().BlockSize(), 128);
}

// ---------------------------------------------------------------------------------------------
// Wiped ciphers refuse every data operation, size 0 included

TEST(CipherWiped, EveryDataOperationRefuses) {
  Toy cipher;
  uint8_t buf[16] = {};
  const auto refuses = [&](auto&& call, const char* what) {
    try {
      call();
      ADD_FAILURE() << what << " accepted";
    } catch (const BlockCipherError& e) {
      EXPECT_STREQ(e.what(), "Cipher not initialized") << what;
    }
  };
  for (const ChainingMode mode : kModes) {
    cipher.SetCipherMode(mode);
    refuses([&] { cipher.Encrypt(buf, buf, 0); }, "Encrypt");
    refuses([&] { cipher.Decrypt(buf, buf, 0); }, "Decrypt");
  }
  refuses([&] { cipher.EncryptText(""); }, "EncryptText");
  refuses([&] { cipher.DecryptText(""); }, "DecryptText");
  refuses([&] { cipher.Reset(); }, "Reset");
  refuses([&] { cipher.LoadIV(buf); }, "LoadIV");
  refuses([&] { cipher.ReadChain(buf); }, "ReadChain");
  refuses([&] { cipher.EncryptBlock(buf, buf); }, "EncryptBlock");
  Key(cipher);
  cipher.Wipe();
  refuses([&] { cipher.CtrEncrypt(buf, buf, 16); }, "CtrEncrypt after Wipe");
}

// ---------------------------------------------------------------------------------------------
// Modes

TEST(CipherModes, CbcFollowsTheDefinitionIncludingThePartialTail) {
  const Bytes in = Random(8 * 3 + 5, 2);
  Toy cipher;
  Key(cipher);
  Bytes out(in.size());
  cipher.CbcEncrypt(in.data(), out.data(), in.size());

  Bytes chain = E(Bytes(8, 0));  // IV
  for (size_t b = 0; b < 3; ++b) {
    chain = E(Xor(Slice(in, 8 * b, 8), chain, 8));
    EXPECT_EQ(Slice(out, 8 * b, 8), chain) << "block " << b;
  }
  EXPECT_EQ(Slice(out, 24, 5), Xor(Slice(in, 24, 5), E(chain), 5)) << "tail";

  // Fewer bytes than a block on a fresh cipher: input XOR E(IV).
  const Bytes short_in = Random(5, 3);
  EXPECT_EQ(RunMode(cmCBC, true, short_in), Xor(short_in, E(E(Bytes(8, 0))), 5));
}

TEST(CipherModes, CbcDecryptsThePartialTailWithTheBlockEncryption) {
  const Bytes in = Random(8 * 2 + 3, 4);
  const Bytes enc = RunMode(cmCBC, true, in);
  Toy cipher;
  Key(cipher);
  cipher.encrypted = 0;
  Bytes out(in.size());
  cipher.CbcDecrypt(enc.data(), out.data(), enc.size());
  EXPECT_EQ(out, in);
  EXPECT_EQ(cipher.decrypted, 2);
  EXPECT_EQ(cipher.encrypted, 1);
}

TEST(CipherModes, Cfb8EncryptsOneBlockPerByte) {
  for (const size_t n : {0, 1, 7, 8, 9, 33}) {
    const Bytes in = Random(n, 5);
    Toy cipher;
    Key(cipher);
    cipher.encrypted = 0;
    Bytes out(n);
    cipher.Cfb8Encrypt(in.data(), out.data(), n);
    EXPECT_EQ(cipher.encrypted, static_cast<int>(n));
    // Definition: c = p XOR E(chain)[0]; chain shifts left by one byte and takes c.
    Bytes chain = E(Bytes(8, 0));
    for (size_t i = 0; i < n; ++i) {
      const uint8_t c = in[i] ^ E(chain)[0];
      ASSERT_EQ(out[i], c) << "byte " << i << " of " << n;
      chain.erase(chain.begin());
      chain.push_back(c);
    }
  }
}

TEST(CipherModes, CfbOfbCtrFollowTheirDefinitions) {
  const Bytes in = Random(8 * 2 + 3, 6);
  const Bytes iv = E(Bytes(8, 0));
  // Block CFB: C = P XOR E(chain), chain = C; tail with E(chain).
  Bytes cfb = RunMode(cmCFBblock, true, in);
  Bytes chain = iv;
  for (size_t b = 0; b < 2; ++b) {
    chain = Xor(Slice(in, 8 * b, 8), E(chain), 8);
    EXPECT_EQ(Slice(cfb, 8 * b, 8), chain);
  }
  EXPECT_EQ(Slice(cfb, 16, 3), Xor(Slice(in, 16, 3), E(chain), 3));
  // OFB: chain = E(chain), output = input XOR chain.
  const Bytes ofb = RunMode(cmOFB, true, in);
  chain = iv;
  for (size_t b = 0; b < 3; ++b) {
    chain = E(chain);
    const size_t n = std::min<size_t>(8, in.size() - 8 * b);
    EXPECT_EQ(Slice(ofb, 8 * b, n), Xor(Slice(in, 8 * b, n), chain, n));
  }
  // CTR: keystream E(IV), E(IV + 1), ... with the counter big-endian.
  const Bytes ctr = RunMode(cmCTR, true, in);
  Bytes counter = iv;
  for (size_t b = 0; b < 3; ++b) {
    const size_t n = std::min<size_t>(8, in.size() - 8 * b);
    EXPECT_EQ(Slice(ctr, 8 * b, n), Xor(Slice(in, 8 * b, n), E(counter), n));
    for (size_t i = 8; i-- > 0 && ++counter[i] == 0;) {
    }
  }
}

TEST(CipherModes, CtrCounterWrapsFromAllOnesToZero) {
  for (const size_t B : {8, 16}) {
    const Bytes ones(B, 0xFF);
    Bytes chain(B);
    const Bytes data(B, 0);
    Bytes out(B);
    if (B == 8) {
      Toy cipher;
      Key(cipher, &ones);
      cipher.CtrEncrypt(data.data(), out.data(), B);
      cipher.ReadChain(chain.data());
    } else {
      Toy128 cipher;
      cipher.Init(kKey.data(), 64, ones.data());
      cipher.CtrEncrypt(data.data(), out.data(), B);
      cipher.ReadChain(chain.data());
    }
    EXPECT_EQ(chain, Bytes(B, 0)) << B;
  }
}

TEST(CipherModes, EveryModeDecryptsWhatItEncryptsInPlaceAndInSplitCalls) {
  for (const ChainingMode mode : kModes) {
    for (const size_t n : {0, 5, 8, 64, 8 * 70 + 3}) {
      const Bytes in = Random(n, static_cast<uint32_t>(n + mode));
      const Bytes enc = RunMode(mode, true, in);
      EXPECT_EQ(RunMode(mode, false, enc), in) << "mode " << int{mode} << " n " << n;

      for (const bool encrypt : {true, false}) {
        const Bytes& src = encrypt ? in : enc;
        const Bytes& want = encrypt ? enc : in;
        Toy cipher;
        Key(cipher);
        cipher.SetCipherMode(mode);
        Bytes buf = src;
        // In place, in two calls; the first covers whole blocks.
        const size_t first = (n / 2) / 8 * 8;
        if (encrypt) {
          cipher.Encrypt(buf.data(), buf.data(), first);
          cipher.Encrypt(buf.data() + first, buf.data() + first, n - first);
        } else {
          cipher.Decrypt(buf.data(), buf.data(), first);
          cipher.Decrypt(buf.data() + first, buf.data() + first, n - first);
        }
        EXPECT_EQ(buf, want) << "mode " << int{mode} << " n " << n << " encrypt " << encrypt;
      }
    }
  }
}

TEST(CipherModes, ChainStateResetLoadIvAndReadChain) {
  const Bytes in = Random(24, 7);
  const Bytes iv = Random(8, 8);
  Toy a, b;
  Key(a);
  a.LoadIV(iv.data());
  Key(b, &iv);
  Bytes out_a(24), out_b(24), chain(8);
  a.Encrypt(in.data(), out_a.data(), 24);
  b.Encrypt(in.data(), out_b.data(), 24);
  EXPECT_EQ(out_a, out_b) << "LoadIV equals Init with the IV";

  a.ReadChain(chain.data());
  EXPECT_EQ(chain, Slice(out_a, 16, 8)) << "ReadChain gives the chain reached, not the IV";
  a.Reset();
  a.ReadChain(chain.data());
  EXPECT_EQ(chain, iv);
}

// ---------------------------------------------------------------------------------------------
// Strings and streams

TEST(CipherText, EightBitCfbWhateverTheModeAndContinuingTheChain) {
  Toy cipher;
  Key(cipher);
  cipher.SetCipherMode(cmCTR);
  EXPECT_EQ(cipher.EncryptText(""), "");
  EXPECT_EQ(cipher.DecryptText(""), "");

  const std::string first = cipher.EncryptText("Hello, ");
  const std::string second = cipher.EncryptText("world");
  const Bytes whole =
      RunMode(cmCFB8bit, true, {'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd'});
  EXPECT_EQ(DecodeBase64Text(first) + DecodeBase64Text(second),
            std::string(whole.begin(), whole.end()));
  EXPECT_EQ(first.size(), 12u);  // 4 * ceil(7 / 3)

  cipher.Reset();
  EXPECT_EQ(cipher.EncryptText("Hello, "), first);
}

TEST(CipherText, RoundTripKeepsEveryByteValue) {
  std::string binary(256, '\0');
  std::iota(binary.begin(), binary.end(), '\0');
  Toy enc, dec;
  Key(enc);
  Key(dec);
  EXPECT_EQ(dec.DecryptText(enc.EncryptText(binary)), binary);
}

TEST(CipherStream, ChunksOf8192WithTheReadCountFixedBySize) {
  const Bytes data = Random(20000, 9);

  struct Case {
    uint64_t size;
    size_t max_read;
    uint64_t result;
    int reads;
  };

  for (const Case c : {Case{20000, 8192, 20000, 3}, Case{0, 8192, 0, 0},
                       Case{30000, 8192, 20000, 4},  // the input ends early
                       Case{16384, 8192, 16384, 2},
                       Case{UINT64_MAX, 8192, 20000, 4}}) {  // to the end of the stream
    Toy cipher;
    Key(cipher);
    MemoryReader reader(data, c.max_read);
    MemoryWriter writer;
    EXPECT_EQ(cipher.StreamEncrypt(reader, writer, c.size), c.result) << c.size;
    EXPECT_EQ(reader.reads, c.reads) << c.size;
    EXPECT_EQ(writer.writes, c.reads) << c.size;  // a read of 0 still writes 0 bytes
    EXPECT_EQ(writer.data, RunMode(cmCBC, true, Slice(data, 0, c.result))) << c.size;

    Toy decipher;
    Key(decipher);
    MemoryReader back(writer.data, 8192);
    MemoryWriter plain;
    decipher.StreamDecrypt(back, plain, writer.data.size());
    EXPECT_EQ(plain.data, Slice(data, 0, c.result)) << c.size;
  }
}

TEST(CipherStream, AShortReadEndsTheChunkInAPartialBlock) {
  // Reads of 1000 bytes: each chunk is 1000 bytes, i.e. 125 blocks, then the next chunk goes on
  // from the chain the previous one left. Same as encrypting 1000-byte pieces one by one.
  const Bytes data = Random(20000, 10);
  Toy cipher, pieces;
  Key(cipher);
  Key(pieces);
  MemoryReader reader(data, 1003);
  MemoryWriter writer;
  EXPECT_EQ(cipher.StreamEncrypt(reader, writer, 20000), 3009u);
  Bytes expected(3009);
  for (size_t off = 0; off < 3009; off += 1003) {
    pieces.Encrypt(data.data() + off, expected.data() + off, 1003);
  }
  EXPECT_EQ(writer.data, expected);
}

}  // namespace
}  // namespace varkesh::test

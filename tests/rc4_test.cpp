// RC4: the standard keystream within one call, the index restart between calls that the file
// format depends on, Reset, and the refusals of a wiped object.
#include "crypto/rc4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/test_streams.h"
#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Textbook RC4, with the generator indices put back to zero wherever the caller asks.
class ModelRc4 {
 public:
  explicit ModelRc4(const Bytes& key) {
    for (int k = 0; k < 256; ++k) s_[k] = static_cast<uint8_t>(k);
    for (int k = 0, j = 0; k < 256; ++k) {
      j = (j + s_[k] + key[k % key.size()]) % 256;
      std::swap(s_[k], s_[j]);
    }
  }

  void RestartIndices() { i_ = j_ = 0; }

  Bytes Apply(const Bytes& data) {
    Bytes out;
    for (const uint8_t byte : data) {
      i_ = (i_ + 1) % 256;
      j_ = (j_ + s_[i_]) % 256;
      std::swap(s_[i_], s_[j_]);
      out.push_back(static_cast<uint8_t>(byte ^ s_[(s_[i_] + s_[j_]) % 256]));
    }
    return out;
  }

 private:
  uint8_t s_[256];
  int i_ = 0, j_ = 0;
};

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes Slice(const Bytes& v, size_t from, size_t to) {
  Bytes out(to - from);
  std::copy_n(v.data() + from, out.size(), out.data());
  return out;
}

Bytes Encrypt(Rc4& rc4, const Bytes& in) {
  Bytes out(in.size());
  rc4.Encrypt(in.data(), out.data(), in.size());
  return out;
}

const Bytes kKey = FromHex("0123456789abcdeffedcba9876543210");

TEST(Rc4, KnownAnswers) {
  EXPECT_TRUE(Rc4::KnownAnswerTest());

  Rc4 rc4;
  const Bytes key = FromHex("618a63d2fb");
  rc4.Init(key.data(), 40);
  EXPECT_EQ(Encrypt(rc4, FromHex("dcee4cf92c")), FromHex("f13829c9de"));
  // A string is one call, then Base64.
  rc4.Reset();
  EXPECT_EQ(rc4.EncryptText("\xdc\xee\x4c\xf9\x2c"), "8Tgpyd4=");

  // Standard keystream of the 40-bit key 0102030405 at offsets 0, 16 and 4096, as published
  // for it: one call yields plain RC4 however long it is.
  const Bytes key2 = FromHex("0102030405");
  rc4.Init(key2.data(), 40);
  const Bytes stream = Encrypt(rc4, Bytes(4112));
  EXPECT_EQ(Slice(stream, 0, 32), FromHex("b2396305f03dc027ccc3524a0a1118a8"
                                          "6982944f18fc82d589c403a47a0d0919"));
  EXPECT_EQ(Slice(stream, 4096, 4112), FromHex("ff25b58995996707e51fbdf08b34d875"));
}

TEST(Rc4, EveryCallRestartsTheIndices) {
  Rc4 rc4;
  rc4.Init(kKey.data(), 128);
  const Bytes whole = Encrypt(rc4, Bytes(64));
  rc4.Reset();
  const Bytes first = Encrypt(rc4, Bytes(32));
  const Bytes second = Encrypt(rc4, Bytes(32));

  ModelRc4 model(kKey);
  EXPECT_EQ(whole, model.Apply(Bytes(64)));
  EXPECT_EQ(first, Slice(whole, 0, 32));
  EXPECT_NE(second, Slice(whole, 32, 64));

  ModelRc4 restarted(kKey);
  restarted.Apply(Bytes(32));
  restarted.RestartIndices();
  EXPECT_EQ(second, restarted.Apply(Bytes(32)));
}

// Calls of every length, in place, with keys of every size: each is the textbook generator
// from fresh indices on the permutation the previous call left.
TEST(Rc4, CallsOfAnyLengthMatchTheTextbookGenerator) {
  std::mt19937 rng(5);
  for (int round = 0; round < 8; ++round) {
    const Bytes key = RandomBytes(1 + rng() % 256, rng());
    Rc4 rc4;
    rc4.Init(key.data(), static_cast<uint32_t>(key.size() * 8));
    ModelRc4 model(key);
    for (int call = 0; call < 40; ++call) {
      const Bytes plain = RandomBytes(rng() % 600, rng());
      Bytes data = plain;
      rc4.Encrypt(data.data(), data.data(), data.size());
      model.RestartIndices();
      ASSERT_EQ(data, model.Apply(plain)) << "key of " << key.size() << " bytes, call " << call;
    }
  }
}

TEST(Rc4, StreamRestartsEveryChunk) {
  const Bytes plain = RandomBytes(10000, 1);
  Rc4 rc4;
  rc4.Init(kKey.data(), 128);
  MemoryReader reader(plain);
  MemoryWriter writer;
  ASSERT_EQ(rc4.StreamEncrypt(reader, writer, plain.size()), plain.size());
  const Bytes& cipher = writer.data;

  // Bytes 0-8191 are plain RC4; from 8192 on the generator continues with the permutation it
  // reached but with i and j back at zero.
  ModelRc4 model(kKey);
  Bytes expected = model.Apply(Slice(plain, 0, 8192));
  model.RestartIndices();
  const Bytes tail = model.Apply(Slice(plain, 8192, plain.size()));
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(cipher, expected);
  EXPECT_NE(Slice(cipher, 8192, plain.size()),
            Slice(ModelRc4(kKey).Apply(plain), 8192, plain.size()));

  Rc4 decryptor;
  decryptor.Init(kKey.data(), 128);
  MemoryReader cipher_reader(cipher);
  MemoryWriter restored;
  decryptor.StreamDecrypt(cipher_reader, restored, cipher.size());
  EXPECT_EQ(restored.data, plain);
}

TEST(Rc4, ResetRestartsTheKeystream) {
  const Bytes plain = RandomBytes(16, 2);
  Rc4 rc4;
  rc4.Init(kKey.data(), 128);
  const Bytes once = Encrypt(rc4, plain);
  rc4.Reset();
  EXPECT_EQ(Encrypt(rc4, plain), once);

  // Decrypting on the object that just encrypted needs a Reset in between.
  Bytes buffer = once;
  rc4.Decrypt(buffer.data(), buffer.data(), buffer.size());
  EXPECT_NE(buffer, plain);
  rc4.Reset();
  buffer = once;
  rc4.Decrypt(buffer.data(), buffer.data(), buffer.size());
  EXPECT_EQ(buffer, plain);

  // Empty calls leave the permutation where it was, so the next call still starts the
  // keystream.
  rc4.Reset();
  rc4.Encrypt(plain.data(), buffer.data(), 0);
  EXPECT_EQ(rc4.EncryptText(""), "");
  EXPECT_EQ(Encrypt(rc4, plain), once);
}

TEST(Rc4, KeyBytes) {
  const Bytes plain(32);
  Rc4 rc4;
  Bytes key = RandomBytes(256, 3);
  const auto run = [&](uint32_t bits, const uint8_t* iv = nullptr) {
    rc4.Init(key.data(), bits, iv);
    return Encrypt(rc4, plain);
  };
  // The IV is ignored; so is a trailing half byte.
  const Bytes reference = run(40);
  EXPECT_EQ(run(40, plain.data()), reference);
  EXPECT_EQ(run(44), reference);
  // Every byte of the longest key counts.
  const Bytes longest = run(2048);
  key[255] ^= 1;
  EXPECT_NE(run(2048), longest);
}

TEST(Rc4, RefusesWhileWiped) {
  const auto expect_refused = [](Rc4& rc4) {
    Bytes buffer(4, 0xAA);
    for (const bool encrypt : {true, false}) {
      try {
        encrypt ? rc4.Encrypt(buffer.data(), buffer.data(), buffer.size())
                : rc4.Decrypt(buffer.data(), buffer.data(), buffer.size());
        ADD_FAILURE() << "expected CipherError";
      } catch (const CipherError& e) {
        EXPECT_STREQ(e.what(), "Cipher not initialized");
      }
      EXPECT_EQ(buffer, Bytes(4, 0xAA));
    }
  };
  Rc4 rc4;
  expect_refused(rc4);
  rc4.Reset();  // allowed, and changes nothing
  EXPECT_FALSE(rc4.Initialized());

  rc4.Init(kKey.data(), 128);
  rc4.Wipe();
  expect_refused(rc4);

  // A refused key size leaves the object wiped, also when it was keyed before.
  rc4.Init(kKey.data(), 128);
  EXPECT_THROW(rc4.Init(kKey.data(), 4), CipherError);
  expect_refused(rc4);
  EXPECT_THROW(rc4.Init(kKey.data(), 2056), CipherError);
  expect_refused(rc4);
}

}  // namespace
}  // namespace varkesh::test

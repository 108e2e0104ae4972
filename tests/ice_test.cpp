// The ICE levels beyond single known answers: how the levels relate, re-keying, and runs of
// several blocks in one call.
#include "crypto/ice.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <thread>
#include <vector>

#include "varkesh/hex.h"

namespace varkesh::test {
namespace {

const std::vector<uint8_t> kPlain = FromHex("fedcba9876543210");

std::vector<uint8_t> Encrypted(BlockCipher& cipher, const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out(in.size());
  cipher.EncryptBlock(in.data(), out.data());
  return out;
}

std::vector<uint8_t> Decrypted(BlockCipher& cipher, const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out(in.size());
  cipher.DecryptBlock(in.data(), out.data());
  return out;
}

std::array<std::unique_ptr<Cipher>, 3> AllLevels() {
  return {CipherClassOf<ThinIce>().create(), CipherClassOf<Ice>().create(),
          CipherClassOf<Ice2>().create()};
}

// Several threads key and use the cipher at once; they share only the constant S-boxes.
TEST(IceTest, ConcurrentFirstUse) {
  const std::vector<uint8_t> key = FromHex("deadbeef01234567");
  std::array<std::vector<uint8_t>, 4> results;
  std::vector<std::thread> threads;
  for (auto& result : results) {
    threads.emplace_back([&key, &result] {
      Ice ice;
      ice.Init(key.data(), 64);
      result = Encrypted(ice, kPlain);
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) EXPECT_EQ(result, FromHex("7d6ef1ef30d47a96"));
}

// A 64-bit key suits every level, yet the levels run 8, 16 and 32 rounds, so a block
// encrypted at one level is not restored by decrypting at another.
TEST(IceTest, LevelsDoNotDecryptEachOther) {
  const std::vector<uint8_t> key = FromHex("0011223344556677");
  auto levels = AllLevels();
  for (auto& cipher : levels) cipher->Init(key.data(), 64);
  for (auto& encryptor : levels) {
    const auto cipher_text = Encrypted(static_cast<BlockCipher&>(*encryptor), kPlain);
    for (auto& decryptor : levels) {
      const auto restored = Decrypted(static_cast<BlockCipher&>(*decryptor), cipher_text);
      if (encryptor == decryptor) {
        EXPECT_EQ(restored, kPlain) << encryptor->Algorithm();
      } else {
        EXPECT_NE(restored, kPlain) << encryptor->Algorithm() << " / " << decryptor->Algorithm();
      }
    }
  }
}

// Objects of every level live side by side, and a second key set-up on the same object keeps
// nothing of the first: a short key after a long one still reads as zero-padded.
TEST(IceTest, ObjectsCoexistAndRekeyCleanly) {
  Ice2 ice2;
  ThinIce thin;
  Ice ice;
  const std::vector<uint8_t> long_key = FromHex("00112233445566778899aabbccddeeff");
  const std::vector<uint8_t> short_key = FromHex("deadbeef01234567");
  ice2.Init(long_key.data(), 128);
  thin.Init(short_key.data(), 64);
  EXPECT_EQ(Encrypted(ice2, kPlain), FromHex("f94840d86972f21c"));
  ice.Init(short_key.data(), 64);
  ice2.Init(short_key.data(), 64);
  EXPECT_EQ(Encrypted(ice2, kPlain), FromHex("ba274f22199bb12c"));
  EXPECT_EQ(Encrypted(thin, kPlain), FromHex("de240d83a00a9cc0"));
  EXPECT_EQ(Encrypted(ice, kPlain), FromHex("7d6ef1ef30d47a96"));
  ice2.Wipe();
  ice2.Init(long_key.data(), 128);
  EXPECT_EQ(Encrypted(ice2, kPlain), FromHex("f94840d86972f21c"));
}

// CBC decryption hands the cipher runs of many blocks at once; in place and into a separate
// buffer, every level must restore a message of several blocks and a partial tail.
TEST(IceTest, ManyBlocksInOneCall) {
  const std::vector<uint8_t> key = FromHex("0123456789abcdef0f1e2d3c4b5a6978");
  std::vector<uint8_t> message(8 * 70 + 5);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 37 + 11);
  for (auto& cipher : AllLevels()) {
    const auto key_bits = static_cast<uint32_t>(cipher->MaxKeySize());
    cipher->Init(key.data(), key_bits);
    std::vector<uint8_t> cipher_text(message.size());
    cipher->Encrypt(message.data(), cipher_text.data(), message.size());
    EXPECT_NE(cipher_text, message);

    cipher->Reset();
    std::vector<uint8_t> restored(message.size());
    cipher->Decrypt(cipher_text.data(), restored.data(), restored.size());
    EXPECT_EQ(restored, message) << cipher->Algorithm();

    cipher->Reset();
    cipher->Decrypt(cipher_text.data(), cipher_text.data(), cipher_text.size());
    EXPECT_EQ(cipher_text, message) << cipher->Algorithm() << " in place";
  }
}

}  // namespace
}  // namespace varkesh::test

// The class tables: the index order is stored in every action's parameters, so it is pinned
// here; every built class passes its known-answer test and reports the identity it has in the
// tables; names resolve as the command-line tool promises.
#include "crypto/registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace varkesh::test {
namespace {

TEST(Registry, IndexOrderAndListTexts) {
  const char* const hashes[] = {"Haval", "MD4",     "MD5",     "RMD 128", "RMD 160",
                                "SHA 1", "SHA 256", "SHA 384", "SHA 512", "Tiger"};
  const char* const ciphers[] = {"BlowFish", "CAST 128", "CAST 256", "DES",    "3 DES",
                                 "ICE",      "Thin ICE", "ICE 2",    "IDEA",   "Mars",
                                 "Misty 1",  "RC2",      "RC4",      "RC5",    "RC6",
                                 "Rijndael", "SerPent",  "TEA",      "TwoFish"};
  ASSERT_EQ(HashTable().size(), std::size(hashes));
  ASSERT_EQ(CipherTable().size(), std::size(ciphers));
  for (size_t i = 0; i < std::size(hashes); ++i) {
    EXPECT_EQ(HashTable()[i].index, static_cast<int>(i));
    EXPECT_EQ(HashTable()[i].list_text, hashes[i]);
  }
  for (size_t i = 0; i < std::size(ciphers); ++i) {
    EXPECT_EQ(CipherTable()[i].index, static_cast<int>(i));
    EXPECT_EQ(CipherTable()[i].list_text, ciphers[i]);
  }
  const int hashing_action[] = {2, 4, 6};  // MD5, RIPEMD-160, SHA-256
  EXPECT_TRUE(std::equal(HashingActionTable().begin(), HashingActionTable().end(),
                         std::begin(hashing_action), std::end(hashing_action)));
}

TEST(Registry, EveryBuiltHashPassesItsSelfTestAndKnowsItsIdentity) {
  for (const HashEntry& entry : HashTable()) {
    SCOPED_TRACE(entry.class_name);
    EXPECT_TRUE(entry.cls->known_answer_test());
    const std::unique_ptr<Hash> hash = entry.cls->create();
    EXPECT_EQ(&hash->Class(), entry.cls);
    EXPECT_EQ(hash->Id(), entry.cls->id);
    EXPECT_EQ(hash->Algorithm(), entry.cls->algorithm);
    EXPECT_EQ(hash->HashSize(), entry.cls->hash_size);
    EXPECT_FALSE(hash->Initialized());
  }
}

TEST(Registry, EveryBuiltCipherPassesItsSelfTestAndKnowsItsIdentity) {
  for (const CipherEntry& entry : CipherTable()) {
    SCOPED_TRACE(entry.class_name);
    EXPECT_TRUE(entry.cls->known_answer_test());
    const std::unique_ptr<Cipher> cipher = entry.cls->create();
    EXPECT_EQ(&cipher->Class(), entry.cls);
    EXPECT_EQ(cipher->Id(), entry.cls->id);
    EXPECT_EQ(cipher->Algorithm(), entry.cls->algorithm);
    EXPECT_EQ(cipher->MaxKeySize(), entry.cls->max_key_size);
    EXPECT_EQ(cipher->MaxKeySize() % 4, 0);
    EXPECT_FALSE(cipher->Initialized());
    if (auto* block = dynamic_cast<BlockCipher*>(cipher.get())) {
      EXPECT_EQ(block->BlockSize(), entry.cls->block_size);
      EXPECT_EQ(block->CipherMode(), cmCBC);
    } else {
      EXPECT_EQ(entry.cls->block_size, -1);
    }
  }
}

TEST(Registry, NamesAndIndices) {
  struct Case {
    const char* name;
    int index;  // -1: no match
  };

  for (const Case c :
       {Case{"0", 0}, Case{"9", 9}, Case{"10", -1}, Case{"-1", -1}, Case{"haval", 0},
        Case{"RMD 160", 4}, Case{"rmd160", 4}, Case{"ripemd160", 4}, Case{"RipeMD-128", 3},
        Case{"sha-256", 6}, Case{"tiger", 9}, Case{"", -1}, Case{"whirlpool", -1}}) {
    const HashEntry* entry = FindHash(c.name);
    EXPECT_EQ(entry == nullptr ? -1 : entry->index, c.index) << c.name;
  }
  for (const Case c : {Case{"18", 18}, Case{"19", -1}, Case{"blowfish", 0}, Case{"3des", 4},
                       Case{"TripleDes", 4}, Case{"thin ice", 6}, Case{"ThinIce", 6},
                       Case{"ice2", 7}, Case{"aes", 15}, Case{"Rijndael", 15}, Case{"serpent", 16},
                       Case{"cast128", 1}, Case{"misty1", 10}, Case{"enigma", -1}}) {
    const CipherEntry* entry = FindCipher(c.name);
    EXPECT_EQ(entry == nullptr ? -1 : entry->index, c.index) << c.name;
  }
}

}  // namespace
}  // namespace varkesh::test

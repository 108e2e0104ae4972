// The class tables: the index order is stored in every action's parameters, so it is pinned
// here; every built class passes its known-answer test and reports the identity it has in the
// tables; names resolve as the command-line tool promises, and unknown ones are clear errors.
#include "varkesh/algorithms.h"

#include <gtest/gtest.h>

#include <memory>

namespace varkesh::test {
namespace {

TEST(Algorithms, IndexOrder) {
  const char* const hashes[] = {"Haval", "Md4",    "Md5",    "Ripemd128", "Ripemd160",
                                "Sha1",  "Sha256", "Sha384", "Sha512",    "Tiger"};
  const char* const ciphers[] = {"Blowfish", "Cast128", "Cast256", "Des",    "TripleDes",
                                 "Ice",      "ThinIce", "Ice2",    "Idea",   "Mars",
                                 "Misty1",   "Rc2",     "Rc4",     "Rc5",    "Rc6",
                                 "Rijndael", "Serpent", "Tea",     "Twofish"};
  ASSERT_EQ(HashTable().size(), std::size(hashes));
  ASSERT_EQ(CipherTable().size(), std::size(ciphers));
  for (size_t i = 0; i < std::size(hashes); ++i) {
    EXPECT_EQ(HashTable()[i].index, static_cast<int>(i));
    EXPECT_EQ(HashTable()[i].class_name, hashes[i]);
    EXPECT_EQ(&HashAt(static_cast<int>(i)), HashTable()[i].cls);
  }
  for (size_t i = 0; i < std::size(ciphers); ++i) {
    EXPECT_EQ(CipherTable()[i].index, static_cast<int>(i));
    EXPECT_EQ(CipherTable()[i].class_name, ciphers[i]);
    EXPECT_EQ(&CipherAt(static_cast<int>(i)), CipherTable()[i].cls);
  }
}

TEST(Algorithms, EveryBuiltHashPassesItsSelfTestAndKnowsItsIdentity) {
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

TEST(Algorithms, EveryBuiltCipherPassesItsSelfTestAndKnowsItsIdentity) {
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

TEST(Algorithms, NamesAndIndices) {
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

TEST(Algorithms, UnknownNamesAndIndicesAreClearErrors) {
  const auto message = [](auto&& lookup) -> std::string {
    try {
      lookup();
    } catch (const Error& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message([] { HashByName("whirlpool"); }), "Unknown hash: whirlpool");
  EXPECT_EQ(message([] { CipherByName("typo"); }), "Unknown cipher: typo");
  EXPECT_EQ(message([] { CipherByName("19"); }), "Unknown cipher: 19");
  EXPECT_EQ(message([] { CipherAt(19); }), "Invalid cipher index: 19");
  EXPECT_EQ(message([] { HashAt(-1); }), "Invalid key hash index: -1");
  EXPECT_EQ(&CipherByName("aes"), CipherTable()[15].cls);
}

}  // namespace
}  // namespace varkesh::test

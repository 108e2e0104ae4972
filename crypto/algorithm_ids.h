// The identity of every hash and cipher class: number, display name and size, and the templates
// through which each class reports its own. These values are part of the data contract (they
// are what `Id`, `Algorithm`, `HashSize` and `MaxKeySize` report), so they are kept together.
#pragma once

#include <cstdint>
#include <string_view>

#include "varkesh/framework.h"

namespace varkesh::ids {

struct HashIdentity {
  int32_t id;
  std::string_view algorithm;
  int32_t hash_size;  // bits
};

struct CipherIdentity {
  int32_t id;
  std::string_view algorithm;
  int32_t max_key_size;  // bits
  int32_t block_size;    // bits; -1 for the stream cipher
};

// Hashes.
inline constexpr HashIdentity kMd4{17, "MD4", 128};
inline constexpr HashIdentity kMd5{16, "MD5", 128};
inline constexpr HashIdentity kRipemd128{27, "RipeMD-128", 128};
inline constexpr HashIdentity kRipemd160{10, "RipeMD-160", 160};
inline constexpr HashIdentity kSha1{2, "SHA1", 160};
inline constexpr HashIdentity kSha256{28, "SHA256", 256};
inline constexpr HashIdentity kSha384{29, "SHA384", 384};
inline constexpr HashIdentity kSha512{30, "SHA512", 512};
inline constexpr HashIdentity kHaval{14, "Haval (256bit, 5 passes)", 256};
inline constexpr HashIdentity kTiger{18, "Tiger", 192};

// Ciphers.
inline constexpr CipherIdentity kBlowfish{5, "Blowfish", 448, 64};
inline constexpr CipherIdentity kCast128{7, "Cast128", 128, 64};
inline constexpr CipherIdentity kDes{23, "DES", 64, 64};
inline constexpr CipherIdentity kTripleDes{24, "3DES", 192, 64};
inline constexpr CipherIdentity kIdea{12, "IDEA", 128, 64};
inline constexpr CipherIdentity kMisty1{11, "Misty1", 128, 64};
inline constexpr CipherIdentity kRc2{1, "RC2", 1024, 64};
inline constexpr CipherIdentity kRc5{3, "RC5", 2048, 64};
inline constexpr CipherIdentity kTea{25, "Tea", 128, 64};
inline constexpr CipherIdentity kIce{20, "Ice", 64, 64};
inline constexpr CipherIdentity kThinIce{21, "Thin Ice", 64, 64};
inline constexpr CipherIdentity kIce2{22, "Ice2", 128, 64};
inline constexpr CipherIdentity kRijndael{9, "Rijndael", 256, 128};
inline constexpr CipherIdentity kSerpent{26, "Serpent", 256, 128};
inline constexpr CipherIdentity kTwofish{6, "Twofish", 256, 128};
inline constexpr CipherIdentity kRc4{19, "RC4", 2048, -1};
inline constexpr CipherIdentity kCast256{15, "Cast256", 256, 128};
inline constexpr CipherIdentity kMars{13, "Mars", 1248, 128};
inline constexpr CipherIdentity kRc6{4, "RC6", 2048, 128};

}  // namespace varkesh::ids

namespace varkesh {

// Supplies a concrete hash's class-level identity from its row in algorithm_ids.h.
template <class Self, const ids::HashIdentity& kIdentity, class Base = Hash>
class HashImpl : public Base {
 public:
  static constexpr int32_t ClassId() { return kIdentity.id; }

  static constexpr std::string_view ClassAlgorithm() { return kIdentity.algorithm; }

  static constexpr int32_t ClassHashSize() { return kIdentity.hash_size; }

  const HashClass& Class() const override { return HashClassOf<Self>(); }
};

// Supplies a concrete cipher's class-level identity from its row in algorithm_ids.h.
template <class Self, const ids::CipherIdentity& kIdentity, class Base>
class CipherImpl : public Base {
 public:
  static constexpr int32_t ClassId() { return kIdentity.id; }

  static constexpr std::string_view ClassAlgorithm() { return kIdentity.algorithm; }

  static constexpr int32_t ClassMaxKeySize() { return kIdentity.max_key_size; }

  const CipherClass& Class() const override { return CipherClassOf<Self>(); }
};

}  // namespace varkesh

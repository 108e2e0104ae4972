#include "crypto/registry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>

#include "crypto/blowfish.h"
#include "crypto/cast128.h"
#include "crypto/cast256.h"
#include "crypto/des.h"
#include "crypto/haval.h"
#include "crypto/ice.h"
#include "crypto/idea.h"
#include "crypto/mars.h"
#include "crypto/md4.h"
#include "crypto/md5.h"
#include "crypto/misty1.h"
#include "crypto/rc2.h"
#include "crypto/rc4.h"
#include "crypto/rc5.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/ripemd128.h"
#include "crypto/ripemd160.h"
#include "crypto/serpent.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"
#include "crypto/tea.h"
#include "crypto/tiger.h"
#include "crypto/twofish.h"

namespace varkesh {

std::span<const HashEntry> HashTable() {
  static const std::array<HashEntry, 10> kTable{{
      {0, "Haval", "Haval", &HashClassOf<Haval>()},
      {1, "MD4", "Md4", &HashClassOf<Md4>()},
      {2, "MD5", "Md5", &HashClassOf<Md5>()},
      {3, "RMD 128", "Ripemd128", &HashClassOf<Ripemd128>()},
      {4, "RMD 160", "Ripemd160", &HashClassOf<Ripemd160>()},
      {5, "SHA 1", "Sha1", &HashClassOf<Sha1>()},
      {6, "SHA 256", "Sha256", &HashClassOf<Sha256>()},
      {7, "SHA 384", "Sha384", &HashClassOf<Sha384>()},
      {8, "SHA 512", "Sha512", &HashClassOf<Sha512>()},
      {9, "Tiger", "Tiger", &HashClassOf<Tiger>()},
  }};
  return kTable;
}

std::span<const CipherEntry> CipherTable() {
  static const std::array<CipherEntry, 19> kTable{{
      {0, "BlowFish", "Blowfish", &CipherClassOf<Blowfish>()},
      {1, "CAST 128", "Cast128", &CipherClassOf<Cast128>()},
      {2, "CAST 256", "Cast256", &CipherClassOf<Cast256>()},
      {3, "DES", "Des", &CipherClassOf<Des>()},
      {4, "3 DES", "TripleDes", &CipherClassOf<TripleDes>()},
      {5, "ICE", "Ice", &CipherClassOf<Ice>()},
      {6, "Thin ICE", "ThinIce", &CipherClassOf<ThinIce>()},
      {7, "ICE 2", "Ice2", &CipherClassOf<Ice2>()},
      {8, "IDEA", "Idea", &CipherClassOf<Idea>()},
      {9, "Mars", "Mars", &CipherClassOf<Mars>()},
      {10, "Misty 1", "Misty1", &CipherClassOf<Misty1>()},
      {11, "RC2", "Rc2", &CipherClassOf<Rc2>()},
      {12, "RC4", "Rc4", &CipherClassOf<Rc4>()},
      {13, "RC5", "Rc5", &CipherClassOf<Rc5>()},
      {14, "RC6", "Rc6", &CipherClassOf<Rc6>()},
      {15, "Rijndael", "Rijndael", &CipherClassOf<Rijndael>()},
      {16, "SerPent", "Serpent", &CipherClassOf<Serpent>()},
      {17, "TEA", "Tea", &CipherClassOf<Tea>()},
      {18, "TwoFish", "Twofish", &CipherClassOf<Twofish>()},
  }};
  return kTable;
}

std::span<const int> HashingActionTable() {
  static constexpr std::array<int, 3> kTable{2, 4, 6};  // MD5, RIPEMD-160, SHA-256
  return kTable;
}

namespace {

std::string Normalized(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c == ' ' || c == '-' || c == '_')
      continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

// Index, list text, class name, algorithm name, or one of the extra aliases.
template <class Entry>
const Entry* Find(std::span<const Entry> table,
                  std::string_view index_or_name,
                  std::initializer_list<std::pair<std::string_view, int>> aliases) {
  int index = -1;
  const char* end = index_or_name.data() + index_or_name.size();
  if (auto [p, ec] = std::from_chars(index_or_name.data(), end, index);
      ec == std::errc() && p == end) {
    return index >= 0 && static_cast<size_t>(index) < table.size() ? &table[index] : nullptr;
  }
  const std::string key = Normalized(index_or_name);
  if (key.empty())
    return nullptr;
  for (const auto& [alias, alias_index] : aliases) {
    if (key == alias)
      return &table[alias_index];
  }
  for (const Entry& entry : table) {
    if (key == Normalized(entry.list_text) || key == Normalized(entry.class_name) ||
        key == Normalized(entry.cls->algorithm)) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

const HashEntry* FindHash(std::string_view index_or_name) {
  return Find(HashTable(), index_or_name, {});
}

const CipherEntry* FindCipher(std::string_view index_or_name) {
  return Find(CipherTable(), index_or_name, {{"aes", 15}, {"cast5", 1}, {"cast6", 2}});
}

}  // namespace varkesh

#include "crypto/registry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>

// A class joins the tables as soon as its unit is in the tree; until then its row is listed
// as unavailable (a null class).
#if __has_include("crypto/blowfish.h")
#  include "crypto/blowfish.h"
#endif
#if __has_include("crypto/cast128.h")
#  include "crypto/cast128.h"
#endif
#if __has_include("crypto/cast256.h")
#  include "crypto/cast256.h"
#endif
#if __has_include("crypto/des.h")
#  include "crypto/des.h"
#endif
#if __has_include("crypto/haval.h")
#  include "crypto/haval.h"
#endif
#if __has_include("crypto/ice.h")
#  include "crypto/ice.h"
#endif
#if __has_include("crypto/idea.h")
#  include "crypto/idea.h"
#endif
#if __has_include("crypto/mars.h")
#  include "crypto/mars.h"
#endif
#if __has_include("crypto/md4.h")
#  include "crypto/md4.h"
#endif
#if __has_include("crypto/md5.h")
#  include "crypto/md5.h"
#endif
#if __has_include("crypto/misty1.h")
#  include "crypto/misty1.h"
#endif
#if __has_include("crypto/rc2.h")
#  include "crypto/rc2.h"
#endif
#if __has_include("crypto/rc4.h")
#  include "crypto/rc4.h"
#endif
#if __has_include("crypto/rc5.h")
#  include "crypto/rc5.h"
#endif
#if __has_include("crypto/rc6.h")
#  include "crypto/rc6.h"
#endif
#if __has_include("crypto/rijndael.h")
#  include "crypto/rijndael.h"
#endif
#if __has_include("crypto/ripemd128.h")
#  include "crypto/ripemd128.h"
#endif
#if __has_include("crypto/ripemd160.h")
#  include "crypto/ripemd160.h"
#endif
#if __has_include("crypto/serpent.h")
#  include "crypto/serpent.h"
#endif
#if __has_include("crypto/sha1.h")
#  include "crypto/sha1.h"
#endif
#if __has_include("crypto/sha256.h")
#  include "crypto/sha256.h"
#endif
#if __has_include("crypto/sha512.h")
#  include "crypto/sha512.h"
#endif
#if __has_include("crypto/tea.h")
#  include "crypto/tea.h"
#endif
#if __has_include("crypto/tiger.h")
#  include "crypto/tiger.h"
#endif
#if __has_include("crypto/twofish.h")
#  include "crypto/twofish.h"
#endif

namespace varkesh {

class Haval;
class Md4;
class Md5;
class Ripemd128;
class Ripemd160;
class Sha1;
class Sha256;
class Sha384;
class Sha512;
class Tiger;
class Blowfish;
class Cast128;
class Cast256;
class Des;
class TripleDes;
class Ice;
class ThinIce;
class Ice2;
class Idea;
class Mars;
class Misty1;
class Rc2;
class Rc4;
class Rc5;
class Rc6;
class Rijndael;
class Serpent;
class Tea;
class Twofish;

namespace {

template <class T>
const HashClass* HashIfBuilt() {
  if constexpr (requires { sizeof(T); }) {
    return &HashClassOf<T>();
  } else {
    return nullptr;
  }
}

template <class T>
const CipherClass* CipherIfBuilt() {
  if constexpr (requires { sizeof(T); }) {
    return &CipherClassOf<T>();
  } else {
    return nullptr;
  }
}

}  // namespace

std::span<const HashEntry> HashTable() {
  static const std::array<HashEntry, 10> kTable{{
      {0, "Haval", "Haval", HashIfBuilt<Haval>()},
      {1, "MD4", "Md4", HashIfBuilt<Md4>()},
      {2, "MD5", "Md5", HashIfBuilt<Md5>()},
      {3, "RMD 128", "Ripemd128", HashIfBuilt<Ripemd128>()},
      {4, "RMD 160", "Ripemd160", HashIfBuilt<Ripemd160>()},
      {5, "SHA 1", "Sha1", HashIfBuilt<Sha1>()},
      {6, "SHA 256", "Sha256", HashIfBuilt<Sha256>()},
      {7, "SHA 384", "Sha384", HashIfBuilt<Sha384>()},
      {8, "SHA 512", "Sha512", HashIfBuilt<Sha512>()},
      {9, "Tiger", "Tiger", HashIfBuilt<Tiger>()},
  }};
  return kTable;
}

std::span<const CipherEntry> CipherTable() {
  static const std::array<CipherEntry, 19> kTable{{
      {0, "BlowFish", "Blowfish", CipherIfBuilt<Blowfish>()},
      {1, "CAST 128", "Cast128", CipherIfBuilt<Cast128>()},
      {2, "CAST 256", "Cast256", CipherIfBuilt<Cast256>()},
      {3, "DES", "Des", CipherIfBuilt<Des>()},
      {4, "3 DES", "TripleDes", CipherIfBuilt<TripleDes>()},
      {5, "ICE", "Ice", CipherIfBuilt<Ice>()},
      {6, "Thin ICE", "ThinIce", CipherIfBuilt<ThinIce>()},
      {7, "ICE 2", "Ice2", CipherIfBuilt<Ice2>()},
      {8, "IDEA", "Idea", CipherIfBuilt<Idea>()},
      {9, "Mars", "Mars", CipherIfBuilt<Mars>()},
      {10, "Misty 1", "Misty1", CipherIfBuilt<Misty1>()},
      {11, "RC2", "Rc2", CipherIfBuilt<Rc2>()},
      {12, "RC4", "Rc4", CipherIfBuilt<Rc4>()},
      {13, "RC5", "Rc5", CipherIfBuilt<Rc5>()},
      {14, "RC6", "Rc6", CipherIfBuilt<Rc6>()},
      {15, "Rijndael", "Rijndael", CipherIfBuilt<Rijndael>()},
      {16, "SerPent", "Serpent", CipherIfBuilt<Serpent>()},
      {17, "TEA", "Tea", CipherIfBuilt<Tea>()},
      {18, "TwoFish", "Twofish", CipherIfBuilt<Twofish>()},
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
        (entry.cls != nullptr && key == Normalized(entry.cls->algorithm))) {
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

#include "varkesh/algorithms.h"

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
      {0, "Haval", &HashClassOf<Haval>()},
      {1, "Md4", &HashClassOf<Md4>()},
      {2, "Md5", &HashClassOf<Md5>()},
      {3, "Ripemd128", &HashClassOf<Ripemd128>()},
      {4, "Ripemd160", &HashClassOf<Ripemd160>()},
      {5, "Sha1", &HashClassOf<Sha1>()},
      {6, "Sha256", &HashClassOf<Sha256>()},
      {7, "Sha384", &HashClassOf<Sha384>()},
      {8, "Sha512", &HashClassOf<Sha512>()},
      {9, "Tiger", &HashClassOf<Tiger>()},
  }};
  return kTable;
}

std::span<const CipherEntry> CipherTable() {
  static const std::array<CipherEntry, 19> kTable{{
      {0, "Blowfish", &CipherClassOf<Blowfish>()},
      {1, "Cast128", &CipherClassOf<Cast128>()},
      {2, "Cast256", &CipherClassOf<Cast256>()},
      {3, "Des", &CipherClassOf<Des>()},
      {4, "TripleDes", &CipherClassOf<TripleDes>()},
      {5, "Ice", &CipherClassOf<Ice>()},
      {6, "ThinIce", &CipherClassOf<ThinIce>()},
      {7, "Ice2", &CipherClassOf<Ice2>()},
      {8, "Idea", &CipherClassOf<Idea>()},
      {9, "Mars", &CipherClassOf<Mars>()},
      {10, "Misty1", &CipherClassOf<Misty1>()},
      {11, "Rc2", &CipherClassOf<Rc2>()},
      {12, "Rc4", &CipherClassOf<Rc4>()},
      {13, "Rc5", &CipherClassOf<Rc5>()},
      {14, "Rc6", &CipherClassOf<Rc6>()},
      {15, "Rijndael", &CipherClassOf<Rijndael>()},
      {16, "Serpent", &CipherClassOf<Serpent>()},
      {17, "Tea", &CipherClassOf<Tea>()},
      {18, "Twofish", &CipherClassOf<Twofish>()},
  }};
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

// Index, class name, algorithm name, or one of the extra aliases.
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
    if (key == Normalized(entry.class_name) || key == Normalized(entry.cls->algorithm)) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

const HashEntry* FindHash(std::string_view index_or_name) noexcept {
  return Find(HashTable(), index_or_name, {{"rmd128", 3}, {"rmd160", 4}});
}

const CipherEntry* FindCipher(std::string_view index_or_name) noexcept {
  return Find(CipherTable(), index_or_name, {{"aes", 15}, {"cast5", 1}, {"cast6", 2}});
}

namespace {

template <class Entry>
const auto& Named(const Entry* entry, const char* what, std::string_view name) {
  if (entry == nullptr)
    throw Error("Unknown " + std::string(what) + ": " + std::string(name));
  return *entry->cls;
}

template <class Entry>
const auto& Indexed(std::span<const Entry> table, const char* what, int index) {
  if (index < 0 || static_cast<size_t>(index) >= table.size())
    throw Error("Invalid " + std::string(what) + " index: " + std::to_string(index));
  return *table[static_cast<size_t>(index)].cls;
}

}  // namespace

const HashClass& HashByName(std::string_view index_or_name) {
  return Named(FindHash(index_or_name), "hash", index_or_name);
}

const CipherClass& CipherByName(std::string_view index_or_name) {
  return Named(FindCipher(index_or_name), "cipher", index_or_name);
}

const HashClass& HashAt(int index) { return Indexed(HashTable(), "key hash", index); }

const CipherClass& CipherAt(int index) { return Indexed(CipherTable(), "cipher", index); }

}  // namespace varkesh

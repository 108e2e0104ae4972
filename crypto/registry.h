// The class tables: every hash and cipher by its index in the actions' lists (the index is part
// of the stored parameters, so the order never changes), with the text the dialogs show, and a
// lookup by name for the command-line tool.
#pragma once

#include <span>
#include <string_view>

#include "crypto/framework.h"

namespace varkesh {

struct HashEntry {
  int index;                   // key-hash index of the cipher actions (0-9)
  std::string_view list_text;  // as the dialogs list it
  std::string_view class_name;
  const HashClass* cls;
};

struct CipherEntry {
  int index;  // cipher index of the cipher actions (0-18)
  std::string_view list_text;
  std::string_view class_name;
  const CipherClass* cls;
};

// All ten hashes and all nineteen ciphers, in index order.
std::span<const HashEntry> HashTable();
std::span<const CipherEntry> CipherTable();

// The three hashes of the hashing actions (index 0-2), as key-hash indices.
std::span<const int> HashingActionTable();

// By index ("3") or by name: the list text, the class name or the algorithm name, ignoring case,
// spaces and '-' ("3des", "Thin ICE", "ripemd160", "rmd160"; also "aes" for Rijndael).
// Null when nothing matches.
const HashEntry* FindHash(std::string_view index_or_name);
const CipherEntry* FindCipher(std::string_view index_or_name);

}  // namespace varkesh

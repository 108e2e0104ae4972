// The hashes and ciphers by their index and by name. The indices are those of the plug-in's
// cipher actions (cipher 0-18, key hash 0-9); they are stored in every action's parameters, so
// their order never changes.
#pragma once

#include <span>
#include <string_view>

#include "varkesh/export.h"
#include "varkesh/framework.h"

namespace varkesh {

struct HashEntry {
  int index;                    ///< key-hash index of the cipher actions (0-9)
  std::string_view class_name;  ///< "Sha256"
  const HashClass* cls;
};

struct CipherEntry {
  int index;                    ///< cipher index of the cipher actions (0-18)
  std::string_view class_name;  ///< "TripleDes"
  const CipherClass* cls;
};

/// All ten hashes and all nineteen ciphers, in index order.
VARKESH_API std::span<const HashEntry> HashTable();
VARKESH_API std::span<const CipherEntry> CipherTable();

/// By index ("3") or by name: the class name, the algorithm name or a common short name, with
/// case, spaces, '-' and '_' ignored ("3des", "Thin ICE", "ripemd160", "rmd160", "aes").
/// Null when nothing matches.
VARKESH_API const HashEntry* FindHash(std::string_view index_or_name) noexcept;
VARKESH_API const CipherEntry* FindCipher(std::string_view index_or_name) noexcept;

/// As FindHash and FindCipher, but an unknown name throws Error "Unknown hash: <name>" or
/// "Unknown cipher: <name>".
VARKESH_API const HashClass& HashByName(std::string_view index_or_name);
VARKESH_API const CipherClass& CipherByName(std::string_view index_or_name);

/// By index alone; outside the table throws Error "Invalid key hash index: <n>" or
/// "Invalid cipher index: <n>", the texts the plug-in reports.
VARKESH_API const HashClass& HashAt(int index);
VARKESH_API const CipherClass& CipherAt(int index);

}  // namespace varkesh

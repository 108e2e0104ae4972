// Known-answer vector files. A file is a list of records:
//
//   # comments cite the source
//   [Blowfish/cmCBC]          a section names the class (and, where it matters, the mode)
//   Key = 0123456789ABCDEF    hex bytes, "text" in double quotes (\n, \" and \\ escapes), or
//                             pattern(size, seed): the bytes of PatternBytes (vector_pattern.h)
//   In = ...
//   Out = ...                 the folder's last required key completes a record
//
// Required keys keep their value until they are set again, so one Key can serve many records;
// optional keys count for the next record only. An unknown key is an error.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace varkesh::test {

struct VectorRecord {
  std::string file;  // relative to the vector folder
  int line = 0;      // of the completing key
  std::string section;
  std::map<std::string, std::string, std::less<>> values;  // raw text after '='

  bool Has(std::string_view key) const { return values.find(key) != values.end(); }

  std::vector<uint8_t> Bytes(std::string_view key) const;
  // For a value "sha256(<hex>)", which stands for bytes too long to write out: their digest.
  std::optional<std::vector<uint8_t>> Sha256(std::string_view key) const;
  std::string Text(std::string_view key) const;  // the bytes as a string
  uint64_t Number(std::string_view key) const;   // decimal
  // A name GoogleTest accepts: section and line, e.g. Blowfish_cmCBC_12.
  std::string Name() const;
};

std::ostream& operator<<(std::ostream& os, const VectorRecord& record);

// Reads every *.vec file of tests/vectors/<folder>, in file-name order.
std::vector<VectorRecord> LoadVectors(std::string_view folder,
                                      const std::vector<std::string>& required,
                                      const std::vector<std::string>& optional = {});

std::string VectorDir();

}  // namespace varkesh::test

// Sum files in the format of coreutils' md5sum and sha256sum: "HEX  NAME" or "HEX *NAME", one
// file a line; a name holding a newline or a backslash is escaped and the line starts with '\'.
#pragma once

#include <string>

#include "varkesh/framework.h"

namespace varkesh::cli {

struct CheckOptions {
  std::string sums;  // the sum file; "-" is standard input
  unsigned jobs = 0;
  bool quiet = false;           // no line for the files that match
  bool status = false;          // no output at all, only the exit status
  bool ignore_missing = false;  // files that do not exist are neither checked nor reported
  bool strict = false;          // a line that is not a sum line fails the check
};

// The line the tool prints for a file's sum, as coreutils prints it.
std::string SumLine(const std::string& sum, const std::string& name);

// Hashes every file the sum file names and compares. Returns 0 when every listed file was read
// and matched (and, with `strict`, every line was a sum line), 1 otherwise.
int CheckSums(const HashClass& hash, const CheckOptions& options);

}  // namespace varkesh::cli

// Hash sums of many files at once, reported in the order the files were named.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "varkesh/framework.h"

namespace varkesh::cli {

struct FileSum {
  const std::string* name;
  std::string sum;    // uppercase hexadecimal; empty when the file failed
  std::string error;  // the message when it failed
};

// Hashes the files ("-" is standard input) on up to `jobs` threads (0: one per processor) and
// hands every result to `report`, in the order of `names`, on one thread at a time. When
// `report` returns false, the files not yet started are left alone.
void HashFiles(const HashClass& hash,
               const std::vector<std::string>& names,
               unsigned jobs,
               const std::function<bool(const FileSum&)>& report);

// The names as the user meant them: on Windows, whose shells leave wildcards to the program,
// a name with * or ? stands for the files it matches (or itself, when none does).
std::vector<std::string> ExpandWildcards(const std::vector<std::string>& names);

}  // namespace varkesh::cli

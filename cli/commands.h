// The commands of the varkesh tool. Each returns the process exit status; messages for the
// user go to standard error as "varkesh: <message>".
#pragma once

#include <string>
#include <vector>

namespace varkesh::cli {

struct HashOptions {
  std::string algorithm = "sha256";
  std::string text;  // hashed instead of files when has_text
  bool has_text = false;
  std::vector<std::string> files;  // "-" is standard input; none means standard input
};

int RunHash(const HashOptions& options);
int RunSelfTest();
int RunAlgorithms();

void ReportError(const std::string& message);

}  // namespace varkesh::cli

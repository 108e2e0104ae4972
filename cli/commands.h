// The commands of the varkesh tool. Each returns the process exit status; messages for the
// user go to standard error as "varkesh: <message>".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "varkesh/framework.h"

namespace varkesh::cli {

// A mistake in how the tool was called (exit status 2).
class UsageError : public Error {
 public:
  using Error::Error;
};

struct HashOptions {
  std::string algorithm = "sha256";
  std::string text;  // hashed instead of files when has_text; "-" reads standard input
  bool has_text = false;
  std::vector<std::string> files;  // "-" is standard input; none means standard input
  unsigned jobs = 0;               // files hashed at once; 0: one per processor
};

struct CipherOptions {
  bool encrypt = true;
  std::string cipher = "0";
  std::string key_hash = "0";
  std::string passphrase_env;
  std::string passphrase_file;  // "-": standard input, when the data does not come from there
  std::optional<int> passphrase_fd;
  bool empty_passphrase = false;  // an empty pass phrase is refused without it
  std::string text;  // the string format when has_text; "-" reads it from standard input
  bool has_text = false;
  std::string input;   // the file format otherwise; empty or "-" is standard input
  std::string output;  // empty or "-" is standard output
};

int RunHash(const HashOptions& options);
int RunCipher(const CipherOptions& options);
int RunSelfTest();
int RunAlgorithms();

void ReportError(const std::string& message);

}  // namespace varkesh::cli

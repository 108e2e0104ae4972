// The commands of the varkesh tool. Each returns the process exit status; messages for the
// user go to standard error as "varkesh: <message>".
#pragma once

#include <string>
#include <vector>

#include "varkesh/framework.h"

namespace varkesh::cli {

struct HashOptions {
  std::string algorithm = "sha256";
  std::string text;  // hashed instead of files when has_text
  bool has_text = false;
  std::vector<std::string> files;  // "-" is standard input; none means standard input
};

struct CipherOptions {
  bool encrypt = true;
  std::string cipher = "0";
  std::string key_hash = "0";
  std::string passphrase_env;
  std::string passphrase_file;
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

// The commands of the varkesh tool. Each returns the process exit status; messages for the
// user go to standard error as "varkesh: <message>".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "varkesh/framework.h"

namespace varkesh::cli {

// A mistake in how the tool was called (exit status 2).
class UsageError : public Error {
 public:
  using Error::Error;
};

// The code page in which the plug-in's host keeps pass phrases and texts; ours arrive as UTF-8
// and are converted to it (and decrypted texts back), so that both give the same bytes.
inline constexpr const char* kDefaultCodePage = "1251";

struct HashOptions {
  std::string algorithm = "sha256";
  std::string code_page = kDefaultCodePage;
  std::string text;  // hashed instead of files when has_text; "-" reads standard input
  bool has_text = false;
  std::vector<std::string> files;  // "-" is standard input; none means standard input
  unsigned jobs = 0;               // files hashed at once; 0: one per processor
  std::string check;               // a sum file to check, when has_check; "-" is standard input
  bool has_check = false;
  bool quiet = false, status = false, ignore_missing = false, strict = false;  // of the check
};

struct CipherOptions {
  bool encrypt = true;
  std::string cipher = "0";
  std::string key_hash = "0";
  std::string code_page = kDefaultCodePage;
  std::string passphrase_env;
  std::string passphrase_file;  // "-": standard input, when the data does not come from there
  std::optional<int> passphrase_fd;
  bool empty_passphrase = false;  // an empty pass phrase is refused without it
  std::string text;  // the string format when has_text; "-" reads it from standard input
  bool has_text = false;
  std::string input;   // the file format otherwise; empty or "-" is standard input
  std::string output;  // empty or "-" is standard output
};

// `varkesh guess`: which cipher, key hash and pass-phrase code page decrypt a text or a file.
struct GuessOptions {
  CipherOptions data;  // the pass phrase and the text or input file; no cipher or key hash
  std::vector<std::string> code_pages;  // of the pass phrase; none: 1251, 1252 and UTF-8
  size_t top = 10;                      // candidates listed
  unsigned jobs = 0;                    // threads; 0: one per processor
  std::string expect_sha256;            // hexadecimal digest of the whole plaintext, if known
  std::string expect_md5;
};

int RunHash(const HashOptions& options);
int RunCipher(const CipherOptions& options);
int RunGuess(const GuessOptions& options);
int RunSelfTest();
int RunAlgorithms();

void ReportError(const std::string& message);

// What the options name; an unknown name or an index out of range is a UsageError. A hash
// given by number means the hashing actions' index (0 MD5, 1 RIPEMD-160, 2 SHA-256), as in
// the plug-in; a key hash by number, the cipher actions' key-hash index.
const text::CodePage& CodePageOption(const std::string& name);
const HashClass& HashOption(const std::string& name_or_index);
const HashClass& KeyHashOption(const std::string& name_or_index);
const CipherClass& CipherOption(const std::string& name_or_index);

// `utf8` in `page`. Invalid UTF-8 and characters the page lacks are errors that begin with
// `what` ("The pass phrase") and name the character.
std::string InCodePage(const text::CodePage& page, std::string_view utf8, std::string_view what);

}  // namespace varkesh::cli

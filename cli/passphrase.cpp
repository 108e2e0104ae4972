#include "cli/passphrase.h"

#include <optional>
#include <string>
#include <utility>

#include "cli/terminal.h"
#include "platform/arguments.h"
#include "platform/files.h"

namespace varkesh::cli {

namespace {

using platform::InputFile;
using platform::SecretText;

// The first line, without its end (LF or CR LF). Read a byte at a time, so that nothing after
// it is taken from a stream.
SecretText FirstLine(InputFile& in) {
  SecretText line;
  line.value().reserve(256);
  uint8_t c = 0;
  while (in.Read(&c, 1) == 1 && c != '\n') line.Append(reinterpret_cast<const char*>(&c), 1);
  if (!line.value().empty() && line.value().back() == '\r')
    line.value().pop_back();
  return line;
}

SecretText FromSource(const CipherOptions& options, bool data_on_stdin) {
  if (!options.passphrase_env.empty()) {
    std::optional<std::string> value = platform::EnvironmentVariable(options.passphrase_env);
    if (!value)
      throw Error("Environment variable not set: " + options.passphrase_env);
    return SecretText(std::move(*value));
  }
  if (!options.passphrase_file.empty() || options.passphrase_fd) {
    const bool from_stdin = options.passphrase_file == "-" || options.passphrase_fd == 0;
    if (from_stdin && data_on_stdin) {
      throw UsageError(
          "The data comes from standard input, so the pass phrase cannot; give it another way");
    }
    InputFile in = options.passphrase_fd ? InputFile::Descriptor(*options.passphrase_fd)
                   : from_stdin
                       ? InputFile::StandardInput()
                       : InputFile::Open(options.passphrase_file, platform::Sharing::kReaders);
    return FirstLine(in);
  }
  SecretText phrase = PromptHidden("Pass phrase: ");
  if (options.encrypt && (!phrase.value().empty() || options.empty_passphrase)) {
    if (PromptHidden("Pass phrase again: ").value() != phrase.value())
      throw Error("The pass phrases do not match");
  }
  return phrase;
}

}  // namespace

SecretText ReadPassPhrase(const CipherOptions& options, bool data_on_stdin) {
  SecretText phrase = FromSource(options, data_on_stdin);
  if (phrase.value().empty() && !options.empty_passphrase)
    throw Error("The pass phrase is empty; give --empty-passphrase to use it all the same");
  return phrase;
}

}  // namespace varkesh::cli

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal.h"
#include "platform/files.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"
#include "varkesh/io.h"

namespace varkesh::cli {

namespace {

std::string ReadPassPhrase(const CipherOptions& options) {
  if (!options.passphrase_env.empty()) {
    const char* value = std::getenv(options.passphrase_env.c_str());
    if (value == nullptr)
      throw Error("Environment variable not set: " + options.passphrase_env);
    return value;
  }
  if (!options.passphrase_file.empty()) {
    std::ifstream in(options.passphrase_file, std::ios::binary);
    if (!in)
      throw Error("Cannot open file \"" + platform::FullPath(options.passphrase_file) + "\".");
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    return line;
  }
  const std::string phrase = PromptHidden("Pass phrase: ");
  if (options.encrypt && PromptHidden("Pass phrase again: ") != phrase) {
    throw Error("The pass phrases do not match");
  }
  return phrase;
}

std::string ReadAll(std::istream& in) {
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int CipherText(PassPhraseCipher& cipher, const CipherOptions& options) {
  const std::string text = options.text == "-" ? ReadAll(std::cin) : options.text;
  if (options.encrypt) {
    std::cout << cipher.EncryptString(text) << "\n";
  } else {
    const std::string plain = cipher.DecryptString(text);
    std::cout.write(plain.data(), static_cast<std::streamsize>(plain.size()));
  }
  return 0;
}

int CipherFile(PassPhraseCipher& cipher, const CipherOptions& options) {
  const std::string input = options.input.empty() ? "-" : options.input;
  const std::string output = options.output.empty() ? "-" : options.output;
  FileReader reader(input);  // before the output exists, so a bad input leaves nothing behind
  if (input != "-" && output != "-" && SameFile(input, output)) {
    throw Error("Cannot create file \"" + platform::FullPath(output) +
                "\". It is the input file; choose another output.");
  }
  // The output appears under its name only when everything was read and written.
  const bool to_file = output != "-";
  const std::string target = to_file ? output + ".varkesh-partial" : output;
  try {
    FileWriter writer(target);
    ProgressReader progress(reader, reader.Size().value_or(0), to_file ? output : input);
    if (options.encrypt) {
      cipher.EncryptFile(progress, writer);
    } else {
      cipher.DecryptFile(progress, writer);
    }
    writer.Close();
    progress.Finish();
    if (to_file)
      std::filesystem::rename(target, output);
  } catch (...) {
    if (to_file) {
      std::error_code ignored;
      std::filesystem::remove(target, ignored);
    }
    throw;
  }
  return 0;
}

}  // namespace

int RunCipher(const CipherOptions& options) {
  PassPhraseCipher cipher(CipherByName(options.cipher), HashByName(options.key_hash),
                          ReadPassPhrase(options));
  return options.has_text ? CipherText(cipher, options) : CipherFile(cipher, options);
}

}  // namespace varkesh::cli

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/file_streams.h"
#include "cli/terminal.h"
#include "crypto/registry.h"
#include "platform/files.h"

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

int CipherText(Cipher& cipher, const CipherOptions& options) {
  const std::string text = options.text == "-" ? ReadAll(std::cin) : options.text;
  if (options.encrypt) {
    std::cout << cipher.EncryptText(text) << "\n";
  } else {
    const std::string plain = cipher.DecryptText(text);
    std::cout.write(plain.data(), static_cast<std::streamsize>(plain.size()));
  }
  return 0;
}

// Streams of unknown length (pipes) go through in full 8192-byte chunks, which gives the same
// bytes as one StreamEncrypt over the whole length.
void CipherUnsizedStream(Cipher& cipher, bool encrypt, ByteReader& in, ByteWriter& out) {
  std::vector<uint8_t> buffer(kStreamChunk);
  while (const size_t got = in.Read(buffer.data(), buffer.size())) {
    if (encrypt) {
      cipher.Encrypt(buffer.data(), buffer.data(), got);
    } else {
      cipher.Decrypt(buffer.data(), buffer.data(), got);
    }
    out.Write(buffer.data(), got);
  }
}

int CipherFile(Cipher& cipher, const CipherOptions& options) {
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
    const std::optional<uint64_t> size = reader.Size();
    ProgressReader progress(reader, size.value_or(0), to_file ? output : input);
    if (size) {
      if (options.encrypt) {
        cipher.StreamEncrypt(progress, writer, *size);
      } else {
        cipher.StreamDecrypt(progress, writer, *size);
      }
    } else {
      CipherUnsizedStream(cipher, options.encrypt, progress, writer);
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
  const CipherClass& cipher_class = RequireCipher(options.cipher);
  const HashClass& key_hash = RequireHash(options.key_hash, "key hash");
  const std::unique_ptr<Cipher> cipher = cipher_class.create();
  cipher->InitFromPassPhrase(ReadPassPhrase(options), key_hash);
  const int status = options.has_text ? CipherText(*cipher, options) : CipherFile(*cipher, options);
  cipher->Wipe();
  return status;
}

}  // namespace varkesh::cli

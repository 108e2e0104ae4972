#include <string>

#include "actions/file_streams.h"
#include "cli/commands.h"
#include "cli/passphrase.h"
#include "cli/process.h"
#include "cli/terminal.h"
#include "platform/files.h"
#include "platform/wipe.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"

namespace varkesh::cli {

namespace {

using platform::InputFile;
using platform::OutputFile;
using platform::SecretText;
using platform::Sharing;

// Base64 broken over lines (mail, terminals) reads as one piece. The plug-in never writes
// whitespace, so its texts decode as before.
std::string WithoutWhitespace(const std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
      kept.push_back(c);
  }
  return kept;
}

// The pass phrase as the host would hold it: in its code page.
SecretText PassPhrase(const CipherOptions& options, const text::CodePage& page, bool from_stdin) {
  const SecretText phrase = ReadPassPhrase(options, from_stdin);
  return SecretText(InCodePage(page, phrase.value(), "The pass phrase"));
}

void Write(OutputFile& out, const std::string& bytes) {
  out.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int CipherText(const CipherOptions& options) {
  const CipherClass& cipher_class = CipherOption(options.cipher);
  const HashClass& key_hash = KeyHashOption(options.key_hash);
  const text::CodePage& page = CodePageOption(options.code_page);
  const bool from_stdin = options.text == "-";
  SecretText text = from_stdin ? ReadStandardInput() : SecretText(options.text);
  if (options.encrypt)
    text = SecretText(InCodePage(page, text.value(), "The text"));
  OutputFile out = OutputFile::StandardOutput();
  PassPhraseCipher cipher(cipher_class, key_hash, PassPhrase(options, page, from_stdin).value());
  if (options.encrypt) {
    Write(out, cipher.EncryptString(text.value()) + "\n");
  } else {
    const SecretText plain(cipher.DecryptString(WithoutWhitespace(text.value())));
    Write(out, SecretText(page.ToUtf8(plain.value())).value());
  }
  out.Commit();
  return 0;
}

int CipherFile(const CipherOptions& options) {
  const CipherClass& cipher_class = CipherOption(options.cipher);
  const HashClass& key_hash = KeyHashOption(options.key_hash);
  const text::CodePage& page = CodePageOption(options.code_page);
  const bool from_stdin = options.input.empty() || options.input == "-";
  const bool to_stdout = options.output.empty() || options.output == "-";
  // Input and output first: a mistake there is reported before the pass phrase is asked for
  // and before any work is done.
  InputFile in =
      from_stdin ? InputFile::StandardInput() : InputFile::Open(options.input, Sharing::kReaders);
  OutputFile out = to_stdout ? OutputFile::StandardOutput()
                             : OutputFile::Create(options.output, Sharing::kReaders, &in);
  if (options.encrypt && out.IsTerminal()) {
    throw Error(
        "Encrypted data is not written to a terminal; name an output file or redirect the "
        "output");
  }
  PassPhraseCipher cipher(cipher_class, key_hash, PassPhrase(options, page, from_stdin).value());
  SourceStream reader(in);
  DestinationStream writer(out);
  ProgressReader progress(reader, in.Size().value_or(0),
                          to_stdout ? options.input : options.output);
  // A file is read and written on a second thread (which draws the progress bar; nothing else
  // draws meanwhile); what comes through a pipe goes out in the smaller steps of one thread.
  const auto io =
      in.Size() ? PassPhraseCipher::FileIo::kSecondThread : PassPhraseCipher::FileIo::kThisThread;
  if (options.encrypt) {
    cipher.EncryptFileStream(progress, writer, io);
  } else {
    cipher.DecryptFileStream(progress, writer, io);
  }
  out.Commit();
  progress.Finish();
  return 0;
}

}  // namespace

int RunCipher(const CipherOptions& options) {
  return options.has_text ? CipherText(options) : CipherFile(options);
}

}  // namespace varkesh::cli

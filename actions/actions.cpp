#include "actions/actions.h"

#include "actions/file_streams.h"
#include "actions/tables.h"
#include "hostlink/integer_rule.h"
#include "platform/files.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"

namespace varkesh {

namespace {

// The three numbers of the cipher actions, converted in parameter order so that the first bad
// one is the one reported. Indices outside the tables are refused before anything is opened or
// created: run on the bare base classes they would copy a file unencrypted, or report success
// with nothing done.
struct CipherChoice {
  const CipherClass& cipher;
  const HashClass& key_hash;
  bool encrypt;
};

CipherChoice ReadCipherChoice(const std::string& cipher_index,
                              const std::string& key_hash_index,
                              const std::string& direction) {
  const int32_t cipher = ToInteger(cipher_index);
  const int32_t key_hash = ToInteger(key_hash_index);
  const int32_t way = ToInteger(direction);
  return {CipherAt(cipher), HashAt(key_hash), way == 0};
}

}  // namespace

bool RunFileCipher(const std::string& source,
                   const std::string& destination,
                   const std::string& pass_phrase,
                   const std::string& cipher_index,
                   const std::string& key_hash_index,
                   const std::string& direction) {
  if (!platform::IsExistingFile(source))
    return false;
  const CipherChoice choice = ReadCipherChoice(cipher_index, key_hash_index, direction);
  using platform::Sharing;
  platform::InputFile in = platform::InputFile::Open(source, Sharing::kNothing);
  // The destination is replaced only when everything was written: a full disk or an
  // interrupted run leaves its old contents.
  platform::OutputFile out = platform::OutputFile::Create(destination, Sharing::kNothing, &in);
  PassPhraseCipher keyed(choice.cipher, choice.key_hash, pass_phrase);
  SourceStream reader(in);
  DestinationStream writer(out);
  if (choice.encrypt) {
    keyed.EncryptFileStream(reader, writer);
  } else {
    keyed.DecryptFileStream(reader, writer);
  }
  out.Commit();
  return true;
}

bool RunStringCipher(const std::string& text,
                     const std::string& variable,
                     const std::string& pass_phrase,
                     const std::string& cipher_index,
                     const std::string& key_hash_index,
                     const std::string& direction,
                     const SetVariable& set_variable) {
  const CipherChoice choice = ReadCipherChoice(cipher_index, key_hash_index, direction);
  PassPhraseCipher keyed(choice.cipher, choice.key_hash, pass_phrase);
  const std::string result = choice.encrypt ? keyed.EncryptString(text) : keyed.DecryptString(text);
  set_variable(variable, result);
  return true;
}

bool RunFileHashing(const std::string& file,
                    const std::string& variable,
                    const std::string& hash_index,
                    const SetVariable& set_variable) {
  std::string sum;
  {
    // The file is opened first: a missing file is reported before a bad index.
    platform::InputFile in = platform::InputFile::Open(file, platform::Sharing::kNothing);
    const HashClass& hash = HashingActionHash(ToInteger(hash_index));
    SourceStream reader(in);
    sum = HashSum(hash, reader);
  }
  set_variable(variable, sum);
  return true;
}

bool RunStringHashing(const std::string& text,
                      const std::string& variable,
                      const std::string& hash_index,
                      const SetVariable& set_variable) {
  set_variable(variable, HashSum(HashingActionHash(ToInteger(hash_index)), text));
  return true;
}

}  // namespace varkesh

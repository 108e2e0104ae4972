#include "actions/actions.h"

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

// An exclusively opened file as the framework's stream.
class FileStream final : public ByteReader, public ByteWriter {
 public:
  explicit FileStream(platform::ExclusiveFile& file) : file_(file) {}

  size_t Read(uint8_t* buffer, size_t count) override { return file_.Read(buffer, count); }

  void Write(const uint8_t* buffer, size_t count) override { file_.Write(buffer, count); }

 private:
  platform::ExclusiveFile& file_;
};

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
  platform::ExclusiveFile in = platform::ExclusiveFile::OpenSource(source);
  platform::ExclusiveFile out = platform::ExclusiveFile::CreateDestination(destination, in);
  PassPhraseCipher keyed(choice.cipher, choice.key_hash, pass_phrase);
  FileStream reader(in), writer(out);
  if (choice.encrypt) {
    keyed.EncryptFile(reader, writer);
  } else {
    keyed.DecryptFile(reader, writer);
  }
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
    platform::ExclusiveFile in = platform::ExclusiveFile::OpenSource(file);
    const HashClass& hash = HashingActionHash(ToInteger(hash_index));
    FileStream reader(in);
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

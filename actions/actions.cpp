#include "actions/actions.h"

#include <memory>
#include <vector>

#include "actions/integer_rule.h"
#include "crypto/detail/hex.h"
#include "crypto/registry.h"
#include "platform/files.h"

namespace varkesh {

namespace {

// Indices outside the tables are refused before anything is opened or created: run on the
// bare base classes they would copy a file unencrypted, or report success with nothing done.
const CipherClass& CipherAt(int32_t index) {
  const auto table = CipherTable();
  if (index < 0 || static_cast<size_t>(index) >= table.size()) {
    throw Error("Invalid cipher index: " + FromInteger(index));
  }
  return *table[index].cls;
}

const HashClass& KeyHashAt(int32_t index) {
  const auto table = HashTable();
  if (index < 0 || static_cast<size_t>(index) >= table.size()) {
    throw Error("Invalid key hash index: " + FromInteger(index));
  }
  return *table[index].cls;
}

const HashClass& HashingActionHashAt(int32_t index) {
  const auto table = HashingActionTable();
  if (index < 0 || static_cast<size_t>(index) >= table.size()) {
    throw Error("Invalid hash index: " + FromInteger(index));
  }
  return KeyHashAt(table[index]);
}

// The three numbers of the cipher actions, converted in parameter order so that the first bad
// one is the one reported.
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
  return {CipherAt(cipher), KeyHashAt(key_hash), way == 0};
}

// A keyed cipher that is wiped and freed however the step ends.
struct KeyedCipher {
  KeyedCipher(const CipherChoice& choice, const std::string& pass_phrase)
      : cipher(choice.cipher.create()) {
    cipher->InitFromPassPhrase(pass_phrase, choice.key_hash);
  }

  ~KeyedCipher() { cipher->Wipe(); }

  KeyedCipher(const KeyedCipher&) = delete;
  KeyedCipher& operator=(const KeyedCipher&) = delete;

  std::unique_ptr<Cipher> cipher;
};

std::string HashSum(Hash& hash) {
  std::vector<uint8_t> digest(hash.DigestBytes());
  hash.Final(digest.data());
  return detail::ToHex(digest);
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
  platform::ExclusiveFile in = platform::ExclusiveFile::OpenSource(source);
  platform::ExclusiveFile out = platform::ExclusiveFile::CreateDestination(destination, in);
  KeyedCipher keyed(choice, pass_phrase);
  if (choice.encrypt) {
    keyed.cipher->StreamEncrypt(in, out, in.Size());
  } else {
    keyed.cipher->StreamDecrypt(in, out, in.Size());
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
  KeyedCipher keyed(choice, pass_phrase);
  const std::string result =
      choice.encrypt ? keyed.cipher->EncryptText(text) : keyed.cipher->DecryptText(text);
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
    const std::unique_ptr<Hash> hash = HashingActionHashAt(ToInteger(hash_index)).create();
    hash->Init();
    hash->UpdateFromStream(in, in.Size());
    sum = HashSum(*hash);
  }
  set_variable(variable, sum);
  return true;
}

bool RunStringHashing(const std::string& text,
                      const std::string& variable,
                      const std::string& hash_index,
                      const SetVariable& set_variable) {
  const std::unique_ptr<Hash> hash = HashingActionHashAt(ToInteger(hash_index)).create();
  hash->Init();
  hash->UpdateText(text);
  set_variable(variable, HashSum(*hash));
  return true;
}

}  // namespace varkesh

// The string format with a fuzzer-chosen cipher index, key-hash index and pass phrase.
// Decrypting any text gives as many bytes as the lenient Base64 reading of it has, and
// encrypting those bytes again gives that reading back (8-bit CFB and RC4 both turn around
// exactly). Encrypting any text gives Base64 of its length that decrypts to it. Indices outside
// the tables are refused with their own message, never run.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/check.h"
#include "varkesh/base64.h"
#include "varkesh/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // One index past each table, so that the refusal is reached as well.
  const int cipher_index = input.ConsumeIntegralInRange(0, 19);
  const int key_hash_index = input.ConsumeIntegralInRange(0, 10);
  const std::string pass_phrase = input.ConsumeRandomLengthString(64);
  const std::string text = input.ConsumeRemainingBytesAsString();

  std::optional<varkesh::PassPhraseCipher> cipher;
  try {
    cipher.emplace(cipher_index, key_hash_index, pass_phrase);
  } catch (const varkesh::Error& e) {
    const std::string message = e.what();
    FUZZ_CHECK(cipher_index == 19 || key_hash_index == 10);
    FUZZ_CHECK(message ==
               (cipher_index == 19 ? "Invalid cipher index: 19" : "Invalid key hash index: 10"));
    return 0;
  }

  const std::string bytes = varkesh::DecodeBase64Text(text);
  const std::string plain = cipher->DecryptString(text);
  FUZZ_CHECK(plain.size() == bytes.size());
  FUZZ_CHECK(cipher->EncryptString(plain) == varkesh::EncodeBase64Text(bytes));

  const std::string base64 = cipher->EncryptString(text);
  FUZZ_CHECK(base64.size() == (text.size() + 2) / 3 * 4);
  FUZZ_CHECK(cipher->DecryptString(base64) == text);
  return 0;
}

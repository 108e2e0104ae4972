// The plug-in's data formats: encrypted strings, encrypted files and hash sums. This is the one
// place that builds them; the plug-in's actions, the command-line tool and the C API all come
// here, so data written by any of them reads back in all the others.
//
// Nothing in an encrypted string or file tells how it was made, and nothing checks it: the
// same pass phrase, cipher and key hash decrypt it, and any other choice gives other bytes
// without an error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "varkesh/export.h"
#include "varkesh/framework.h"

namespace varkesh {

/// The digest of a pass phrase under a key hash: the key material of every cipher keyed from
/// that pass phrase and hash. Keying many ciphers from one pass phrase hashes it once this way.
/// Wiped (0xFF) when it goes.
class VARKESH_API PassPhraseDigest {
 public:
  PassPhraseDigest(const HashClass& key_hash, std::string_view pass_phrase);
  ~PassPhraseDigest();
  PassPhraseDigest(const PassPhraseDigest&) = delete;
  PassPhraseDigest& operator=(const PassPhraseDigest&) = delete;

 private:
  friend class PassPhraseCipher;
  std::vector<uint8_t> bytes_;
  int32_t bits_;
};

/// A cipher keyed from a pass phrase the way the plug-in keys it: the key is the digest of the
/// pass phrase (all of its bytes, no terminator) under the key hash, cut to the cipher's maximum
/// key size when the digest is longer; a block cipher starts from the IV E(zero block). The key
/// is wiped when the object goes.
///
/// Every operation starts from the freshly keyed state, so one object serves many strings and
/// files. An object is used by one thread at a time.
class VARKESH_API PassPhraseCipher {
 public:
  PassPhraseCipher(const CipherClass& cipher,
                   const HashClass& key_hash,
                   std::string_view pass_phrase);
  /// By the indices of the cipher actions (cipher 0-18, key hash 0-9); others throw Error
  /// "Invalid cipher index: <n>" or "Invalid key hash index: <n>".
  PassPhraseCipher(int cipher_index, int key_hash_index, std::string_view pass_phrase);
  /// The same key as from the pass phrase and key hash that made the digest.
  PassPhraseCipher(const CipherClass& cipher, const PassPhraseDigest& digest);
  ~PassPhraseCipher();
  PassPhraseCipher(const PassPhraseCipher&) = delete;
  PassPhraseCipher& operator=(const PassPhraseCipher&) = delete;

  /// The string format: the Base64 text (standard alphabet, '=' padding, no line breaks) of as
  /// many cipher bytes as the text has; block ciphers in 8-bit CFB.
  std::string EncryptString(std::string_view plain);
  /// Reads the text with the plug-in's lenient Base64 decoder, which never fails.
  std::string DecryptString(std::string_view base64);

  /// The file format: as many bytes out as in, no header; block ciphers in CBC with the last
  /// partial block XORed with the encryption of the chaining value; RC4 restarting its indices
  /// every 8192 bytes. Reads `in` to its end and returns the number of bytes transformed.
  uint64_t EncryptFileStream(ByteReader& in, ByteWriter& out);
  uint64_t DecryptFileStream(ByteReader& in, ByteWriter& out);

  /// Where the file operations read and write.
  enum class FileIo {
    /// On the calling thread, between the cipher's steps.
    kThisThread,
    /// On a second thread while the calling one encrypts or decrypts: the next buffer is read and
    /// the last one written meanwhile. `in` and `out` are then called from that thread, one call
    /// at a time, and what they throw reaches the caller. The buffers are larger (1 MiB), so
    /// output starts later: meant for files rather than pipes. Pays on large files with more than
    /// one core; an input that fits in one buffer is done on the calling thread alone.
    kSecondThread,
  };
  uint64_t EncryptFileStream(ByteReader& in, ByteWriter& out, FileIo io);
  uint64_t DecryptFileStream(ByteReader& in, ByteWriter& out, FileIo io);

  Cipher& cipher() { return *cipher_; }

 private:
  uint64_t TransformFile(bool encrypt, ByteReader& in, ByteWriter& out, FileIo io);
  void TransformBuffer(bool encrypt, uint8_t* bytes, size_t size);

  std::unique_ptr<Cipher> cipher_;
};

/// The hash-sum text: two uppercase hexadecimal digits per digest byte, no separators.
VARKESH_API std::string HashSum(const HashClass& hash, std::string_view bytes);
/// The same for everything `in` delivers up to its end.
VARKESH_API std::string HashSum(const HashClass& hash, ByteReader& in);

}  // namespace varkesh

// The framework's base classes: errors, the byte-stream interfaces, Hash, Cipher and BlockCipher,
// and the class descriptors through which a hash or cipher class is passed around as a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "varkesh/export.h"

namespace varkesh {

// ---------------------------------------------------------------------------------------------
// Errors

/// The framework's errors: a message text and nothing else. File errors of the readers and
/// writers and unknown names are Error itself.
class VARKESH_API Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// "Hash not initialized": data fed to a hash before Init.
class VARKESH_API HashError : public Error {
 public:
  using Error::Error;
};

/// Key set-up failures and data given to a wiped stream cipher.
class VARKESH_API CipherError : public Error {
 public:
  using Error::Error;
};

/// Data, Reset, LoadIV or ReadChain on a wiped block cipher.
class VARKESH_API BlockCipherError : public CipherError {
 public:
  using CipherError::CipherError;
};

inline constexpr std::string_view kHashNotInitialized = "Hash not initialized";
inline constexpr std::string_view kCipherNotInitialized = "Cipher not initialized";
inline constexpr std::string_view kInvalidKeySize = "Invalid key size";
inline constexpr std::string_view kDigestAllocationFailed =
    "Unable to allocate sufficient memory for hash digest";

// ---------------------------------------------------------------------------------------------
// Byte streams. Read returns how many bytes it delivered (0 at the end); Write takes them all
// or throws.

class VARKESH_API ByteReader {
 public:
  virtual ~ByteReader() = default;
  virtual size_t Read(uint8_t* buffer, size_t count) = 0;
};

class VARKESH_API ByteWriter {
 public:
  virtual ~ByteWriter() = default;
  virtual void Write(const uint8_t* buffer, size_t count) = 0;
};

/// Streams process data in chunks of this size; the file format depends on it (see Cipher).
inline constexpr size_t kStreamChunk = 8192;

// ---------------------------------------------------------------------------------------------
// Class descriptors: what a class answers without an instance, and a factory.

class Hash;
class Cipher;

/// A hash class as a value: its identity and a factory (HashClassOf<T>() for a class T).
struct HashClass {
  int32_t id;
  std::string_view algorithm;
  int32_t hash_size;  ///< bits
  bool (*known_answer_test)();
  std::unique_ptr<Hash> (*create)();
};

/// A cipher class as a value: its identity and a factory (CipherClassOf<T>()).
struct CipherClass {
  int32_t id;
  std::string_view algorithm;
  int32_t max_key_size;  ///< bits
  int32_t block_size;    ///< bits; -1 for a stream cipher or the bare base classes
  bool (*known_answer_test)();
  std::unique_ptr<Cipher> (*create)();
};

template <class T>
const HashClass& HashClassOf() {
  static const HashClass kClass{T::ClassId(), T::ClassAlgorithm(), T::ClassHashSize(),
                                &T::KnownAnswerTest,
                                []() -> std::unique_ptr<Hash> { return std::make_unique<T>(); }};
  return kClass;
}

template <class T>
const CipherClass& CipherClassOf() {
  static const CipherClass kClass{
      T::ClassId(),         T::ClassAlgorithm(),
      T::ClassMaxKeySize(), T::ClassBlockSize(),
      &T::KnownAnswerTest,  []() -> std::unique_ptr<Cipher> { return std::make_unique<T>(); }};
  return kClass;
}

// ---------------------------------------------------------------------------------------------
// Hash

/// Life cycle: idle after construction, Final and Wipe; running from Init. The bare base class
/// accepts every call and does nothing, not even the checks; concrete hashes do the real work.
class VARKESH_API Hash {
 public:
  Hash() = default;
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  virtual ~Hash() = default;

  static constexpr int32_t ClassId() { return -1; }

  static constexpr std::string_view ClassAlgorithm() { return {}; }

  static constexpr int32_t ClassHashSize() { return -1; }

  static bool KnownAnswerTest() { return false; }

  /// The object's class; Id, Algorithm and HashSize read it.
  virtual const HashClass& Class() const;

  int32_t Id() const { return Class().id; }

  std::string_view Algorithm() const { return Class().algorithm; }

  int32_t HashSize() const { return Class().hash_size; }

  size_t DigestBytes() const;

  bool Initialized() const { return initialized_; }

  /// Starts a new digest (discarding any running one).
  virtual void Init() {}

  /// Writes HashSize / 8 bytes, then wipes.
  virtual void Final(uint8_t* /*digest*/) {}

  /// Clears the state; the hash refuses data until the next Init.
  virtual void Wipe() {}

  /// Feeds bytes; HashError while not initialized.
  virtual void Update(const uint8_t* /*data*/, size_t /*size*/) {}

  void Update(std::string_view bytes) {
    Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  /// Feeds the next `size` bytes of the stream in 8192-byte reads. The number of reads depends
  /// on the size alone; a short read feeds only what it delivered. A read of 0 bytes (the end
  /// of the stream) is the last one.
  void UpdateFromStream(ByteReader& stream, uint64_t size);

  /// Feeds everything up to the end of the stream, however long it is.
  void UpdateFromStream(ByteReader& stream) { UpdateFromStream(stream, UINT64_MAX); }

  void UpdateText(std::string_view text) { Update(text); }

 protected:
  bool initialized_ = false;
};

// ---------------------------------------------------------------------------------------------
// Cipher

/// Life cycle: wiped after construction, Wipe and any failed key set-up; keyed from a successful
/// Init or InitFromPassPhrase. The bare base class checks the key size and otherwise does nothing.
class VARKESH_API Cipher {
 public:
  Cipher() = default;
  Cipher(const Cipher&) = delete;
  Cipher& operator=(const Cipher&) = delete;
  virtual ~Cipher() = default;

  static constexpr int32_t ClassId() { return -1; }

  static constexpr std::string_view ClassAlgorithm() { return {}; }

  static constexpr int32_t ClassMaxKeySize() { return -1; }

  static constexpr int32_t ClassBlockSize() { return -1; }

  static bool KnownAnswerTest() { return false; }

  virtual const CipherClass& Class() const;

  int32_t Id() const { return Class().id; }

  std::string_view Algorithm() const { return Class().algorithm; }

  int32_t MaxKeySize() const { return Class().max_key_size; }

  bool Initialized() const { return initialized_; }

  /// Keys the cipher with the first key_bits / 8 bytes of `key`. The size must be a non-zero
  /// multiple of 4 (and at least one whole byte) and at most MaxKeySize, else CipherError
  /// "Invalid key size" and the cipher stays wiped. `iv` is one block or null (derive it).
  virtual void Init(const uint8_t* key, uint32_t key_bits, const uint8_t* iv = nullptr);

  /// Keys the cipher with the digest of the pass phrase under `hash`, cut to MaxKeySize. Any
  /// failure becomes CipherError "Unable to allocate sufficient memory for hash digest".
  void InitFromPassPhrase(std::string_view pass_phrase, const HashClass& hash);

  /// The second half of InitFromPassPhrase: keys the cipher from a pass phrase's digest of
  /// `digest_bits` bits, cut to MaxKeySize, with the same error. Keying many ciphers from one
  /// pass phrase hashes it once this way.
  void InitFromDigest(const uint8_t* digest, int32_t digest_bits);

  /// Wipes key material and chaining state (0xFF); data is refused until the next key set-up.
  virtual void Wipe() { initialized_ = false; }

  /// Returns the chaining state to where the key set-up left it (block ciphers: chain := IV).
  virtual void Reset() {}

  /// size bytes from in to out (in == out allowed); output length equals input length.
  virtual void Encrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void Decrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  /// The string format: Base64 of as many cipher bytes as the text has. Both continue from the
  /// current chaining state.
  virtual std::string EncryptText(std::string_view plain);
  virtual std::string DecryptText(std::string_view base64);

  /// `size` bytes in 8192-byte chunks, each read, transformed in place and written; a short read
  /// ends its chunk early (a partial block for a block cipher), and a read of 0 bytes (the end
  /// of the stream) is the last one, so UINT64_MAX reads to the end. Returns how many bytes the
  /// reads delivered. PassPhraseCipher (formats.h) writes the file format from any stream.
  uint64_t StreamEncrypt(ByteReader& in, ByteWriter& out, uint64_t size);
  uint64_t StreamDecrypt(ByteReader& in, ByteWriter& out, uint64_t size);

 protected:
  bool initialized_ = false;

 private:
  template <bool kEncrypt>
  uint64_t Stream(ByteReader& in, ByteWriter& out, uint64_t size);
};

// ---------------------------------------------------------------------------------------------
// BlockCipher: the chaining modes on top of one-block transforms. BlockCipher64 and
// BlockCipher128 (block_ciphers.h) hold the IV and chaining vector and implement the modes.

/// The mode Encrypt and Decrypt use; stored as one byte, CBC by default.
enum ChainingMode : uint8_t { cmCBC = 0, cmCFB8bit = 1, cmCFBblock = 2, cmOFB = 3, cmCTR = 4 };

class VARKESH_API BlockCipher : public Cipher {
 public:
  ChainingMode CipherMode() const { return cipher_mode_; }

  void SetCipherMode(ChainingMode mode) { cipher_mode_ = mode; }

  int32_t BlockSize() const { return Class().block_size; }

  /// One block, in place allowed. Refuse with "Cipher not initialized" while wiped.
  void EncryptBlock(const uint8_t* in, uint8_t* out);
  void DecryptBlock(const uint8_t* in, uint8_t* out);

  /// Sets the IV (one block) and resets the chain to it.
  virtual void LoadIV(const uint8_t* /*iv*/) {}

  /// Copies the current chaining vector (not the IV) into one block.
  virtual void ReadChain(uint8_t* /*chain*/) {}

  void Encrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void Decrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  /// Strings always use 8-bit CFB, whatever CipherMode holds.
  std::string EncryptText(std::string_view plain) override;
  std::string DecryptText(std::string_view base64) override;

  virtual void CbcEncrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void CbcDecrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void Cfb8Encrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void Cfb8Decrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void CfbBlockEncrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void CfbBlockDecrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void OfbEncrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void OfbDecrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void CtrEncrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

  virtual void CtrDecrypt(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*size*/) {}

 protected:
  /// The cipher's key schedule; called by Init after the size check, with the cipher already
  /// marked initialized so that it may encrypt blocks.
  virtual void ExpandKey(const uint8_t* /*key*/, uint32_t /*key_bits*/) {}

  /// `blocks` whole blocks from in to out, without the initialized check (the callers make it).
  /// in and out are either the same memory or do not overlap. One virtual call covers a run of
  /// blocks, so the modes pay no virtual call per byte.
  virtual void EncryptBlocks(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*blocks*/) const {}

  virtual void DecryptBlocks(const uint8_t* /*in*/, uint8_t* /*out*/, size_t /*blocks*/) const {}

  void CheckInitialized() const;

 private:
  ChainingMode cipher_mode_ = cmCBC;
};

}  // namespace varkesh

#include "varkesh/formats.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "crypto/detail/bytes.h"
#include "varkesh/algorithms.h"
#include "varkesh/hex.h"

namespace varkesh {

namespace {

// Files move through a buffer of several 8192-byte chunks. The format is defined chunk by
// chunk (RC4 restarts its indices at each one), so every chunk but the last must be full: reads
// are repeated until the buffer is full or the input ends.
constexpr size_t kFileBuffer = 8 * kStreamChunk;

// A heap buffer for plaintext, filled from a reader and wiped on every way out as far as it was
// ever filled: a small file costs neither zeroing nor wiping the whole buffer.
class WipedBuffer {
 public:
  explicit WipedBuffer(size_t size)
      : bytes_(std::make_unique_for_overwrite<uint8_t[]>(size)), size_(size) {}

  ~WipedBuffer() { detail::SecureWipe(bytes_.get(), filled_); }

  WipedBuffer(const WipedBuffer&) = delete;
  WipedBuffer& operator=(const WipedBuffer&) = delete;

  // Reads until the buffer is full or the input ends (a read of 0 bytes); returns the count.
  size_t Fill(ByteReader& in) {
    size_t got = 0;
    while (got < size_) {
      const size_t n = in.Read(bytes_.get() + got, size_ - got);
      if (n == 0)
        break;
      got += n;
      filled_ = std::max(filled_, got);
    }
    return got;
  }

  uint8_t* data() { return bytes_.get(); }

  size_t size() const { return size_; }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  size_t size_;
  size_t filled_ = 0;
};

}  // namespace

PassPhraseDigest::PassPhraseDigest(const HashClass& key_hash, std::string_view pass_phrase)
    : bytes_(static_cast<size_t>(key_hash.hash_size) / 8), bits_(key_hash.hash_size) {
  const std::unique_ptr<Hash> hasher = key_hash.create();
  hasher->Init();
  hasher->UpdateText(pass_phrase);
  hasher->Final(bytes_.data());
}

PassPhraseDigest::~PassPhraseDigest() { detail::SecureWipe(bytes_.data(), bytes_.size(), 0xFF); }

PassPhraseCipher::PassPhraseCipher(const CipherClass& cipher, const PassPhraseDigest& digest)
    : cipher_(cipher.create()) {
  cipher_->InitFromDigest(digest.bytes_.data(), digest.bits_);
}

PassPhraseCipher::PassPhraseCipher(const CipherClass& cipher,
                                   const HashClass& key_hash,
                                   std::string_view pass_phrase)
    : cipher_(cipher.create()) {
  cipher_->InitFromPassPhrase(pass_phrase, key_hash);
}

PassPhraseCipher::PassPhraseCipher(int cipher_index,
                                   int key_hash_index,
                                   std::string_view pass_phrase)
    : PassPhraseCipher(CipherAt(cipher_index), HashAt(key_hash_index), pass_phrase) {}

PassPhraseCipher::~PassPhraseCipher() { cipher_->Wipe(); }

std::string PassPhraseCipher::EncryptString(std::string_view plain) {
  cipher_->Reset();
  return cipher_->EncryptText(plain);
}

std::string PassPhraseCipher::DecryptString(std::string_view base64) {
  cipher_->Reset();
  return cipher_->DecryptText(base64);
}

uint64_t PassPhraseCipher::EncryptFileStream(ByteReader& in, ByteWriter& out) {
  return TransformFile(true, in, out);
}

uint64_t PassPhraseCipher::DecryptFileStream(ByteReader& in, ByteWriter& out) {
  return TransformFile(false, in, out);
}

uint64_t PassPhraseCipher::TransformFile(bool encrypt, ByteReader& in, ByteWriter& out) {
  cipher_->Reset();
  WipedBuffer buffer(kFileBuffer);
  uint64_t total = 0;
  for (;;) {
    const size_t got = buffer.Fill(in);
    // One call per 8192-byte chunk, as the plug-in makes them: block ciphers would not mind
    // longer calls, RC4 does.
    for (size_t at = 0; at < got; at += kStreamChunk) {
      uint8_t* chunk = buffer.data() + at;
      const size_t n = std::min(kStreamChunk, got - at);
      if (encrypt) {
        cipher_->Encrypt(chunk, chunk, n);
      } else {
        cipher_->Decrypt(chunk, chunk, n);
      }
    }
    if (got != 0)
      out.Write(buffer.data(), got);
    total += got;
    if (got < buffer.size())
      return total;
  }
}

namespace {

std::string FinalHex(Hash& hash) {
  std::vector<uint8_t> digest(hash.DigestBytes());
  hash.Final(digest.data());
  return ToHex(digest);
}

}  // namespace

std::string HashSum(const HashClass& hash, std::string_view bytes) {
  const std::unique_ptr<Hash> hasher = hash.create();
  hasher->Init();
  hasher->UpdateText(bytes);
  return FinalHex(*hasher);
}

std::string HashSum(const HashClass& hash, ByteReader& in) {
  const std::unique_ptr<Hash> hasher = hash.create();
  hasher->Init();
  // The digest does not depend on how the bytes are cut: a small file goes through one chunk on
  // the stack, a large one continues in large reads into a heap buffer. Both are wiped as far
  // as they were filled, up to the end of the stream (a read of 0 bytes).
  std::array<uint8_t, kStreamChunk> chunk;
  size_t got = 0, filled = 0;
  while ((got = in.Read(chunk.data(), chunk.size())) != 0) {
    hasher->Update(chunk.data(), got);
    filled = std::max(filled, got);
    if (got == chunk.size())
      break;
  }
  detail::SecureWipe(chunk.data(), filled);
  if (got != 0) {
    WipedBuffer buffer(kFileBuffer);
    while ((got = buffer.Fill(in)) != 0) hasher->Update(buffer.data(), got);
  }
  return FinalHex(*hasher);
}

}  // namespace varkesh

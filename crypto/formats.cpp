#include "varkesh/formats.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
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
// With reads and writes on a second thread, larger buffers keep the two threads' hand-overs rare.
constexpr size_t kOverlapBuffer = 128 * kStreamChunk;

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

// The worker thread of FileIo::kSecondThread: runs one job at a time, handed over by Start;
// Wait returns the job's result or throws what it threw.
class IoWorker {
 public:
  IoWorker() : thread_([this] { Serve(); }) {}

  ~IoWorker() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  IoWorker(const IoWorker&) = delete;
  IoWorker& operator=(const IoWorker&) = delete;

  void Start(std::function<size_t()> job) {
    {
      const std::lock_guard lock(mutex_);
      job_ = std::move(job);
      done_ = false;
    }
    changed_.notify_all();
  }

  size_t Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
    if (error_)
      std::rethrow_exception(std::exchange(error_, nullptr));
    return result_;
  }

 private:
  void Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || job_; });
      if (!job_)
        return;
      const std::function<size_t()> job = std::exchange(job_, nullptr);
      lock.unlock();
      size_t result = 0;
      std::exception_ptr error;
      try {
        result = job();
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      result_ = result;
      error_ = error;
      done_ = true;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<size_t()> job_;
  size_t result_ = 0;
  std::exception_ptr error_;
  bool done_ = true;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
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
  return TransformFile(true, in, out, FileIo::kThisThread);
}

uint64_t PassPhraseCipher::DecryptFileStream(ByteReader& in, ByteWriter& out) {
  return TransformFile(false, in, out, FileIo::kThisThread);
}

uint64_t PassPhraseCipher::EncryptFileStream(ByteReader& in, ByteWriter& out, FileIo io) {
  return TransformFile(true, in, out, io);
}

uint64_t PassPhraseCipher::DecryptFileStream(ByteReader& in, ByteWriter& out, FileIo io) {
  return TransformFile(false, in, out, io);
}

void PassPhraseCipher::TransformBuffer(bool encrypt, uint8_t* bytes, size_t size) {
  // One call per 8192-byte chunk, as the plug-in makes them: block ciphers would not mind
  // longer calls, RC4 does.
  for (size_t at = 0; at < size; at += kStreamChunk) {
    uint8_t* chunk = bytes + at;
    const size_t n = std::min(kStreamChunk, size - at);
    if (encrypt) {
      cipher_->Encrypt(chunk, chunk, n);
    } else {
      cipher_->Decrypt(chunk, chunk, n);
    }
  }
}

uint64_t PassPhraseCipher::TransformFile(bool encrypt, ByteReader& in, ByteWriter& out, FileIo io) {
  cipher_->Reset();
  const size_t size = io == FileIo::kSecondThread ? kOverlapBuffer : kFileBuffer;
  WipedBuffer first(size);
  size_t got = first.Fill(in);
  uint64_t total = got;
  if (io == FileIo::kThisThread || got < size) {
    for (;;) {
      TransformBuffer(encrypt, first.data(), got);
      if (got != 0)
        out.Write(first.data(), got);
      if (got < size)
        return total;
      got = first.Fill(in);
      total += got;
    }
  }

  // Two buffers change roles at every step: while this thread transforms one, the worker
  // writes what the other held and fills it with the next input. Writes keep their order, and
  // every buffer but the last is full, as above.
  WipedBuffer second(size);
  WipedBuffer* current = &first;
  WipedBuffer* other = &second;
  IoWorker worker;  // after the buffers: it is gone before they are
  size_t to_write = 0;
  for (;;) {
    const bool more = got == size;
    worker.Start([&in, &out, other, more, to_write] {
      if (to_write != 0)
        out.Write(other->data(), to_write);
      return more ? other->Fill(in) : 0;
    });
    TransformBuffer(encrypt, current->data(), got);
    const size_t next = worker.Wait();
    if (!more) {
      if (got != 0)
        out.Write(current->data(), got);
      return total;
    }
    to_write = got;
    std::swap(current, other);
    got = next;
    total += got;
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

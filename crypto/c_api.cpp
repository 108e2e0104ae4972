// The C functions of varkesh/varkesh.h over the formats unit. Every entry point catches what
// the C++ side throws and turns it into a status and a per-thread message.
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

#include "crypto/detail/bytes.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"
#include "varkesh/io.h"
#include "varkesh/varkesh.h"
#include "varkesh/version.h"

namespace varkesh {
namespace {

thread_local std::string last_error;

// An error that already knows its status.
class StatusError : public Error {
 public:
  StatusError(varkesh_status status, const std::string& message)
      : Error(message), status_(status) {}

  varkesh_status status() const { return status_; }

 private:
  varkesh_status status_;
};

template <class Body>
varkesh_status Guarded(Body&& body) noexcept {
  try {
    last_error.clear();
    body();
    return VARKESH_OK;
  } catch (const StatusError& e) {
    last_error = e.what();
    return e.status();
  } catch (const std::bad_alloc&) {
    last_error = "Out of memory";
    return VARKESH_ERROR_MEMORY;
  } catch (const std::exception& e) {
    // The framework's own refusals; file errors are turned into StatusError where they arise.
    try {
      last_error = e.what();
    } catch (...) {
    }
    return VARKESH_ERROR_CRYPTO;
  } catch (...) {
    last_error = "Unknown error";
    return VARKESH_ERROR_CRYPTO;
  }
}

void Require(bool ok, const char* what) {
  if (!ok)
    throw StatusError(VARKESH_ERROR_ARGUMENT, what);
}

std::string_view View(const void* data, size_t size, const char* name) {
  Require(data != nullptr || size == 0, name);
  return size == 0 ? std::string_view() : std::string_view(static_cast<const char*>(data), size);
}

const CipherEntry& CipherEntryAt(int index) {
  Require(index >= 0 && static_cast<size_t>(index) < CipherTable().size(),
          ("Invalid cipher index: " + std::to_string(index)).c_str());
  return CipherTable()[static_cast<size_t>(index)];
}

const HashEntry& HashEntryAt(int index) {
  Require(index >= 0 && static_cast<size_t>(index) < HashTable().size(),
          ("Invalid key hash index: " + std::to_string(index)).c_str());
  return HashTable()[static_cast<size_t>(index)];
}

PassPhraseCipher Keyed(int cipher, int key_hash, const void* phrase, size_t phrase_size) {
  const CipherEntry& c = CipherEntryAt(cipher);
  const HashEntry& h = HashEntryAt(key_hash);
  return PassPhraseCipher(*c.cls, *h.cls, View(phrase, phrase_size, "pass phrase is null"));
}

// Checks that the caller's buffer holds `need` bytes; tells the size needed when not.
void CheckRoom(size_t need, const void* buffer, size_t* size) {
  Require(size != nullptr, "size is null");
  if (buffer == nullptr || *size < need) {
    *size = need;
    throw StatusError(VARKESH_ERROR_BUFFER, "The output needs " + std::to_string(need) + " bytes");
  }
}

// Copies `out` (and a terminating zero when `terminate`) into the caller's buffer.
void Deliver(std::string_view out, bool terminate, void* buffer, size_t* size) {
  CheckRoom(out.size() + (terminate ? 1 : 0), buffer, size);
  std::memcpy(buffer, out.data(), out.size());
  if (terminate)
    static_cast<char*>(buffer)[out.size()] = '\0';
  *size = out.size();
}

// Runs a file operation, reporting the files' errors as VARKESH_ERROR_FILE.
template <class Body>
void WithFiles(Body&& body) {
  try {
    body();
  } catch (const StatusError&) {
    throw;
  } catch (const Error& e) {
    const std::string_view message = e.what();
    if (message.starts_with("Cannot "))
      throw StatusError(VARKESH_ERROR_FILE, e.what());
    throw;
  }
}

varkesh_status TransformFile(bool encrypt,
                             int cipher,
                             int key_hash,
                             const void* phrase,
                             size_t phrase_size,
                             const char* source,
                             const char* destination) {
  return Guarded([&] {
    Require(source != nullptr && destination != nullptr, "file name is null");
    PassPhraseCipher keyed = Keyed(cipher, key_hash, phrase, phrase_size);
    // Creating the destination empties it: were it the source, the data would be lost.
    std::error_code ec;
    Require(!std::filesystem::equivalent(source, destination, ec),
            "The source and the destination are the same file");
    WithFiles([&] {
      FileReader in(source);
      FileWriter out(destination);
      // A regular file is read and written on a second thread; a pipe goes in smaller steps.
      const auto io = in.Size() ? PassPhraseCipher::FileIo::kSecondThread
                                : PassPhraseCipher::FileIo::kThisThread;
      if (encrypt) {
        keyed.EncryptFileStream(in, out, io);
      } else {
        keyed.DecryptFileStream(in, out, io);
      }
      out.Close();
    });
  });
}

}  // namespace
}  // namespace varkesh

using namespace varkesh;

extern "C" {

const char* varkesh_version(void) { return Version(); }

const char* varkesh_last_error(void) { return last_error.c_str(); }

int varkesh_cipher_count(void) { return static_cast<int>(CipherTable().size()); }

int varkesh_hash_count(void) { return static_cast<int>(HashTable().size()); }

// The class names are string literals, so their views end at a terminating zero.
const char* varkesh_cipher_name(int index) {
  return index >= 0 && index < varkesh_cipher_count()
             ? CipherTable()[static_cast<size_t>(index)].class_name.data()
             : nullptr;
}

const char* varkesh_hash_name(int index) {
  return index >= 0 && index < varkesh_hash_count()
             ? HashTable()[static_cast<size_t>(index)].class_name.data()
             : nullptr;
}

int varkesh_cipher_max_key_bits(int index) {
  return index >= 0 && index < varkesh_cipher_count()
             ? CipherTable()[static_cast<size_t>(index)].cls->max_key_size
             : -1;
}

int varkesh_cipher_block_bits(int index) {
  if (index < 0 || index >= varkesh_cipher_count())
    return -1;
  const int bits = CipherTable()[static_cast<size_t>(index)].cls->block_size;
  return bits > 0 ? bits : 0;
}

int varkesh_hash_bits(int index) {
  return index >= 0 && index < varkesh_hash_count()
             ? HashTable()[static_cast<size_t>(index)].cls->hash_size
             : -1;
}

int varkesh_cipher_index(const char* name) {
  int index = -1;
  Guarded([&] {
    Require(name != nullptr, "name is null");
    const CipherEntry* entry = FindCipher(name);
    Require(entry != nullptr, ("Unknown cipher: " + std::string(name)).c_str());
    index = entry->index;
  });
  return index;
}

int varkesh_hash_index(const char* name) {
  int index = -1;
  Guarded([&] {
    Require(name != nullptr, "name is null");
    const HashEntry* entry = FindHash(name);
    Require(entry != nullptr, ("Unknown hash: " + std::string(name)).c_str());
    index = entry->index;
  });
  return index;
}

varkesh_status varkesh_encrypt_string(int cipher,
                                      int key_hash,
                                      const void* pass_phrase,
                                      size_t pass_phrase_size,
                                      const void* plain,
                                      size_t plain_size,
                                      char* base64,
                                      size_t* base64_size) {
  return Guarded([&] {
    const std::string_view text = View(plain, plain_size, "input is null");
    CheckRoom(4 * ((plain_size + 2) / 3) + 1, base64, base64_size);  // known before any work
    PassPhraseCipher keyed = Keyed(cipher, key_hash, pass_phrase, pass_phrase_size);
    Deliver(keyed.EncryptString(text), true, base64, base64_size);
  });
}

varkesh_status varkesh_decrypt_string(int cipher,
                                      int key_hash,
                                      const void* pass_phrase,
                                      size_t pass_phrase_size,
                                      const char* base64,
                                      size_t base64_size,
                                      void* plain,
                                      size_t* plain_size) {
  return Guarded([&] {
    const std::string_view text = View(base64, base64_size, "input is null");
    PassPhraseCipher keyed = Keyed(cipher, key_hash, pass_phrase, pass_phrase_size);
    std::string out = keyed.DecryptString(text);
    try {
      Deliver(out, false, plain, plain_size);
    } catch (...) {
      detail::SecureWipe(out.data(), out.size());
      throw;
    }
    detail::SecureWipe(out.data(), out.size());
  });
}

varkesh_status varkesh_encrypt_file(int cipher,
                                    int key_hash,
                                    const void* pass_phrase,
                                    size_t pass_phrase_size,
                                    const char* source,
                                    const char* destination) {
  return TransformFile(true, cipher, key_hash, pass_phrase, pass_phrase_size, source, destination);
}

varkesh_status varkesh_decrypt_file(int cipher,
                                    int key_hash,
                                    const void* pass_phrase,
                                    size_t pass_phrase_size,
                                    const char* source,
                                    const char* destination) {
  return TransformFile(false, cipher, key_hash, pass_phrase, pass_phrase_size, source, destination);
}

varkesh_status varkesh_hash(
    int hash, const void* data, size_t data_size, char* hex, size_t* hex_size) {
  return Guarded([&] {
    const HashEntry& entry = HashEntryAt(hash);
    Deliver(HashSum(*entry.cls, View(data, data_size, "input is null")), true, hex, hex_size);
  });
}

varkesh_status varkesh_hash_file(int hash, const char* path, char* hex, size_t* hex_size) {
  return Guarded([&] {
    const HashEntry& entry = HashEntryAt(hash);
    Require(path != nullptr, "file name is null");
    std::string sum;
    WithFiles([&] {
      FileReader in(path);
      sum = HashSum(*entry.cls, in);
    });
    Deliver(sum, true, hex, hex_size);
  });
}

}  // extern "C"

// The C entry points with fuzzer-chosen indices (one step outside each table too), pass
// phrases, data, names and output buffers (exactly the size needed, one byte short, empty or
// missing). A call either succeeds and writes only inside the caller's buffer, or fails with
// its status, a message, and the buffer untouched; a buffer that is too small is told the size
// it needs. What succeeds agrees with the C++ side and turns around.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "varkesh/algorithms.h"
#include "varkesh/base64.h"
#include "varkesh/formats.h"
#include "varkesh/varkesh.h"

namespace {

constexpr uint8_t kUntouched = 0xA5;

enum class Room { kExact, kShort, kEmpty, kMissing };

// A caller's output buffer on the heap, exactly as large as the caller says, so that the
// sanitizer sees any write past it.
class Output {
 public:
  Output(Room room, size_t need)
      : room_(room),
        capacity_(room == Room::kExact               ? need
                  : room == Room::kShort && need > 0 ? need - 1
                                                     : 0),
        bytes_(new uint8_t[capacity_]),
        size_(capacity_) {
    std::fill_n(bytes_.get(), capacity_, kUntouched);
  }

  char* data() { return room_ == Room::kMissing ? nullptr : reinterpret_cast<char*>(bytes_.get()); }

  size_t* size() { return &size_; }

  size_t reported() const { return size_; }

  bool fits() const { return room_ == Room::kExact; }

  std::string text() const { return {reinterpret_cast<const char*>(bytes_.get()), size_}; }

  bool untouched() const {
    return std::all_of(bytes_.get(), bytes_.get() + capacity_,
                       [](uint8_t b) { return b == kUntouched; });
  }

  // A call that succeeded wrote `size_` bytes and, where asked, a zero after them.
  bool terminated() const { return size_ < capacity_ && bytes_[size_] == 0; }

 private:
  Room room_;
  size_t capacity_;
  std::unique_ptr<uint8_t[]> bytes_;  // never null, even for no bytes
  size_t size_;
};

bool Failed(varkesh_status status, varkesh_status expected) {
  return status == expected && std::strlen(varkesh_last_error()) > 0;
}

bool Succeeded(varkesh_status status) {
  return status == VARKESH_OK && varkesh_last_error()[0] == '\0';
}

// A name finds nothing, with a message, or an index in the list whose own name finds it again.
void CheckLookup(int (*index_of)(const char*),
                 const char* (*name_at)(int),
                 int count,
                 const std::string& name) {
  const int index = index_of(name.c_str());
  if (index < 0) {
    FUZZ_CHECK(index == -1 && std::strlen(varkesh_last_error()) > 0);
  } else {
    FUZZ_CHECK(index < count && varkesh_last_error()[0] == '\0');
    FUZZ_CHECK(index_of(name_at(index)) == index);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int operation = input.ConsumeIntegralInRange(0, 3);
  const int cipher = input.ConsumeIntegralInRange(-1, varkesh_cipher_count());
  const int key_hash = input.ConsumeIntegralInRange(-1, varkesh_hash_count());
  const Room room = static_cast<Room>(input.ConsumeIntegralInRange(0, 3));
  const std::string pass_phrase = input.ConsumeRandomLengthString(64);
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const bool indices_valid = cipher >= 0 && cipher < varkesh_cipher_count() && key_hash >= 0 &&
                             key_hash < varkesh_hash_count();
  // Empty input and pass phrase come as null pointers, which a zero size allows.
  const char* phrase = pass_phrase.empty() ? nullptr : pass_phrase.data();
  const char* in = bytes.empty() ? nullptr : bytes.data();

  switch (operation) {
    case 0: {  // encryption, then decryption of what it gave
      Output base64(room, 4 * ((bytes.size() + 2) / 3) + 1);
      const varkesh_status status =
          varkesh_encrypt_string(cipher, key_hash, phrase, pass_phrase.size(), in, bytes.size(),
                                 base64.data(), base64.size());
      if (!base64.fits()) {
        // The room is checked before the indices: the size needed does not depend on them.
        FUZZ_CHECK(Failed(status, VARKESH_ERROR_BUFFER) && base64.untouched());
        FUZZ_CHECK(base64.reported() == 4 * ((bytes.size() + 2) / 3) + 1);
        return 0;
      }
      if (!indices_valid) {
        FUZZ_CHECK(Failed(status, VARKESH_ERROR_ARGUMENT) && base64.untouched());
        return 0;
      }
      FUZZ_CHECK(Succeeded(status) && base64.terminated());
      FUZZ_CHECK(base64.reported() == 4 * ((bytes.size() + 2) / 3));
      std::vector<char> plain(bytes.size() + 1);
      size_t plain_size = plain.size();
      FUZZ_CHECK(Succeeded(varkesh_decrypt_string(cipher, key_hash, phrase, pass_phrase.size(),
                                                  base64.data(), base64.reported(), plain.data(),
                                                  &plain_size)));
      FUZZ_CHECK(std::string(plain.data(), plain_size) == bytes);
      return 0;
    }
    case 1: {  // decryption of any text, then encryption of what it gave
      const std::string decoded = varkesh::DecodeBase64Text(bytes);
      Output plain(room, decoded.size());
      const varkesh_status status =
          varkesh_decrypt_string(cipher, key_hash, phrase, pass_phrase.size(), in, bytes.size(),
                                 plain.data(), plain.size());
      if (!indices_valid) {
        FUZZ_CHECK(Failed(status, VARKESH_ERROR_ARGUMENT) && plain.untouched());
        return 0;
      }
      // A missing buffer is refused even where nothing would be written into it.
      if (!plain.fits() && (room == Room::kMissing || !decoded.empty())) {
        FUZZ_CHECK(Failed(status, VARKESH_ERROR_BUFFER) && plain.untouched());
        FUZZ_CHECK(plain.reported() == decoded.size());
        return 0;
      }
      FUZZ_CHECK(Succeeded(status) && plain.reported() == decoded.size());
      FUZZ_CHECK(plain.reported() <= bytes.size());
      std::vector<char> again(4 * ((decoded.size() + 2) / 3) + 1);
      size_t again_size = again.size();
      FUZZ_CHECK(Succeeded(varkesh_encrypt_string(cipher, key_hash, phrase, pass_phrase.size(),
                                                  plain.data(), plain.reported(), again.data(),
                                                  &again_size)));
      FUZZ_CHECK(std::string(again.data(), again_size) == varkesh::EncodeBase64Text(decoded));
      return 0;
    }
    case 2: {  // hash sums
      const bool valid = key_hash >= 0 && key_hash < varkesh_hash_count();
      const size_t digits = valid ? static_cast<size_t>(varkesh_hash_bits(key_hash)) / 4 : 0;
      Output hex(room, digits + 1);
      const varkesh_status status =
          varkesh_hash(key_hash, in, bytes.size(), hex.data(), hex.size());
      if (!valid) {
        FUZZ_CHECK(Failed(status, VARKESH_ERROR_ARGUMENT) && hex.untouched());
        return 0;
      }
      if (!hex.fits()) {
        FUZZ_CHECK(Failed(status, VARKESH_ERROR_BUFFER) && hex.untouched());
        FUZZ_CHECK(hex.reported() == digits + 1);
        return 0;
      }
      FUZZ_CHECK(Succeeded(status) && hex.terminated() && hex.reported() == digits);
      const auto& entry = varkesh::HashTable()[static_cast<size_t>(key_hash)];
      FUZZ_CHECK(hex.text() == varkesh::HashSum(*entry.cls, bytes));
      return 0;
    }
    default: {  // names, with whatever bytes up to the first zero
      const std::string name = bytes.substr(0, bytes.find('\0'));
      CheckLookup(varkesh_cipher_index, varkesh_cipher_name, varkesh_cipher_count(), name);
      CheckLookup(varkesh_hash_index, varkesh_hash_name, varkesh_hash_count(), name);
      return 0;
    }
  }
}

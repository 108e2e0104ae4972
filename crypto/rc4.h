// RC4, the one stream cipher: keys of 8 to 2048 bits, no IV. The generator indices start at
// zero on every Encrypt/Decrypt call while the permutation carries over between calls; the file
// format, encrypted in 8192-byte calls, depends on that.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/algorithm_ids.h"

namespace varkesh {

class Rc4 final : public CipherImpl<Rc4, ids::kRc4, Cipher> {
 public:
  Rc4() { Rc4::Wipe(); }

  ~Rc4() override { Rc4::Wipe(); }

  static bool KnownAnswerTest();

  // The IV is ignored.
  void Init(const uint8_t* key, uint32_t key_bits, const uint8_t* iv = nullptr) override;
  void Wipe() override;
  // Back to the permutation the key set-up left, so the keystream starts again.
  void Reset() override;
  void Encrypt(const uint8_t* in, uint8_t* out, size_t size) override;

  void Decrypt(const uint8_t* in, uint8_t* out, size_t size) override { Encrypt(in, out, size); }

 private:
  std::array<uint8_t, 256> state_;
  std::array<uint8_t, 256> initial_;
};

}  // namespace varkesh

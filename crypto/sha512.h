// SHA-384 and SHA-512 (FIPS 180-2): 384- and 512-bit digests, 128-byte blocks, big-endian 64-bit
// words. Sha512Base holds what the two share; they differ only in the initial value and in how
// much of the final state makes the digest.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

// Not a hash on its own: like the bare Hash it has no identity and its Init and Final do
// nothing, so only the two leaf classes are ever created.
class Sha512Base : public Hash {
 public:
  ~Sha512Base() override { Sha512Base::Wipe(); }

  void Update(const uint8_t* data, size_t size) override;
  void Wipe() override;
  using Hash::Update;

 protected:
  Sha512Base() = default;

  void Start(const std::array<uint64_t, 8>& initial);
  // Pads, writes the first `words` state words big-endian and wipes.
  void Finish(uint8_t* digest, size_t words);

 private:
  void Compress(const uint8_t* blocks, size_t count);

  // The bit count is 128 bits wide, so no message length a caller can feed wraps it.
  uint64_t bit_count_high_ = 0;
  uint64_t bit_count_low_ = 0;
  std::array<uint64_t, 8> state_{};
  detail::BlockBuffer<128> buffer_;
};

class Sha384 final : public HashImpl<Sha384, ids::kSha384, Sha512Base> {
 public:
  static bool KnownAnswerTest();

  void Init() override;
  void Final(uint8_t* digest) override;
};

class Sha512 final : public HashImpl<Sha512, ids::kSha512, Sha512Base> {
 public:
  static bool KnownAnswerTest();

  void Init() override;
  void Final(uint8_t* digest) override;
};

}  // namespace varkesh

// SHA-256 (FIPS 180-2): 256-bit digest, 64-byte blocks, big-endian words.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Sha256 final : public HashImpl<Sha256, ids::kSha256> {
 public:
  ~Sha256() override { Sha256::Wipe(); }

  static bool KnownAnswerTest();

  void Init() override;
  void Update(const uint8_t* data, size_t size) override;
  void Final(uint8_t* digest) override;
  void Wipe() override;
  using Hash::Update;

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint64_t bit_count_ = 0;  // wraps modulo 2^64, as the length field does
  std::array<uint32_t, 8> state_{};
  detail::BlockBuffer<64> buffer_;
};

}  // namespace varkesh

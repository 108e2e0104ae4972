// MD4 (RFC 1320): 128-bit digest, 64-byte blocks, little-endian words. Broken as a hash; kept
// because data keyed from it must stay readable.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Md4 final : public HashImpl<Md4, ids::kMd4> {
 public:
  ~Md4() override { Md4::Wipe(); }

  static bool KnownAnswerTest();

  void Init() override;
  void Update(const uint8_t* data, size_t size) override;
  void Final(uint8_t* digest) override;
  void Wipe() override;
  using Hash::Update;

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint64_t bit_count_ = 0;  // wraps modulo 2^64, as the length field does
  std::array<uint32_t, 4> state_{};
  detail::BlockBuffer<64> buffer_;
};

}  // namespace varkesh

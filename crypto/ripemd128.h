// RIPEMD-128 (Dobbertin, Bosselaers, Preneel): 128-bit digest, 64-byte blocks, little-endian words,
// two parallel lines of compression steps per block.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Ripemd128 final : public HashImpl<Ripemd128, ids::kRipemd128> {
 public:
  ~Ripemd128() override { Ripemd128::Wipe(); }

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

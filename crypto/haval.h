// HAVAL with five passes and a 256-bit digest: 128-byte blocks, little-endian words. Unlike the
// published algorithm, the final block starts its padding with 0x80 rather than 0x01, so digests
// (and every key derived from them) differ from published HAVAL-256/5 values.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Haval final : public HashImpl<Haval, ids::kHaval> {
 public:
  ~Haval() override { Haval::Wipe(); }

  static bool KnownAnswerTest();

  void Init() override;
  void Update(const uint8_t* data, size_t size) override;
  void Final(uint8_t* digest) override;
  void Wipe() override;
  using Hash::Update;

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint64_t bit_count_ = 0;
  std::array<uint32_t, 8> state_{};
  detail::BlockBuffer<128> buffer_;
};

}  // namespace varkesh

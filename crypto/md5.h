// MD5 (RFC 1321): 128-bit digest, 64-byte blocks, little-endian words.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Md5 final : public HashImpl<Md5, ids::kMd5> {
 public:
  ~Md5() override { Md5::Wipe(); }

  static bool KnownAnswerTest();

  void Init() override;
  void Update(const uint8_t* data, size_t size) override;
  void Final(uint8_t* digest) override;
  void Wipe() override;
  using Hash::Update;

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint64_t bit_count_ = 0;
  std::array<uint32_t, 4> state_{};
  detail::BlockBuffer<64> buffer_;
};

}  // namespace varkesh

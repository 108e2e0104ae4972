// Tiger (three passes, 192-bit digest): 64-byte blocks, little-endian 64-bit words, and the pad
// byte 0x01 of the algorithm as first published. Table lookups depend on the data, so it is not
// constant-time.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Tiger final : public HashImpl<Tiger, ids::kTiger> {
 public:
  ~Tiger() override { Tiger::Wipe(); }

  static bool KnownAnswerTest();

  void Init() override;
  void Update(const uint8_t* data, size_t size) override;
  void Final(uint8_t* digest) override;
  void Wipe() override;
  using Hash::Update;

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint64_t bit_count_ = 0;
  std::array<uint64_t, 3> state_{};
  detail::BlockBuffer<64> buffer_;
};

}  // namespace varkesh

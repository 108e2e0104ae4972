// SHA-256 (FIPS 180-2): 256-bit digest, 64-byte blocks, big-endian words. On x86 processors with
// the SHA instructions the compression uses them, chosen at run time; both paths agree bit for bit.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_buffer.h"
#include "crypto/framework.h"

namespace varkesh {

class Sha256 final : public HashImpl<Sha256, ids::kSha256> {
 public:
  Sha256() : hardware_(HardwareAvailable()) {}

  ~Sha256() override { Sha256::Wipe(); }

  static bool KnownAnswerTest();

  // Whether this processor has the SHA instructions; new objects use them when it does.
  static bool HardwareAvailable();

  bool UsesHardware() const { return hardware_; }

  // Switches an object to the portable code (false) or back (true, where available).
  void SetUseHardware(bool use);

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
  bool hardware_;
};

}  // namespace varkesh

// TEA in this library's variant: 64-bit block, 128-bit key, 32 cycles, big-endian words. The
// round adds its terms instead of XOR-ing them, so it does not match published TEA output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

class Tea final : public CipherImpl<Tea, ids::kTea, BlockCipher64> {
 public:
  Tea() { Tea::Wipe(); }

  ~Tea() override { Tea::Wipe(); }

  static bool KnownAnswerTest();
  void Wipe() override;

 protected:
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override;
  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void ChainBlocks(detail::ModeRun mode,
                   uint8_t* chain,
                   const uint8_t* in,
                   uint8_t* out,
                   size_t count) const override;

 private:
  std::array<uint32_t, 4> k_;
};

}  // namespace varkesh

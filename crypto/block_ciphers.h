// BlockCipher64 and BlockCipher128: the IV, the chaining vector and the five chaining modes for
// 8- and 16-byte blocks. A concrete block cipher derives from one of them (through CipherImpl)
// and supplies ExpandKey, EncryptBlocks, DecryptBlocks and a Wipe that wipes its key schedule
// and then calls the inherited Wipe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/algorithm_ids.h"
#include "crypto/detail/modes.h"

namespace varkesh {

template <size_t kBlockBytes>
class BlockCipherOf : public BlockCipher {
 public:
  static constexpr size_t kBlock = kBlockBytes;

  static constexpr int32_t ClassBlockSize() { return static_cast<int32_t>(kBlockBytes * 8); }

  BlockCipherOf() { IV_.fill(0xFF), chain_.fill(0xFF); }

  // Key set-up, then IV := the given block, or the encryption of the zero block; Chain := IV.
  void Init(const uint8_t* key, uint32_t key_bits, const uint8_t* iv = nullptr) override;
  void Wipe() override;
  void Reset() override;
  void LoadIV(const uint8_t* iv) override;
  void ReadChain(uint8_t* chain) override;

  void CbcEncrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void CbcDecrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void Cfb8Encrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void Cfb8Decrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void CfbBlockEncrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void CfbBlockDecrypt(const uint8_t* in, uint8_t* out, size_t size) override;
  void OfbEncrypt(const uint8_t* in, uint8_t* out, size_t size) override;

  void OfbDecrypt(const uint8_t* in, uint8_t* out, size_t size) override {
    OfbEncrypt(in, out, size);
  }

  void CtrEncrypt(const uint8_t* in, uint8_t* out, size_t size) override;

  void CtrDecrypt(const uint8_t* in, uint8_t* out, size_t size) override {
    CtrEncrypt(in, out, size);
  }

 protected:
  // `count` whole blocks (bytes for 8-bit CFB) of a chaining mode, carrying `chain`; in == out
  // allowed. This one runs detail::RunMode on the virtual block functions; a cipher overrides
  // it to inline its block function or to run whole modes in its kernels.
  virtual void ChainBlocks(
      detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const;

 private:
  using Block = std::array<uint8_t, kBlockBytes>;

  // Chain := E(Chain); out := the r bytes of in XOR the leading r bytes of the new Chain. The
  // final partial block of CBC (both directions), block CFB and OFB.
  void EncryptChainAndXor(const uint8_t* in, uint8_t* out, size_t r);
  // Adds 1 to Chain read as a big-endian number, wrapping from all 0xFF to all zero.
  void StepCounter();

  Block IV_;
  Block chain_;
};

using BlockCipher64 = BlockCipherOf<8>;
using BlockCipher128 = BlockCipherOf<16>;

extern template class BlockCipherOf<8>;
extern template class BlockCipherOf<16>;

}  // namespace varkesh

// Rijndael with 128-bit blocks (AES, FIPS 197): keys of 8 to 256 bits, zero-padded to the next
// of 128, 192 or 256 bits (a 160-bit key runs AES-192 with four zero bytes appended).
// On x86 the AES instructions are used where the processor has them, else a constant-time
// vector-permute form on SSSE3; the word-table form, which is not constant-time, is left for
// processors with neither.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"
#include "crypto/detail/cpu.h"

namespace varkesh {

class Rijndael final : public CipherImpl<Rijndael, ids::kRijndael, BlockCipher128> {
 public:
  Rijndael() { Rijndael::Wipe(); }

  ~Rijndael() override { Rijndael::Wipe(); }

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
  static constexpr size_t kMaxRoundKeyWords = 4 * 15;

  // Round keys as little-endian column words: on a little-endian host (x86 among them) their
  // memory is the FIPS 197 byte order, which is what the AES instructions load. decrypt_ holds
  // the keys of the equivalent inverse cipher.
  uint32_t rounds_ = 0;
  std::array<uint32_t, kMaxRoundKeyWords> encrypt_;
  std::array<uint32_t, kMaxRoundKeyWords> decrypt_;
};

namespace kernels {

// A Rijndael kernel. `modes` runs a mode over `count` blocks with both key schedules at hand;
// `run` passes `blocks` blocks through the cipher with the round keys `rk` (the encryption keys,
// or those of the equivalent inverse cipher). In place is allowed. Each returns how many blocks
// it did from the start, with the chain updated to match: a wide kernel does the whole groups it
// can and leaves the rest to a narrower one, and a kernel that does not take a mode does none.
struct RijndaelKernel {
  size_t (*modes)(const uint32_t* encrypt,
                  const uint32_t* decrypt,
                  uint32_t rounds,
                  detail::ModeRun mode,
                  uint8_t* chain,
                  const uint8_t* in,
                  uint8_t* out,
                  size_t count);
  size_t (*run)(const uint32_t* rk,
                uint32_t rounds,
                bool encrypt,
                const uint8_t* in,
                uint8_t* out,
                size_t blocks);
};

// rijndael_aesni.cpp (needs kCpuAes): every block of every mode but 8-bit CFB decryption, which
// runs on `run`. The vector-AES kernels do the whole groups of CBC decryption, block-CFB
// decryption, CTR and of runs: rijndael_vaes.cpp (needs kCpuVaes) 16 blocks a group on 256-bit
// registers, rijndael_vaes512.cpp (also kCpuAvx512f and kCpuAvx512bw) 32 on 512-bit ones.
extern const RijndaelKernel kRijndaelAesni;
extern const RijndaelKernel kRijndaelVaes256;
extern const RijndaelKernel kRijndaelVaes512;

// rijndael_ssse3.cpp (needs kCpuSsse3): constant-time without AES instructions, every block of
// every mode but 8-bit CFB decryption, as the AES-NI kernel. Chosen when there are no AES
// instructions.
extern const RijndaelKernel kRijndaelSsse3;

// The key expansion's SubWord through AESENCLAST (kCpuAes) or the SSSE3 kernel (kCpuSsse3).
uint32_t RijndaelAesniSubWord(uint32_t w);
uint32_t RijndaelSsse3SubWord(uint32_t w);

}  // namespace kernels

}  // namespace varkesh

// Rijndael with 128-bit blocks (AES, FIPS 197): keys of 8 to 256 bits, zero-padded to the next
// of 128, 192 or 256 bits (a 160-bit key runs AES-192 with four zero bytes appended).
// Table-driven and not constant-time; on x86 CPUs with AES instructions those are used instead.
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

// rijndael_aesni.cpp (needs kCpuAes): `blocks` blocks with the round keys `rk` (the encryption
// keys, or those of the equivalent inverse cipher), in place allowed.
void RijndaelAesniEncrypt(
    const uint32_t* rk, uint32_t rounds, const uint8_t* in, uint8_t* out, size_t blocks);
void RijndaelAesniDecrypt(
    const uint32_t* rk, uint32_t rounds, const uint8_t* in, uint8_t* out, size_t blocks);

// Every mode but 8-bit CFB decryption (which runs on the multi-block functions above), with
// both key schedules at hand.
void RijndaelAesniModes(const uint32_t* encrypt,
                        const uint32_t* decrypt,
                        uint32_t rounds,
                        detail::ModeRun mode,
                        uint8_t* chain,
                        const uint8_t* in,
                        uint8_t* out,
                        size_t count);

// The vector-AES kernels: rijndael_vaes.cpp (needs kCpuVaes) on 256-bit registers in groups
// of 16 blocks, rijndael_vaes512.cpp (also kCpuAvx512f and kCpuAvx512bw) on 512-bit ones in
// groups of 32. They do the whole groups of a call in CBC decryption, block-CFB decryption and
// CTR (`modes`; other modes: none) or of a run of blocks (`run`), return how many blocks they
// did and leave the rest to narrower kernels.
struct RijndaelVaesKernel {
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

extern const RijndaelVaesKernel kRijndaelVaes256;
extern const RijndaelVaesKernel kRijndaelVaes512;

}  // namespace kernels

}  // namespace varkesh

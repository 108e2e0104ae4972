// DES and two- or three-key triple DES (encrypt-decrypt-encrypt): 64-bit block. CustomDes holds
// the single-DES machinery that both use. The S-box lookups are indexed by secret bits, so
// neither is constant-time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/block_ciphers.h"

namespace varkesh {

// The common base of Des and TripleDes; it keeps the framework's default identity and is not
// offered as a cipher of its own.
class CustomDes : public BlockCipher64 {
 protected:
  // 16 rounds x 2 words. Each round's 48-bit subkey is split into its eight 6-bit groups, the
  // odd-numbered S-boxes' groups in the first word and the even-numbered in the second, one
  // group per byte, as the round function consumes them.
  using DesSchedule = std::array<uint32_t, 32>;

  // The schedule of the 8 bytes at `key`; the parity bit (the low bit) of each byte is ignored.
  static void DesKeySchedule(const uint8_t* key, DesSchedule& schedule);
  // One block; in and out may be the same memory.
  static void DesEncryptBlock(const uint8_t* in, uint8_t* out, const DesSchedule& schedule);
  static void DesDecryptBlock(const uint8_t* in, uint8_t* out, const DesSchedule& schedule);
};

class Des final : public CipherImpl<Des, ids::kDes, CustomDes> {
 public:
  Des() { Des::Wipe(); }

  ~Des() override { Des::Wipe(); }

  static bool KnownAnswerTest();

  // The schedule is filled with zero bytes.
  void Wipe() override;

 protected:
  // Keys shorter than 64 bits are padded with zero bytes.
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override;
  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void ChainBlocks(detail::ModeRun mode,
                   uint8_t* chain,
                   const uint8_t* in,
                   uint8_t* out,
                   size_t count) const override;

 private:
  DesSchedule schedule_;
};

class TripleDes final : public CipherImpl<TripleDes, ids::kTripleDes, CustomDes> {
 public:
  TripleDes() { TripleDes::Wipe(); }

  ~TripleDes() override { TripleDes::Wipe(); }

  static bool KnownAnswerTest();

  // The three schedules are filled with zero bytes.
  void Wipe() override;

 protected:
  // K1 = bytes 0-7, K2 = bytes 8-15 and K3 = bytes 16-23 of the key padded with zero bytes to
  // 24; a key of at most 128 bits takes K3 = K1.
  void ExpandKey(const uint8_t* key, uint32_t key_bits) override;
  void EncryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t blocks) const override;
  void ChainBlocks(detail::ModeRun mode,
                   uint8_t* chain,
                   const uint8_t* in,
                   uint8_t* out,
                   size_t count) const override;

 private:
  std::array<DesSchedule, 3> schedules_;
};

}  // namespace varkesh

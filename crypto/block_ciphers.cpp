#include "crypto/block_ciphers.h"

#include <algorithm>
#include <cstring>

#include "crypto/detail/bytes.h"

namespace varkesh {

using detail::ModeRun;
using detail::XorBytes;

template <size_t B>
void BlockCipherOf<B>::Init(const uint8_t* key, uint32_t key_bits, const uint8_t* iv) {
  Cipher::Init(key, key_bits, iv);
  ExpandKey(key, key_bits);
  if (iv != nullptr) {
    std::memcpy(IV_.data(), iv, B);
  } else {
    IV_.fill(0);
    EncryptBlocks(IV_.data(), IV_.data(), 1);
  }
  chain_ = IV_;
}

template <size_t B>
void BlockCipherOf<B>::Wipe() {
  detail::SecureWipe(IV_.data(), B, 0xFF);
  detail::SecureWipe(chain_.data(), B, 0xFF);
  BlockCipher::Wipe();
}

template <size_t B>
void BlockCipherOf<B>::Reset() {
  CheckInitialized();
  chain_ = IV_;
}

template <size_t B>
void BlockCipherOf<B>::LoadIV(const uint8_t* iv) {
  CheckInitialized();
  std::memcpy(IV_.data(), iv, B);
  chain_ = IV_;
}

template <size_t B>
void BlockCipherOf<B>::ReadChain(uint8_t* chain) {
  CheckInitialized();
  std::memcpy(chain, chain_.data(), B);
}

template <size_t B>
void BlockCipherOf<B>::EncryptChainAndXor(const uint8_t* in, uint8_t* out, size_t r) {
  EncryptBlocks(chain_.data(), chain_.data(), 1);
  XorBytes(out, in, chain_.data(), r);
}

template <size_t B>
void BlockCipherOf<B>::StepCounter() {
  for (size_t i = B; i-- > 0;) {
    if (++chain_[i] != 0)
      break;
  }
}

template <size_t B>
void BlockCipherOf<B>::ChainBlocks(
    detail::ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t count) const {
  detail::RunMode<B>(
      mode, chain, in, out, count,
      [this](const uint8_t* i, uint8_t* o, size_t n) { EncryptBlocks(i, o, n); },
      [this](const uint8_t* i, uint8_t* o, size_t n) { DecryptBlocks(i, o, n); });
}

template <size_t B>
void BlockCipherOf<B>::CbcEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCbcEncrypt, chain_.data(), in, out, size / B);
  if (const size_t r = size % B; r != 0)
    EncryptChainAndXor(in + size - r, out + size - r, r);
}

template <size_t B>
void BlockCipherOf<B>::CbcDecrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCbcDecrypt, chain_.data(), in, out, size / B);
  if (const size_t r = size % B; r != 0)
    EncryptChainAndXor(in + size - r, out + size - r, r);
}

template <size_t B>
void BlockCipherOf<B>::Cfb8Encrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCfb8Encrypt, chain_.data(), in, out, size);
}

template <size_t B>
void BlockCipherOf<B>::Cfb8Decrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCfb8Decrypt, chain_.data(), in, out, size);
}

template <size_t B>
void BlockCipherOf<B>::CfbBlockEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCfbEncrypt, chain_.data(), in, out, size / B);
  if (const size_t r = size % B; r != 0)
    EncryptChainAndXor(in + size - r, out + size - r, r);
}

template <size_t B>
void BlockCipherOf<B>::CfbBlockDecrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCfbDecrypt, chain_.data(), in, out, size / B);
  if (const size_t r = size % B; r != 0)
    EncryptChainAndXor(in + size - r, out + size - r, r);
}

template <size_t B>
void BlockCipherOf<B>::OfbEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kOfb, chain_.data(), in, out, size / B);
  if (const size_t r = size % B; r != 0)
    EncryptChainAndXor(in + size - r, out + size - r, r);
}

template <size_t B>
void BlockCipherOf<B>::CtrEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  ChainBlocks(ModeRun::kCtr, chain_.data(), in, out, size / B);
  if (const size_t r = size % B; r != 0) {
    // The last counter is used for the partial block and stepped all the same.
    Block stream = chain_;
    StepCounter();
    EncryptBlocks(stream.data(), stream.data(), 1);
    XorBytes(out + size - r, in + size - r, stream.data(), r);
    detail::SecureWipeObject(stream);
  }
}

template class BlockCipherOf<8>;
template class BlockCipherOf<16>;

}  // namespace varkesh

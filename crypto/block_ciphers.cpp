#include "crypto/block_ciphers.h"

#include <algorithm>
#include <cstring>

#include "crypto/detail/bytes.h"

namespace varkesh {

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
void BlockCipherOf<B>::CbcEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  for (; size >= B; size -= B, in += B, out += B) {
    XorBytes(chain_.data(), chain_.data(), in, B);
    EncryptBlocks(chain_.data(), chain_.data(), 1);
    std::memcpy(out, chain_.data(), B);
  }
  if (size != 0)
    EncryptChainAndXor(in, out, size);
}

template <size_t B>
void BlockCipherOf<B>::CbcDecrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  // Blocks are decrypted in runs, one virtual call per run. The last cipher block of each run
  // is saved first, since in-place decryption overwrites it.
  constexpr size_t kRunBlocks = 64;
  uint8_t plain[kRunBlocks * B];
  while (size >= B) {
    const size_t blocks = std::min(size / B, kRunBlocks);
    const size_t bytes = blocks * B;
    DecryptBlocks(in, plain, blocks);
    Block next_chain;
    std::memcpy(next_chain.data(), in + bytes - B, B);
    // Back to front, so that each XOR reads its cipher block before an in-place store of the
    // block after it could replace it.
    for (size_t i = blocks; i-- > 1;) {
      XorBytes(out + i * B, plain + i * B, in + (i - 1) * B, B);
    }
    XorBytes(out, plain, chain_.data(), B);
    chain_ = next_chain;
    in += bytes, out += bytes, size -= bytes;
  }
  if (size != 0)
    EncryptChainAndXor(in, out, size);
  detail::SecureWipe(plain, sizeof(plain));
}

template <size_t B>
void BlockCipherOf<B>::Cfb8Encrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  Block t;
  for (size_t i = 0; i < size; ++i) {
    EncryptBlocks(chain_.data(), t.data(), 1);
    const uint8_t c = in[i] ^ t[0];
    out[i] = c;
    std::memmove(chain_.data(), chain_.data() + 1, B - 1);
    chain_[B - 1] = c;
  }
}

template <size_t B>
void BlockCipherOf<B>::Cfb8Decrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  Block t;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = in[i];
    EncryptBlocks(chain_.data(), t.data(), 1);
    out[i] = c ^ t[0];
    std::memmove(chain_.data(), chain_.data() + 1, B - 1);
    chain_[B - 1] = c;
  }
}

template <size_t B>
void BlockCipherOf<B>::CfbBlockEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  for (; size >= B; size -= B, in += B, out += B) {
    EncryptBlocks(chain_.data(), chain_.data(), 1);
    XorBytes(chain_.data(), chain_.data(), in, B);
    std::memcpy(out, chain_.data(), B);
  }
  if (size != 0)
    EncryptChainAndXor(in, out, size);
}

template <size_t B>
void BlockCipherOf<B>::CfbBlockDecrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  for (; size >= B; size -= B, in += B, out += B) {
    Block c;
    std::memcpy(c.data(), in, B);
    EncryptBlocks(chain_.data(), chain_.data(), 1);
    XorBytes(out, c.data(), chain_.data(), B);
    chain_ = c;
  }
  if (size != 0)
    EncryptChainAndXor(in, out, size);
}

template <size_t B>
void BlockCipherOf<B>::OfbEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  for (; size >= B; size -= B, in += B, out += B) {
    EncryptBlocks(chain_.data(), chain_.data(), 1);
    XorBytes(out, in, chain_.data(), B);
  }
  if (size != 0)
    EncryptChainAndXor(in, out, size);
}

template <size_t B>
void BlockCipherOf<B>::CtrEncrypt(const uint8_t* in, uint8_t* out, size_t size) {
  CheckInitialized();
  // Counter blocks are laid out in runs and encrypted with one virtual call per run.
  constexpr size_t kRunBlocks = 64;
  uint8_t stream[kRunBlocks * B];
  while (size != 0) {
    const size_t blocks = std::min((size + B - 1) / B, kRunBlocks);
    for (size_t i = 0; i < blocks; ++i) {
      std::memcpy(stream + i * B, chain_.data(), B);
      StepCounter();
    }
    EncryptBlocks(stream, stream, blocks);
    const size_t bytes = std::min(size, blocks * B);
    XorBytes(out, in, stream, bytes);
    in += bytes, out += bytes, size -= bytes;
  }
  detail::SecureWipe(stream, sizeof(stream));
}

template class BlockCipherOf<8>;
template class BlockCipherOf<16>;

}  // namespace varkesh

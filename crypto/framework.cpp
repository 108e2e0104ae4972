#include "varkesh/framework.h"

#include <algorithm>
#include <array>
#include <vector>

#include "crypto/detail/bytes.h"
#include "varkesh/base64.h"

namespace varkesh {

// ---------------------------------------------------------------------------------------------
// Hash

const HashClass& Hash::Class() const { return HashClassOf<Hash>(); }

size_t Hash::DigestBytes() const {
  return HashSize() > 0 ? static_cast<size_t>(HashSize()) / 8 : 0;
}

void Hash::UpdateFromStream(ByteReader& stream, uint64_t size) {
  std::array<uint8_t, kStreamChunk> buffer;
  const auto step = [&](size_t want) {
    const size_t got = stream.Read(buffer.data(), want);
    Update(buffer.data(), got);
    return got != 0;
  };
  bool more = true;
  for (uint64_t chunk = 0; more && chunk < size / kStreamChunk; ++chunk) more = step(kStreamChunk);
  if (const auto rest = static_cast<size_t>(size % kStreamChunk); more && rest != 0)
    step(rest);
  detail::SecureWipe(buffer.data(), buffer.size());
}

// ---------------------------------------------------------------------------------------------
// Cipher

const CipherClass& Cipher::Class() const { return CipherClassOf<Cipher>(); }

void Cipher::Init(const uint8_t* /*key*/, uint32_t key_bits, const uint8_t* /*iv*/) {
  if (initialized_)
    Wipe();
  // Sizes are compared unsigned, so a maximum of -1 (the bare base class) admits nothing.
  // A 4-bit key would leave the schedule without a single key byte, so it is refused too.
  const auto max_bits = static_cast<uint32_t>(MaxKeySize());
  if (key_bits < 8 || key_bits % 4 != 0 || key_bits > max_bits) {
    throw CipherError(std::string(kInvalidKeySize));
  }
  initialized_ = true;
}

void Cipher::InitFromPassPhrase(std::string_view pass_phrase, const HashClass& hash) {
  if (initialized_)
    Wipe();
  std::vector<uint8_t> digest;
  try {
    const int32_t digest_bits = hash.hash_size;
    digest.resize(static_cast<size_t>(std::max(digest_bits, 0)) / 8);
    {
      const std::unique_ptr<Hash> hasher = hash.create();
      hasher->Init();
      hasher->UpdateText(pass_phrase);
      hasher->Final(digest.data());
    }
    InitFromDigest(digest.data(), digest_bits);
  } catch (...) {
    detail::SecureWipe(digest.data(), digest.size(), 0xFF);
    throw CipherError(std::string(kDigestAllocationFailed));
  }
  detail::SecureWipe(digest.data(), digest.size(), 0xFF);
}

void Cipher::InitFromDigest(const uint8_t* digest, int32_t digest_bits) {
  const int32_t max_bits = MaxKeySize();
  const int32_t key_bits = max_bits < digest_bits ? max_bits : digest_bits;
  try {
    Init(digest, static_cast<uint32_t>(key_bits));
  } catch (...) {
    throw CipherError(std::string(kDigestAllocationFailed));
  }
}

std::string Cipher::EncryptText(std::string_view plain) {
  std::string bytes(plain.size(), '\0');
  Encrypt(reinterpret_cast<const uint8_t*>(plain.data()), reinterpret_cast<uint8_t*>(bytes.data()),
          bytes.size());
  return EncodeBase64Text(bytes);
}

std::string Cipher::DecryptText(std::string_view base64) {
  std::string bytes = DecodeBase64Text(base64);
  auto* data = reinterpret_cast<uint8_t*>(bytes.data());
  Decrypt(data, data, bytes.size());
  return bytes;
}

template <bool kEncrypt>
uint64_t Cipher::Stream(ByteReader& in, ByteWriter& out, uint64_t size) {
  std::array<uint8_t, kStreamChunk> buffer;
  uint64_t total = 0;
  // The number of reads depends on the size alone, up to the end of the stream; a short read
  // still leads to a transform and a write of what it delivered.
  const auto step = [&](size_t want) {
    const size_t got = in.Read(buffer.data(), want);
    total += got;
    if constexpr (kEncrypt) {
      Encrypt(buffer.data(), buffer.data(), got);
    } else {
      Decrypt(buffer.data(), buffer.data(), got);
    }
    out.Write(buffer.data(), got);
    return got != 0;
  };
  bool more = true;
  for (uint64_t chunk = 0; more && chunk < size / kStreamChunk; ++chunk) more = step(kStreamChunk);
  if (const auto rest = static_cast<size_t>(size % kStreamChunk); more && rest != 0)
    step(rest);
  detail::SecureWipe(buffer.data(), buffer.size());
  return total;
}

uint64_t Cipher::StreamEncrypt(ByteReader& in, ByteWriter& out, uint64_t size) {
  return Stream<true>(in, out, size);
}

uint64_t Cipher::StreamDecrypt(ByteReader& in, ByteWriter& out, uint64_t size) {
  return Stream<false>(in, out, size);
}

// ---------------------------------------------------------------------------------------------
// BlockCipher

void BlockCipher::CheckInitialized() const {
  if (!initialized_)
    throw BlockCipherError(std::string(kCipherNotInitialized));
}

void BlockCipher::EncryptBlock(const uint8_t* in, uint8_t* out) {
  CheckInitialized();
  EncryptBlocks(in, out, 1);
}

void BlockCipher::DecryptBlock(const uint8_t* in, uint8_t* out) {
  CheckInitialized();
  DecryptBlocks(in, out, 1);
}

void BlockCipher::Encrypt(const uint8_t* in, uint8_t* out, size_t size) {
  switch (cipher_mode_) {
    case cmCBC:
      return CbcEncrypt(in, out, size);
    case cmCFB8bit:
      return Cfb8Encrypt(in, out, size);
    case cmCFBblock:
      return CfbBlockEncrypt(in, out, size);
    case cmOFB:
      return OfbEncrypt(in, out, size);
    case cmCTR:
      return CtrEncrypt(in, out, size);
  }
}

void BlockCipher::Decrypt(const uint8_t* in, uint8_t* out, size_t size) {
  switch (cipher_mode_) {
    case cmCBC:
      return CbcDecrypt(in, out, size);
    case cmCFB8bit:
      return Cfb8Decrypt(in, out, size);
    case cmCFBblock:
      return CfbBlockDecrypt(in, out, size);
    case cmOFB:
      return OfbDecrypt(in, out, size);
    case cmCTR:
      return CtrDecrypt(in, out, size);
  }
}

std::string BlockCipher::EncryptText(std::string_view plain) {
  std::string bytes(plain.size(), '\0');
  Cfb8Encrypt(reinterpret_cast<const uint8_t*>(plain.data()),
              reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return EncodeBase64Text(bytes);
}

std::string BlockCipher::DecryptText(std::string_view base64) {
  std::string bytes = DecodeBase64Text(base64);
  auto* data = reinterpret_cast<uint8_t*>(bytes.data());
  Cfb8Decrypt(data, data, bytes.size());
  return bytes;
}

}  // namespace varkesh

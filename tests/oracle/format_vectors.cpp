// Writes the format vectors of tests/vectors/formats/oracle.vec from independent
// implementations only: the block ciphers' single-block encryption and the hashes come from
// Crypto++, Botan and OpenSSL, and the string and file formats are composed here from them:
//
//   key     the pass phrase's digest, cut to the cipher's maximum key size when longer
//   IV      the encryption of the all-zero block
//   string  8-bit CFB (first byte of each encrypted block), then Base64; RC4 in one run
//   file    CBC over the whole blocks; a last partial block XORed with E(last chaining value);
//           RC4 restarting its two indices (not its permutation) every 8192 bytes
//
// Nothing of the library under test is linked in. `format_vectors --check FILE` compares the
// output with FILE (a ctest); `format_vectors > FILE` rewrites it.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level RC4 state is what the restart needs

#include <botan/block_cipher.h>
#include <cryptopp/aes.h>
#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/idea.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/serpent.h>
#include <cryptopp/tiger.h>
#include <cryptopp/twofish.h>
#include <openssl/evp.h>
#include <openssl/rc4.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/vector_pattern.h"

namespace {

using Bytes = std::vector<uint8_t>;
using varkesh::test::PatternBytes;

// ---------------------------------------------------------------------------------------------
// Hashes.

Bytes OpenSslDigest(const char* name, const Bytes& message) {
  const std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md(EVP_MD_fetch(nullptr, name, nullptr),
                                                           EVP_MD_free);
  if (md == nullptr)
    throw std::runtime_error(std::string("OpenSSL lacks ") + name);
  Bytes digest(static_cast<size_t>(EVP_MD_get_size(md.get())));
  unsigned size = 0;
  if (EVP_Digest(message.data(), message.size(), digest.data(), &size, md.get(), nullptr) != 1)
    throw std::runtime_error(std::string("OpenSSL refused ") + name);
  return digest;
}

Bytes TigerDigest(const Bytes& message) {
  CryptoPP::Tiger tiger;
  Bytes digest(CryptoPP::Tiger::DIGESTSIZE);
  tiger.CalculateDigest(digest.data(), message.data(), message.size());
  return digest;
}

struct KeyHash {
  int index;  // in the cipher actions' key-hash list
  const char* name;
  std::function<Bytes(const Bytes&)> digest;
};

const std::vector<KeyHash>& KeyHashes() {
  static const std::vector<KeyHash> hashes = {
      {2, "MD5", [](const Bytes& m) { return OpenSslDigest("MD5", m); }},
      {5, "SHA-1", [](const Bytes& m) { return OpenSslDigest("SHA1", m); }},
      {7, "SHA-384", [](const Bytes& m) { return OpenSslDigest("SHA384", m); }},
      {8, "SHA-512", [](const Bytes& m) { return OpenSslDigest("SHA512", m); }},
      {9, "Tiger", TigerDigest},
  };
  return hashes;
}

// ---------------------------------------------------------------------------------------------
// Block ciphers: one block encrypted by the library, keyed with the cut digest as our key
// schedules read it (a 160-bit key of a cipher that takes 192 bits is the same key padded with
// zero bytes; Serpent pads every short key with a 1 bit).

using BlockEncrypt = std::function<void(const uint8_t* in, uint8_t* out)>;

template <class Encryption>
BlockEncrypt CryptoPP(const Bytes& key) {
  auto cipher = std::make_shared<Encryption>(key.data(), key.size());
  return [cipher](const uint8_t* in, uint8_t* out) { cipher->ProcessBlock(in, out); };
}

template <class Encryption>
BlockEncrypt CryptoPPRounds(const Bytes& key, int rounds) {
  auto cipher = std::make_shared<Encryption>();
  cipher->UncheckedSetKey(key.data(), static_cast<unsigned>(key.size()),
                          CryptoPP::MakeParameters(CryptoPP::Name::Rounds(), rounds));
  return [cipher](const uint8_t* in, uint8_t* out) { cipher->ProcessBlock(in, out); };
}

BlockEncrypt Botan(const char* name, const Bytes& key) {
  std::shared_ptr<Botan::BlockCipher> cipher = Botan::BlockCipher::create_or_throw(name);
  cipher->set_key(key);
  return [cipher](const uint8_t* in, uint8_t* out) { cipher->encrypt(in, out); };
}

Bytes ZeroPadded(Bytes key, size_t size) {
  key.resize(std::max(key.size(), size), 0);
  return key;
}

struct CipherRow {
  int index;  // in the cipher actions' list
  const char* name;
  size_t block;    // bytes; 0: the stream cipher
  size_t max_key;  // bytes
  std::function<BlockEncrypt(const Bytes& key)> make;
};

const std::vector<CipherRow>& Ciphers() {
  static const std::vector<CipherRow> rows = {
      {0, "Blowfish", 8, 56, CryptoPP<CryptoPP::BlowfishEncryption>},
      {1, "CAST-128", 8, 16, CryptoPP<CryptoPP::CAST128Encryption>},
      {2, "CAST-256", 16, 32, CryptoPP<CryptoPP::CAST256Encryption>},
      {3, "DES", 8, 8, CryptoPP<CryptoPP::DESEncryption>},
      {4, "triple DES (two keys from 128 bits, 160 bits zero-padded to three)", 8, 24,
       [](const Bytes& key) {
         return key.size() == 16 ? CryptoPP<CryptoPP::DES_EDE2_Encryption>(key)
                                 : CryptoPP<CryptoPP::DES_EDE3_Encryption>(ZeroPadded(key, 24));
       }},
      {8, "IDEA", 8, 16, CryptoPP<CryptoPP::IDEAEncryption>},
      {10, "MISTY1", 8, 16, [](const Bytes& key) { return Botan("MISTY1", key); }},
      {11, "RC2, 1024 effective key bits", 8, 128,
       [](const Bytes& key) {
         auto cipher = std::make_shared<CryptoPP::RC2::Encryption>(key.data(), key.size(), 1024);
         return BlockEncrypt(
             [cipher](const uint8_t* in, uint8_t* out) { cipher->ProcessBlock(in, out); });
       }},
      {12, "RC4", 0, 256, nullptr},
      {13, "RC5-32/12", 8, 256,
       [](const Bytes& key) { return CryptoPPRounds<CryptoPP::RC5::Encryption>(key, 12); }},
      {14, "RC6-32/20", 16, 256,
       [](const Bytes& key) { return CryptoPPRounds<CryptoPP::RC6::Encryption>(key, 20); }},
      {15, "Rijndael (AES; 160-bit keys zero-padded to 192)", 16, 32,
       [](const Bytes& key) {
         return CryptoPP<CryptoPP::AESEncryption>(key.size() == 20 ? ZeroPadded(key, 24) : key);
       }},
      {16, "Serpent (short keys padded with a 1 bit)", 16, 32,
       [](const Bytes& key) {
         if (key.size() % 8 == 0)
           return CryptoPP<CryptoPP::SerpentEncryption>(key);
         Bytes padded = ZeroPadded(key, 32);
         padded[key.size()] = 0x01;
         return CryptoPP<CryptoPP::SerpentEncryption>(padded);
       }},
      {18, "Twofish (160-bit keys zero-padded to 192)", 16, 32,
       [](const Bytes& key) {
         return CryptoPP<CryptoPP::TwofishEncryption>(key.size() == 20 ? ZeroPadded(key, 24) : key);
       }},
  };
  return rows;
}

// ---------------------------------------------------------------------------------------------
// The formats.

Bytes Cfb8(const BlockEncrypt& encrypt, size_t block, const Bytes& plain) {
  Bytes chain(block, 0), t(block), out(plain.size());
  encrypt(chain.data(), chain.data());  // IV = E(0)
  for (size_t i = 0; i < plain.size(); ++i) {
    encrypt(chain.data(), t.data());
    out[i] = plain[i] ^ t[0];
    std::rotate(chain.begin(), chain.begin() + 1, chain.end());
    chain.back() = out[i];
  }
  return out;
}

Bytes CbcWithTail(const BlockEncrypt& encrypt, size_t block, const Bytes& plain) {
  Bytes chain(block, 0), out(plain.size());
  encrypt(chain.data(), chain.data());
  size_t at = 0;
  for (; at + block <= plain.size(); at += block) {
    for (size_t j = 0; j < block; ++j) chain[j] ^= plain[at + j];
    encrypt(chain.data(), chain.data());
    std::copy(chain.begin(), chain.end(), out.begin() + static_cast<ptrdiff_t>(at));
  }
  encrypt(chain.data(), chain.data());
  for (size_t j = 0; at + j < plain.size(); ++j) out[at + j] = plain[at + j] ^ chain[j];
  return out;
}

Bytes Rc4(const Bytes& key, const Bytes& plain, size_t restart_every) {
  RC4_KEY state;
  RC4_set_key(&state, static_cast<int>(key.size()), key.data());
  Bytes out(plain.size());
  for (size_t at = 0; at < plain.size(); at += restart_every) {
    state.x = 0;
    state.y = 0;
    RC4(&state, std::min(restart_every, plain.size() - at), plain.data() + at, out.data() + at);
  }
  return out;
}

std::string Base64(const Bytes& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(n));
  return text;
}

std::string Hex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

Bytes ToBytes(const std::string& s) { return {s.begin(), s.end()}; }

// ---------------------------------------------------------------------------------------------
// The records.

// Pass phrases as the host hands them over: code page 1251 bytes.
const Bytes kPassPhrases[] = {
    {},                                                      // empty
    {0xEF, 0xE0, 0xF0, 0xEE, 0xEB, 0xFC},                    // a Russian word
    {0xCA, 0xEB, 0xFE, 0xF7, 0x20, 0x4E, 0xBA, 0x37, 0x21},  // letters, space, digit, sign
    [] {
      Bytes all;  // every letter 0xC0-0xFF
      for (int c = 0xC0; c <= 0xFF; ++c) all.push_back(static_cast<uint8_t>(c));
      return all;
    }(),
};

// Two buffers of 1 MiB, a whole chunk and part of another.
constexpr size_t kLarge = (size_t{2} << 20) + 8192 + 5;

// Inputs up to this size are written out; longer ones are patterns with a digest of the output.
constexpr size_t kLiteral = 64;

std::string Value(const Bytes& input, size_t size, uint32_t seed) {
  if (size <= kLiteral)
    return Hex(input);
  return "pattern(" + std::to_string(size) + ", " + std::to_string(seed) + ")";
}

std::string OutValue(const Bytes& output, size_t size, bool text) {
  if (size > kLiteral)
    return "sha256(" + Hex(OpenSslDigest("SHA256", output)) + ")";
  if (!text)
    return Hex(output);
  std::string quoted(1, '"');
  quoted.append(output.begin(), output.end());
  quoted += '"';
  return quoted;
}

std::string Generate() {
  std::ostringstream os;
  os << "# Encrypted strings and files, computed by tests/oracle/format_vectors.cpp from\n"
        "# Crypto++, Botan and OpenSSL alone (block encryption, RC4, digests, Base64); do not\n"
        "# edit, regenerate. Cipher and KeyHash are the indices of the cipher actions' lists,\n"
        "# PassPhrase its code-page 1251 bytes. In and Out are hex (the string format's Out is\n"
        "# the Base64 text); a long In is pattern(size, seed) and its Out the SHA-256 of the\n"
        "# output.\n";
  for (const CipherRow& cipher : Ciphers()) {
    const size_t block = cipher.block == 0 ? 16 : cipher.block;
    const size_t sizes[] = {0, 1, block - 1, block + 1, 8191, 8192, 8193, 20005};
    for (const KeyHash& hash : KeyHashes()) {
      const Bytes& phrase =
          kPassPhrases[static_cast<size_t>(cipher.index + hash.index) % std::size(kPassPhrases)];
      Bytes key = hash.digest(phrase);
      const size_t digest_bytes = key.size();
      key.resize(std::min(key.size(), cipher.max_key));
      const BlockEncrypt encrypt = cipher.make ? cipher.make(key) : nullptr;

      os << "\n# " << cipher.name << ", key: " << hash.name << " "
         << (digest_bytes > key.size() ? "cut to " : "whole, ") << key.size() * 8 << " bits\n";
      for (const char* section : {"String", "File"}) {
        const bool text = section[0] == 'S';
        os << "[" << section << "]\n"
           << "Cipher = " << cipher.index << "\nKeyHash = " << hash.index
           << "\nPassPhrase = " << (phrase.empty() ? "\"\"" : Hex(phrase)) << "\n";
        // Files of each cipher under one of the key hashes also cross the larger buffers of
        // reading and writing on a second thread.
        std::vector<size_t> section_sizes(std::begin(sizes), std::end(sizes));
        if (!text && &hash == &KeyHashes()[static_cast<size_t>(cipher.index) % KeyHashes().size()])
          section_sizes.push_back(kLarge);
        for (const size_t size : section_sizes) {
          const auto seed = static_cast<uint32_t>(cipher.index * 1000 + hash.index * 100 + size);
          const Bytes plain = PatternBytes(size, seed);
          Bytes out;
          if (encrypt == nullptr) {
            out = Rc4(key, plain, text ? plain.size() + 1 : 8192);
          } else {
            out = text ? Cfb8(encrypt, block, plain) : CbcWithTail(encrypt, block, plain);
          }
          if (text)
            out = ToBytes(Base64(out));
          os << "In = " << (size == 0 ? "\"\"" : Value(plain, size, seed)) << "\n"
             << "Out = " << (out.empty() ? "\"\"" : OutValue(out, size, text)) << "\n";
        }
      }
    }
  }
  return os.str();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string text = Generate();
    if (argc == 3 && std::string(argv[1]) == "--check") {
      std::ifstream in(argv[2], std::ios::binary);
      const std::string stored((std::istreambuf_iterator<char>(in)), {});
      if (stored == text)
        return 0;
      std::istringstream a(stored), b(text);
      std::string la, lb;
      for (int line = 1;; ++line) {
        const bool more_a = static_cast<bool>(std::getline(a, la));
        const bool more_b = static_cast<bool>(std::getline(b, lb));
        if (la != lb || more_a != more_b) {
          std::cerr << argv[2] << ":" << line << ": stored  " << la << "\n"
                    << argv[2] << ":" << line << ": computed " << lb << "\n";
          break;
        }
      }
      return 1;
    }
    if (argc != 1) {
      std::cerr << "usage: format_vectors [--check FILE]\n";
      return 2;
    }
    std::cout << text;
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "format_vectors: " << e.what() << "\n";
    return 1;
  }
}

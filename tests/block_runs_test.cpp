// Every chaining mode over runs of many blocks, on every kernel tier the machine has, against the
// mode worked out block by block on the portable code. The multi-block paths (interleaved lanes,
// vector kernels, whole-mode kernels) only start above some number of blocks and hand the rest
// to narrower code, so every run length up to well past the widest group is tried, cut at
// random points, in place and into another buffer at an odd offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/cpu_paths.h"
#include "varkesh/algorithms.h"

namespace varkesh::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Longer than two groups of the widest kernel (32 lanes of 128-bit blocks or of 64-bit ones).
constexpr size_t kMaxBlocks = 70;

std::vector<const CipherEntry*> BlockCiphers() {
  std::vector<const CipherEntry*> entries;
  for (const CipherEntry& entry : CipherTable()) {
    if (entry.cls->block_size > 0)
      entries.push_back(&entry);
  }
  return entries;
}

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

void AddOne(Bytes& counter) {
  for (size_t i = counter.size(); i-- > 0;) {
    if (++counter[i] != 0)
      break;
  }
}

// A mode worked out block by block with EncryptBlock and DecryptBlock; `chain` starts as the IV.
// A trailing partial block is the encryption of the chain XOR the rest, as every mode but 8-bit
// CFB and CTR handles it.
using Reference = std::function<Bytes(BlockCipher&, Bytes chain, const Bytes& in)>;

Bytes Encrypted(BlockCipher& cipher, const Bytes& block) {
  Bytes out(block.size());
  cipher.EncryptBlock(block.data(), out.data());
  return out;
}

Bytes Xored(const Bytes& a, const uint8_t* b) {
  Bytes out = a;
  for (size_t i = 0; i < out.size(); ++i) out[i] ^= b[i];
  return out;
}

// `step(chain, in_block, out_block)` for each whole block; the tail from the final chain.
template <class Step>
Bytes BlockByBlock(BlockCipher& cipher, Bytes chain, const Bytes& in, Step step) {
  const size_t b = chain.size();
  Bytes out(in.size());
  size_t at = 0;
  for (; at + b <= in.size(); at += b) step(chain, &in[at], &out[at]);
  const Bytes stream = Encrypted(cipher, chain);
  for (size_t i = at; i < in.size(); ++i) out[i] = in[i] ^ stream[i - at];
  return out;
}

// 8-bit CFB: each byte is XORed with the first byte of the encrypted register, which then
// shifts one byte towards the front and takes the cipher byte.
Reference Cfb8Reference(bool encrypt) {
  return [encrypt](BlockCipher& cipher, Bytes chain, const Bytes& in) {
    Bytes out(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
      out[i] = in[i] ^ Encrypted(cipher, chain)[0];
      chain.erase(chain.begin());
      chain.push_back(encrypt ? out[i] : in[i]);
    }
    return out;
  };
}

struct ModeCase {
  const char* name;
  ChainingMode mode;
  bool encrypt;
  bool whole_pieces;  // splits only at block boundaries (a partial block ends the stream)
  Reference reference;
};

const std::vector<ModeCase>& ModeCases() {
  static const std::vector<ModeCase> kCases = {
      {"CBC encryption", cmCBC, true, true,
       [](BlockCipher& cipher, Bytes chain, const Bytes& in) {
         return BlockByBlock(cipher, chain, in, [&](Bytes& c, const uint8_t* p, uint8_t* out) {
           c = Encrypted(cipher, Xored(c, p));
           std::copy(c.begin(), c.end(), out);
         });
       }},
      {"CBC decryption", cmCBC, false, true,
       [](BlockCipher& cipher, Bytes chain, const Bytes& in) {
         return BlockByBlock(cipher, chain, in, [&](Bytes& c, const uint8_t* x, uint8_t* out) {
           cipher.DecryptBlock(x, out);
           for (size_t i = 0; i < c.size(); ++i) out[i] ^= c[i];
           c.assign(x, x + c.size());
         });
       }},
      {"block CFB encryption", cmCFBblock, true, true,
       [](BlockCipher& cipher, Bytes chain, const Bytes& in) {
         return BlockByBlock(cipher, chain, in, [&](Bytes& c, const uint8_t* p, uint8_t* out) {
           c = Xored(Encrypted(cipher, c), p);
           std::copy(c.begin(), c.end(), out);
         });
       }},
      {"block CFB decryption", cmCFBblock, false, true,
       [](BlockCipher& cipher, Bytes chain, const Bytes& in) {
         return BlockByBlock(cipher, chain, in, [&](Bytes& c, const uint8_t* x, uint8_t* out) {
           const Bytes p = Xored(Encrypted(cipher, c), x);
           std::copy(p.begin(), p.end(), out);
           c.assign(x, x + c.size());
         });
       }},
      {"OFB", cmOFB, true, true,
       [](BlockCipher& cipher, Bytes chain, const Bytes& in) {
         return BlockByBlock(cipher, chain, in, [&](Bytes& c, const uint8_t* x, uint8_t* out) {
           c = Encrypted(cipher, c);
           const Bytes y = Xored(c, x);
           std::copy(y.begin(), y.end(), out);
         });
       }},
      {"CTR", cmCTR, true, true,
       [](BlockCipher& cipher, Bytes chain, const Bytes& in) {
         Bytes out(in.size());
         for (size_t at = 0; at < in.size(); at += chain.size()) {
           const Bytes stream = Encrypted(cipher, chain);
           for (size_t i = at; i < std::min(in.size(), at + chain.size()); ++i)
             out[i] = in[i] ^ stream[i - at];
           AddOne(chain);
         }
         return out;
       }},
      {"8-bit CFB encryption", cmCFB8bit, true, false, Cfb8Reference(true)},
      {"8-bit CFB decryption", cmCFB8bit, false, false, Cfb8Reference(false)},
  };
  return kCases;
}

class BlockRuns : public testing::TestWithParam<const CipherEntry*> {};

TEST_P(BlockRuns, EveryModeMatchesBlockByBlock) {
  const CipherClass& cls = *GetParam()->cls;
  std::mt19937 random(static_cast<unsigned>(cls.id) * 7919u);
  const size_t b = static_cast<size_t>(cls.block_size) / 8;
  auto cipher_owner = cls.create();
  auto& cipher = dynamic_cast<BlockCipher&>(*cipher_owner);

  for (size_t blocks = 0; blocks <= kMaxBlocks; ++blocks) {
    const uint32_t key_bits =
        std::min<uint32_t>(static_cast<uint32_t>(cls.max_key_size), blocks % 2 == 0 ? 128 : 256);
    const Bytes key = RandomBytes(random, key_bits / 8);
    Bytes iv = RandomBytes(random, b);
    if (blocks % 5 == 4)
      std::fill(iv.begin() + 1, iv.end(), 0xFF);  // the counter carries through every byte
    const Bytes data = RandomBytes(random, blocks * b + (blocks % 4 == 1 ? random() % b : 0));
    cipher.Init(key.data(), key_bits, iv.data());

    for (const ModeCase& mode : ModeCases()) {
      Bytes expected;
      {
        const detail::ScopedCpuFeatures portable(0);
        expected = mode.reference(cipher, iv, data);
      }
      ForEachCpuPath([&] {
        const bool in_place = random() % 2 == 0;
        const size_t offset = in_place ? 0 : 1 + random() % 15;
        SCOPED_TRACE(testing::Message() << mode.name << ", " << data.size() << " bytes"
                                        << (in_place ? " in place" : ", offset ") << offset);
        Bytes source(data.size() + offset), got(data.size());
        std::copy(data.begin(), data.end(), source.begin() + static_cast<ptrdiff_t>(offset));
        if (in_place)
          got = data;
        const uint8_t* from = in_place ? got.data() : source.data() + offset;
        cipher.LoadIV(iv.data());
        cipher.SetCipherMode(mode.mode);
        // Random pieces, whole blocks unless the mode takes any length.
        const size_t unit = mode.whole_pieces ? b : 1;
        for (size_t at = 0; at < data.size();) {
          size_t piece = std::min(data.size() - at, unit * (1 + random() % (blocks + 2)));
          if (data.size() - at - piece < unit)
            piece = data.size() - at;
          if (mode.encrypt)
            cipher.Encrypt(from + at, got.data() + at, piece);
          else
            cipher.Decrypt(from + at, got.data() + at, piece);
          at += piece;
        }
        ASSERT_EQ(got, expected);
      });
      ASSERT_FALSE(HasFatalFailure());
    }
  }
}

std::string CipherName(const testing::TestParamInfo<const CipherEntry*>& param) {
  return std::string(param.param->class_name);
}

INSTANTIATE_TEST_SUITE_P(Ciphers, BlockRuns, testing::ValuesIn(BlockCiphers()), CipherName);

}  // namespace
}  // namespace varkesh::test

// The benchmark framework: a row is one operation (an algorithm in a mode and direction, with
// the key size the plug-in produces) measured on the same buffer for our library and for every
// peer library that has it. Each contender becomes one Google Benchmark run named
// "<row>/<contender>"; bench/compare.py runs them interleaved and prints the ratio of ours to
// the best peer.
//
// To add rows, write a function that calls AddHashRow/AddCipherRow/AddRow and call it from
// main() in bench.cpp; to teach a peer library an algorithm, add it to that library's name
// table in bench/peers_<library>.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varkesh::bench {

// One measured call on the row's buffer: hashes it (continuing one digest) or transforms it in
// place (continuing one chain). Made once per benchmark run, so set-up is not measured.
using Work = std::function<void(uint8_t* data, size_t size)>;
using MakeWork = std::function<Work()>;

// What a cipher row measures. Modes continue their chaining state from call to call.
enum class Op {
  kCbcEncrypt,
  kCbcDecrypt,
  kCfbEncrypt,
  kCfbDecrypt,
  kCfb8Encrypt,
  kCfb8Decrypt,
  kOfb,
  kCtr,
  kStream,  // a stream cipher's Encrypt
};

std::string_view OpName(Op op);

// Whether `op` runs the decryption direction (CTR, OFB and streams only encrypt).
inline bool Decrypts(Op op) {
  return op == Op::kCbcDecrypt || op == Op::kCfbDecrypt || op == Op::kCfb8Decrypt;
}

// A peer library: its name and what it can build. `hash` and `cipher` return an empty function
// when the library lacks the algorithm or the mode. Algorithm names are lower case: md4, md5,
// rmd128, rmd160, sha1, sha256, sha384, sha512, tiger; aes, blowfish, cast5, des, 3des, idea,
// rc2, rc4, rc5, rc6, serpent, twofish, cast256, mars, tea, misty1.
struct PeerLibrary {
  std::string name;
  std::function<MakeWork(std::string_view algorithm)> hash;
  std::function<MakeWork(std::string_view algorithm, Op op, std::span<const uint8_t> key)> cipher;
};

// OpenSSL, libgcrypt, Botan, Crypto++, Nettle and LibTomCrypt.
const std::vector<PeerLibrary>& PeerLibraries();

// The same bytes for every contender of a row.
std::vector<uint8_t> TestBytes(size_t size, uint32_t seed = 1);

struct Contender {
  std::string name;
  MakeWork make;
};

// Our cipher class (by class name) keyed with `key`, doing `op`; empty if there is no such class.
MakeWork OurCipher(std::string_view class_name, std::vector<uint8_t> key, Op op);

// A row of contenders over buffers of `buffer_bytes`; the first contender is ours.
void AddRow(const std::string& row, size_t buffer_bytes, std::vector<Contender> contenders);

// A hash class of ours (by class name) against every peer's `algorithm`, over 8 KiB updates.
void AddHashRow(std::string_view our_class, std::string_view algorithm);

// A cipher class of ours keyed with `key_bits` against every peer's `algorithm` with the same
// key, over buffers of `buffer_bytes` (8 KiB by default). The row is named "<label>:<op>", with
// "@<bytes>" appended for other buffer sizes.
void AddCipherRow(std::string_view our_class,
                  std::string_view algorithm,
                  std::string_view label,
                  unsigned key_bits,
                  Op op,
                  size_t buffer_bytes = 8192);

// The rows of this library's core: the hashes, AES in every mode, RC4 (bench/core_rows.cpp).
void AddCoreRows();

// The other block ciphers: CBC both ways over 8 KiB, 8-bit CFB over 64-byte strings
// (bench/cipher_rows.cpp).
void AddCipherRows();

// AES without AES instructions: our SSSE3 kernel and our table form, each against OpenSSL when
// the run masks OpenSSL's AES instructions (bench/aes_paths_rows.cpp).
void AddAesPathRows();

// Prints, for every cipher, the thread CPU time of its first use in a fresh process (a key
// set-up and one string encrypted), tables built on first use included.
void PrintFirstUse();

}  // namespace varkesh::bench

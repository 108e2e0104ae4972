// The rows of the framework's core: every hash, Rijndael in every mode with the key sizes the
// plug-in produces (an MD5 or RIPEMD-128 key hash makes AES-128, SHA-256 and longer AES-256),
// and RC4 with a 256-bit key.
#include "bench/bench.h"

namespace varkesh::bench {

void AddCoreRows() {
  const struct {
    const char* ours;
    const char* peers;
  } hashes[] = {{"Md4", "md4"},          {"Md5", "md5"},       {"Ripemd128", "rmd128"},
                {"Ripemd160", "rmd160"}, {"Sha1", "sha1"},     {"Sha256", "sha256"},
                {"Sha384", "sha384"},    {"Sha512", "sha512"}, {"Haval", "haval"},
                {"Tiger", "tiger"}};

  for (const auto& h : hashes) AddHashRow(h.ours, h.peers);

  for (const unsigned bits : {128u, 256u}) {
    const std::string label = "aes-" + std::to_string(bits);
    for (const Op op : {Op::kCbcEncrypt, Op::kCbcDecrypt, Op::kCtr, Op::kCfbEncrypt,
                        Op::kCfbDecrypt, Op::kOfb, Op::kCfb8Encrypt, Op::kCfb8Decrypt}) {
      AddCipherRow("Rijndael", "aes", label, bits, op);
    }
  }
  AddCipherRow("Rc4", "rc4", "rc4-256", 256, Op::kStream);
}

}  // namespace varkesh::bench

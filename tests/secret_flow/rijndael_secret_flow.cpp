// Rijndael with its key and its data marked undefined for Valgrind's memcheck, which reports
// every conditional branch and every memory address computed from undefined bytes. A path that
// runs clean takes no branch and reads no address that depends on the key or the data: the
// timing side channels of table look-ups and of branches are closed on it. Run on one kernel
// path (VARKESH_CPU); exits 77 when the processor lacks that path.
//
// usage: rijndael_secret_flow ssse3|aes|table
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "crypto/detail/cpu.h"
#include "varkesh/algorithms.h"
#include "varkesh/framework.h"

namespace {

using varkesh::detail::CpuFeatures;

void MarkSecret(void* p, size_t n) { VALGRIND_MAKE_MEM_UNDEFINED(p, n); }

}  // namespace

int main(int argc, char** argv) {
  namespace v = varkesh;
  namespace d = varkesh::detail;
  const std::string_view path = argc > 1 ? argv[1] : "";
  const CpuFeatures available = d::AvailableCpuFeatures();
  CpuFeatures features = 0;
  if (path == "ssse3")
    features = available & ~CpuFeatures{d::kCpuAes};
  else if (path == "aes")
    features = available;
  else if (path != "table")
    return std::fprintf(stderr, "unknown path %s\n", argv[1]), 2;
  const CpuFeatures needed = path == "ssse3" ? d::kCpuSsse3
                             : path == "aes" ? CpuFeatures{d::kCpuAes}
                                             : 0;
  if ((features & needed) != needed)
    return std::printf("no %s path on this processor\n", argv[1]), 77;
  d::SetCpuFeatures(features);

  const v::CipherEntry* entry = v::FindCipher("Rijndael");
  if (entry == nullptr)
    return 2;
  const std::unique_ptr<v::Cipher> owner = entry->cls->create();
  auto& cipher = dynamic_cast<v::BlockCipher&>(*owner);
  const uint8_t iv[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  // Every key length (160 bits runs as 192), every mode both ways, runs long enough for the
  // kernels' groups of blocks and a tail.
  for (const uint32_t bits : {128u, 160u, 256u}) {
    uint8_t key[32];
    for (size_t i = 0; i < sizeof(key); ++i) key[i] = static_cast<uint8_t>(i * 37 + bits);
    MarkSecret(key, sizeof(key));
    cipher.Init(key, bits, iv);
    for (const v::ChainingMode mode : {v::cmCBC, v::cmCFBblock, v::cmOFB, v::cmCTR, v::cmCFB8bit}) {
      for (const bool encrypt : {true, false}) {
        std::vector<uint8_t> data(16 * 37 + 5);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
        MarkSecret(data.data(), data.size());
        cipher.LoadIV(iv);
        cipher.SetCipherMode(mode);
        if (encrypt)
          cipher.Encrypt(data.data(), data.data(), data.size());
        else
          cipher.Decrypt(data.data(), data.data(), data.size());
      }
    }
    uint8_t block[16] = {};
    MarkSecret(block, sizeof(block));
    cipher.EncryptBlock(block, block);
    cipher.DecryptBlock(block, block);
  }
  std::printf("done\n");
  return 0;
}

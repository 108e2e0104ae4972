// The block ciphers beside AES: CBC in both directions and CTR over 8 KiB, and 8-bit CFB (the
// string format) over 64-byte strings, keyed as a 256-bit key hash keys them (cut to the cipher's
// largest key); and the first use of every cipher in a fresh process.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <string>

#include "bench/bench.h"
#include "varkesh/algorithms.h"
#include "varkesh/framework.h"

namespace varkesh::bench {

namespace {

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

unsigned KeyBits(const CipherEntry& entry) {
  return static_cast<unsigned>(std::min(entry.cls->max_key_size, 256));
}

}  // namespace

void AddCipherRows() {
  const struct {
    const char* ours;
    const char* peers;  // "" when no peer has it
  } ciphers[] = {{"Blowfish", "blowfish"}, {"Cast128", "cast5"},  {"Cast256", "cast256"},
                 {"Des", "des"},           {"TripleDes", "3des"}, {"Ice", ""},
                 {"ThinIce", ""},          {"Ice2", ""},          {"Idea", "idea"},
                 {"Mars", "mars"},         {"Misty1", "misty1"},  {"Rc2", "rc2"},
                 {"Rc5", "rc5"},           {"Rc6", "rc6"},        {"Serpent", "serpent"},
                 {"Tea", "tea"},           {"Twofish", "twofish"}};

  for (const auto& c : ciphers) {
    const CipherEntry* entry = FindCipher(c.ours);
    if (entry == nullptr)
      continue;
    std::string label = c.ours;
    std::transform(label.begin(), label.end(), label.begin(),
                   [](char ch) { return static_cast<char>(std::tolower(ch)); });
    for (const Op op : {Op::kCbcEncrypt, Op::kCbcDecrypt, Op::kCtr})
      AddCipherRow(c.ours, c.peers, label, KeyBits(*entry), op);
    AddCipherRow(c.ours, c.peers, label, KeyBits(*entry), Op::kCfb8Encrypt, 64);
  }
}

void PrintFirstUse() {
  // One child process per cipher, forked before anything was built, so each pays its own
  // first use.
  std::printf("%-12s %10s\n", "cipher", "first use");
  for (const CipherEntry& entry : CipherTable()) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      const double start = ThreadSeconds();
      const std::unique_ptr<Cipher> cipher = entry.cls->create();
      const std::string key(KeyBits(entry) / 8, 'k');
      cipher->Init(reinterpret_cast<const uint8_t*>(key.data()), KeyBits(entry));
      const std::string text = cipher->EncryptText("Meet me at noon");
      const double elapsed = ThreadSeconds() - start;
      std::printf("%-12s %8.1f us\n", std::string(entry.class_name).c_str(), elapsed * 1e6);
      std::fflush(stdout);
      _exit(text.empty() ? 1 : 0);
    }
    int status = 0;
    if (child > 0)
      waitpid(child, &status, 0);
  }
}

}  // namespace varkesh::bench

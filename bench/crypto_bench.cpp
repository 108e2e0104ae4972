// Throughput of every hash and cipher in the class tables, each followed by a packaged peer's
// figure for the same algorithm. Run `bench/compare.py` for a side-by-side table.
//
//   hash/<Class>            Update over 8 KiB chunks
//   cbc-encrypt/<Class>     8 KiB buffers in CBC (RC4: its stream transform)
//   cbc-decrypt/<Class>
//   cfb8-text/<Class>       64-byte strings in 8-bit CFB, the string format's mode
//   key-setup/<Class>       InitFromPassPhrase with MD5 (includes hashing the pass phrase)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/peers.h"
#include "crypto/block_ciphers.h"
#include "varkesh/algorithms.h"

namespace varkesh::bench {
namespace {

constexpr size_t kChunk = 8192;

std::vector<uint8_t> Data(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 131 + 7);
  return v;
}

// The key size a plug-in user most often gets: an MD5 digest, cut to the cipher's maximum.
unsigned BenchKeyBits(const CipherClass& cls) {
  return static_cast<unsigned>(std::min(cls.max_key_size, 128));
}

void RegisterHash(const HashEntry& entry) {
  const HashClass* cls = entry.cls;
  const std::string name(entry.class_name);
  benchmark::RegisterBenchmark(("hash/" + name).c_str(), [cls](benchmark::State& state) {
    const auto data = Data(kChunk);
    auto hash = cls->create();
    std::vector<uint8_t> digest(hash->DigestBytes());
    hash->Init();
    for (auto _ : state) hash->Update(data.data(), data.size());
    hash->Final(digest.data());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunk));
  });
  const PeerHashInfo peer = FindPeerHash(name);
  if (!peer.hash)
    return;
  benchmark::RegisterBenchmark(
      ("hash/" + name + " [" + peer.name + "]").c_str(), [peer](benchmark::State& state) {
        const auto data = Data(kChunk);
        uint8_t digest[64];
        for (auto _ : state) peer.hash(data.data(), data.size(), digest);
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunk));
      });
}

void RegisterCipher(const CipherEntry& entry) {
  const CipherClass* cls = entry.cls;
  const std::string name(entry.class_name);
  const unsigned bits = BenchKeyBits(*cls);
  const auto key = Data(bits / 8);

  for (const bool encrypt : {true, false}) {
    const std::string label = (encrypt ? "cbc-encrypt/" : "cbc-decrypt/") + name;
    benchmark::RegisterBenchmark(label.c_str(), [cls, key, bits, encrypt](benchmark::State& state) {
      auto cipher = cls->create();
      cipher->Init(key.data(), bits);
      auto data = Data(kChunk);
      for (auto _ : state) {
        if (encrypt) {
          cipher->Encrypt(data.data(), data.data(), data.size());
        } else {
          cipher->Decrypt(data.data(), data.data(), data.size());
        }
      }
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunk));
    });
    const PeerCipher peer = MakePeerCipher(name, key.data(), bits);
    if (peer.name.empty())
      continue;
    benchmark::RegisterBenchmark(
        (label + " [" + peer.name + "]").c_str(), [peer, encrypt](benchmark::State& state) {
          auto data = Data(kChunk);
          for (auto _ : state) {
            (encrypt ? peer.encrypt : peer.decrypt)(data.data(), data.data(), data.size());
          }
          state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunk));
        });
  }

  benchmark::RegisterBenchmark(
      ("cfb8-text/" + name).c_str(), [cls, key, bits](benchmark::State& state) {
        auto cipher = cls->create();
        cipher->Init(key.data(), bits);
        const auto plain = Data(64);
        const std::string text(plain.begin(), plain.end());
        for (auto _ : state) benchmark::DoNotOptimize(cipher->EncryptText(text));
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 64));
      });

  benchmark::RegisterBenchmark(("key-setup/" + name).c_str(), [cls](benchmark::State& state) {
    auto cipher = cls->create();
    const HashClass& md5 = *FindHash("md5")->cls;
    for (auto _ : state) cipher->InitFromPassPhrase("correct horse battery staple", md5);
  });
}

}  // namespace
}  // namespace varkesh::bench

int main(int argc, char** argv) {
  using namespace varkesh;
  for (const HashEntry& entry : HashTable()) {
    bench::RegisterHash(entry);
  }
  for (const CipherEntry& entry : CipherTable()) {
    bench::RegisterCipher(entry);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

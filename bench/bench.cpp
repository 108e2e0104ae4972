#include "bench/bench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "bench/peers.h"
#include "varkesh/algorithms.h"
#include "varkesh/framework.h"

namespace varkesh::bench {

namespace {

constexpr size_t kBuffer = 8192;

ChainingMode ModeOf(Op op) {
  switch (op) {
    case Op::kCfbEncrypt:
    case Op::kCfbDecrypt:
      return cmCFBblock;
    case Op::kCfb8Encrypt:
    case Op::kCfb8Decrypt:
      return cmCFB8bit;
    case Op::kOfb:
      return cmOFB;
    case Op::kCtr:
      return cmCTR;
    default:
      return cmCBC;
  }
}

MakeWork OurHash(std::string_view class_name) {
  const HashEntry* entry = FindHash(class_name);
  if (entry == nullptr)
    return {};
  const HashClass* cls = entry->cls;
  return [cls]() -> Work {
    std::shared_ptr<Hash> hash = cls->create();
    hash->Init();
    return [hash](uint8_t* data, size_t size) { hash->Update(data, size); };
  };
}

}  // namespace

MakeWork OurCipher(std::string_view class_name, std::vector<uint8_t> key, Op op) {
  const CipherEntry* entry = FindCipher(class_name);
  if (entry == nullptr)
    return {};
  const CipherClass* cls = entry->cls;
  return [cls, key, op]() -> Work {
    std::shared_ptr<Cipher> cipher = cls->create();
    cipher->Init(key.data(), static_cast<uint32_t>(key.size() * 8));
    if (auto* block = dynamic_cast<BlockCipher*>(cipher.get()))
      block->SetCipherMode(ModeOf(op));
    if (Decrypts(op))
      return [cipher](uint8_t* data, size_t size) { cipher->Decrypt(data, data, size); };
    return [cipher](uint8_t* data, size_t size) { cipher->Encrypt(data, data, size); };
  };
}

const std::vector<PeerLibrary>& PeerLibraries() {
  static const std::vector<PeerLibrary> kPeers = {OpenSslPeer(),  GcryptPeer(), BotanPeer(),
                                                  CryptoppPeer(), NettlePeer(), TomcryptPeer()};
  return kPeers;
}

std::string_view OpName(Op op) {
  switch (op) {
    case Op::kCbcEncrypt:
      return "cbc-encrypt";
    case Op::kCbcDecrypt:
      return "cbc-decrypt";
    case Op::kCfbEncrypt:
      return "cfb-encrypt";
    case Op::kCfbDecrypt:
      return "cfb-decrypt";
    case Op::kCfb8Encrypt:
      return "cfb8-encrypt";
    case Op::kCfb8Decrypt:
      return "cfb8-decrypt";
    case Op::kOfb:
      return "ofb";
    case Op::kCtr:
      return "ctr";
    case Op::kStream:
      return "stream";
  }
  return "?";
}

std::vector<uint8_t> TestBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = seed * 2654435761u + 1;
  for (uint8_t& b : bytes) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return bytes;
}

void AddRow(const std::string& row, size_t buffer_bytes, std::vector<Contender> contenders) {
  for (Contender& contender : contenders) {
    if (!contender.make)
      continue;
    benchmark::RegisterBenchmark(
        (row + "/" + contender.name).c_str(),
        [make = contender.make, buffer_bytes](benchmark::State& state) {
          std::vector<uint8_t> data = TestBytes(buffer_bytes);
          const Work work = make();
          if (!work) {
            state.SkipWithError("not available");
            return;
          }
          for (auto _ : state) {
            work(data.data(), data.size());
            benchmark::ClobberMemory();
          }
          state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer_bytes));
        });
  }
}

void AddHashRow(std::string_view our_class, std::string_view algorithm) {
  std::vector<Contender> contenders{{"varkesh", OurHash(our_class)}};
  for (const PeerLibrary& peer : PeerLibraries()) {
    contenders.push_back({peer.name, peer.hash(algorithm)});
  }
  AddRow("hash:" + std::string(our_class), kBuffer, std::move(contenders));
}

void AddCipherRow(std::string_view our_class,
                  std::string_view algorithm,
                  std::string_view label,
                  unsigned key_bits,
                  Op op,
                  size_t buffer_bytes) {
  const std::vector<uint8_t> key = TestBytes(key_bits / 8, 7);
  std::vector<Contender> contenders{{"varkesh", OurCipher(our_class, key, op)}};
  for (const PeerLibrary& peer : PeerLibraries()) {
    contenders.push_back({peer.name, peer.cipher(algorithm, op, key)});
  }
  std::string row(label);
  row.append(":").append(OpName(op));
  if (buffer_bytes != kBuffer)
    row.append("@").append(std::to_string(buffer_bytes));
  AddRow(row, buffer_bytes, std::move(contenders));
}

}  // namespace varkesh::bench

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--first-use") {
    varkesh::bench::PrintFirstUse();
    return 0;
  }
  varkesh::bench::AddCoreRows();
  varkesh::bench::AddCipherRows();
  varkesh::bench::AddAesPathRows();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

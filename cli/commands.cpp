#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/file_streams.h"
#include "crypto/detail/hex.h"
#include "crypto/registry.h"

namespace varkesh::cli {

void ReportError(const std::string& message) { std::cerr << "varkesh: " << message << "\n"; }

const HashClass& RequireHash(const std::string& name, const char* what) {
  const HashEntry* entry = FindHash(name);
  if (entry == nullptr)
    throw Error("Unknown " + std::string(what) + ": " + name);
  return *entry->cls;
}

const CipherClass& RequireCipher(const std::string& name) {
  const CipherEntry* entry = FindCipher(name);
  if (entry == nullptr)
    throw Error("Unknown cipher: " + name);
  return *entry->cls;
}

namespace {

std::string HexDigest(Hash& hash) {
  std::vector<uint8_t> digest(hash.DigestBytes());
  hash.Final(digest.data());
  return detail::ToHex(digest);
}

// Reads to the end: the stream's size is not known in advance for pipes.
void HashWholeStream(Hash& hash, FileReader& reader) {
  if (const auto size = reader.Size()) {
    hash.UpdateFromStream(reader, *size);
    return;
  }
  std::vector<uint8_t> buffer(kStreamChunk);
  while (const size_t got = reader.Read(buffer.data(), buffer.size())) {
    hash.Update(buffer.data(), got);
  }
}

}  // namespace

int RunHash(const HashOptions& options) {
  const std::unique_ptr<Hash> hash = RequireHash(options.algorithm, "hash").create();
  if (options.has_text) {
    hash->Init();
    hash->UpdateText(options.text);
    std::cout << HexDigest(*hash) << "\n";
    return 0;
  }
  int status = 0;
  const std::vector<std::string> files =
      options.files.empty() ? std::vector<std::string>{"-"} : options.files;
  for (const std::string& file : files) {
    try {
      FileReader reader(file);
      hash->Init();
      HashWholeStream(*hash, reader);
      std::cout << HexDigest(*hash) << "  " << file << "\n";
    } catch (const Error& e) {
      std::cout.flush();
      ReportError(e.what());
      status = 1;
    }
  }
  return status;
}

int RunSelfTest() {
  bool all_passed = true;
  const auto report = [&](std::string_view name, bool passed) {
    std::cout << name << ": " << (passed ? "pass" : "FAIL") << "\n";
    all_passed = all_passed && passed;
  };
  for (const HashEntry& entry : HashTable()) {
    report(entry.cls->algorithm, entry.cls->known_answer_test());
  }
  for (const CipherEntry& entry : CipherTable()) {
    report(entry.cls->algorithm, entry.cls->known_answer_test());
  }
  return all_passed ? 0 : 1;
}

int RunAlgorithms() {
  std::printf("Key hashes (-k) and hashes (hash -a):\n");
  std::printf("  %-5s %-10s %-26s %4s  %s\n", "index", "list text", "algorithm", "id", "bits");
  for (const HashEntry& entry : HashTable()) {
    std::printf("  %-5d %-10.*s %-26.*s %4d  %d\n", entry.index,
                static_cast<int>(entry.list_text.size()), entry.list_text.data(),
                static_cast<int>(entry.cls->algorithm.size()), entry.cls->algorithm.data(),
                entry.cls->id, entry.cls->hash_size);
  }
  std::printf("\nCiphers (-c):\n");
  std::printf("  %-5s %-10s %-10s %4s  %-6s %s\n", "index", "list text", "algorithm", "id", "block",
              "max key bits");
  for (const CipherEntry& entry : CipherTable()) {
    const std::string block =
        entry.cls->block_size > 0 ? std::to_string(entry.cls->block_size) : "stream";
    std::printf("  %-5d %-10.*s %-10.*s %4d  %-6s %d\n", entry.index,
                static_cast<int>(entry.list_text.size()), entry.list_text.data(),
                static_cast<int>(entry.cls->algorithm.size()), entry.cls->algorithm.data(),
                entry.cls->id, block.c_str(), entry.cls->max_key_size);
  }
  return 0;
}

}  // namespace varkesh::cli

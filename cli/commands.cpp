#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/hash_files.h"
#include "cli/process.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"

namespace varkesh::cli {

void ReportError(const std::string& message) { std::cerr << "varkesh: " << message << "\n"; }

int RunHash(const HashOptions& options) {
  const HashClass& hash = HashByName(options.algorithm);
  if (options.has_text) {
    if (options.text == "-") {
      std::cout << HashSum(hash, ReadStandardInput().value()) << "\n";
    } else {
      std::cout << HashSum(hash, options.text) << "\n";
    }
    return 0;
  }
  int status = 0;
  const std::vector<std::string> files =
      options.files.empty() ? std::vector<std::string>{"-"} : ExpandWildcards(options.files);
  HashFiles(hash, files, options.jobs, [&](const FileSum& file) {
    if (!file.error.empty()) {
      std::cout.flush();
      ReportError(file.error);
      status = 1;
      return true;
    }
    std::cout << file.sum << "  " << *file.name << "\n";
    return !StandardOutputFailed();
  });
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
  std::printf("  %-5s %-10s %-26s %4s  %s\n", "index", "class", "algorithm", "id", "bits");
  for (const HashEntry& entry : HashTable()) {
    std::printf("  %-5d %-10.*s %-26.*s %4d  %d\n", entry.index,
                static_cast<int>(entry.class_name.size()), entry.class_name.data(),
                static_cast<int>(entry.cls->algorithm.size()), entry.cls->algorithm.data(),
                entry.cls->id, entry.cls->hash_size);
  }
  std::printf("\nCiphers (-c):\n");
  std::printf("  %-5s %-10s %-10s %4s  %-6s %s\n", "index", "class", "algorithm", "id", "block",
              "max key bits");
  for (const CipherEntry& entry : CipherTable()) {
    const std::string block =
        entry.cls->block_size > 0 ? std::to_string(entry.cls->block_size) : "stream";
    std::printf("  %-5d %-10.*s %-10.*s %4d  %-6s %d\n", entry.index,
                static_cast<int>(entry.class_name.size()), entry.class_name.data(),
                static_cast<int>(entry.cls->algorithm.size()), entry.cls->algorithm.data(),
                entry.cls->id, block.c_str(), entry.cls->max_key_size);
  }
  return 0;
}

}  // namespace varkesh::cli

#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "actions/tables.h"
#include "cli/hash_check.h"
#include "cli/hash_files.h"
#include "cli/process.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"

namespace varkesh::cli {

void ReportError(const std::string& message) { std::cerr << "varkesh: " << message << "\n"; }

const text::CodePage& CodePageOption(const std::string& name) {
  const text::CodePage* page = text::FindCodePage(name);
  if (page == nullptr) {
    std::string known;
    for (const text::CodePage& p : text::CodePages()) known.append(" ").append(p.Name());
    throw UsageError("Unknown code page: " + name + " (known:" + known + ")");
  }
  return *page;
}

namespace {

// The lookup's error as a mistake in the call.
template <typename Lookup>
auto& AsUsage(const Lookup& lookup) {
  try {
    return lookup();
  } catch (const UsageError&) {
    throw;
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
}

bool IsNumber(const std::string& text) {
  return !text.empty() && text.size() < 10 &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

const HashClass& HashOption(const std::string& name_or_index) {
  return AsUsage([&]() -> const HashClass& {
    return IsNumber(name_or_index) ? HashingActionHash(std::stoi(name_or_index))
                                   : HashByName(name_or_index);
  });
}

const HashClass& KeyHashOption(const std::string& name_or_index) {
  return AsUsage([&]() -> const HashClass& {
    return IsNumber(name_or_index) ? HashAt(std::stoi(name_or_index)) : HashByName(name_or_index);
  });
}

const CipherClass& CipherOption(const std::string& name_or_index) {
  return AsUsage([&]() -> const CipherClass& {
    return IsNumber(name_or_index) ? CipherAt(std::stoi(name_or_index))
                                   : CipherByName(name_or_index);
  });
}

std::string InCodePage(const text::CodePage& page, std::string_view utf8, std::string_view what) {
  try {
    return page.FromUtf8(utf8);
  } catch (const text::CodePageError& e) {
    const char* advice = text::IsValidUtf8(utf8)
                             ? "; --code-page chooses another code page"
                             : "; --code-page utf-8 takes the bytes as they are";
    throw Error(std::string(what) + ": " + e.what() + advice);
  }
}

int RunHash(const HashOptions& options) {
  const HashClass& hash = HashOption(options.algorithm);
  if (options.has_text) {
    const text::CodePage& page = CodePageOption(options.code_page);
    const std::string text = options.text == "-" ? ReadStandardInput().value() : options.text;
    std::cout << HashSum(hash, InCodePage(page, text, "The text")) << "\n";
    return 0;
  }
  if (options.has_check) {
    return CheckSums(hash, {options.check, options.jobs, options.quiet, options.status,
                            options.ignore_missing, options.strict});
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
    std::cout << SumLine(file.sum, *file.name) << "\n";
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
  const auto print_hash = [](int index, const HashEntry& entry) {
    std::printf("  %-5d %-10.*s %-26.*s %4d  %d\n", index,
                static_cast<int>(entry.class_name.size()), entry.class_name.data(),
                static_cast<int>(entry.cls->algorithm.size()), entry.cls->algorithm.data(),
                entry.cls->id, entry.cls->hash_size);
  };
  std::printf("Key hashes (-k; by name also hash -a):\n");
  std::printf("  %-5s %-10s %-26s %4s  %s\n", "index", "class", "algorithm", "id", "bits");
  for (const HashEntry& entry : HashTable()) print_hash(entry.index, entry);
  std::printf("\nHashes of the hashing actions (hash -a by index):\n");
  std::printf("  %-5s %-10s %-26s %4s  %s\n", "index", "class", "algorithm", "id", "bits");
  int index = 0;
  for (const int key_hash : HashingActionTable()) {
    print_hash(index++, HashTable()[static_cast<size_t>(key_hash)]);
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

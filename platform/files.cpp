#include "platform/files.h"

#include <chrono>
#include <utility>

#include "platform/files_internal.h"

namespace varkesh::platform {

namespace {

const char* Verb(FileAction action) {
  switch (action) {
    case FileAction::kOpen:
      return "open";
    case FileAction::kCreate:
      return "create";
    case FileAction::kRead:
      return "read";
    case FileAction::kWrite:
      return "write";
  }
  return "use";
}

std::vector<std::string>& TestSuffixes() {
  static std::vector<std::string> suffixes;
  return suffixes;
}

}  // namespace

FileError::FileError(FileAction action, const std::string& path, const std::string& reason)
    : std::runtime_error(std::string("Cannot ") + Verb(action) + " file \"" + FullPath(path) +
                         "\". " + reason) {}

FileError::FileError(FileAction action, StandardStream stream, const std::string& reason)
    : std::runtime_error(std::string("Cannot ") + Verb(action) + " standard " +
                         (stream == StandardStream::kInput ? "input" : "output") + ". " + reason) {}

FileError::FileError(FileAction action, int descriptor, const std::string& reason)
    : std::runtime_error(std::string("Cannot ") + Verb(action) + " descriptor " +
                         std::to_string(descriptor) + ". " + reason) {}

void SetTemporarySuffixesForTesting(std::vector<std::string> suffixes) {
  TestSuffixes() = std::move(suffixes);
}

namespace detail {

std::string TemporarySuffix() {
  std::vector<std::string>& tests = TestSuffixes();
  if (!tests.empty()) {
    std::string next = tests.front();
    tests.erase(tests.begin());
    return next;
  }
  // Uniqueness comes from the exclusive creation; the randomness only keeps a guess of the
  // next name from blocking us.
  static uint64_t counter = 0;
  uint64_t x = RandomSeed() ^ (++counter * 0x9E3779B97F4A7C15ull) ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 8; ++i, x /= 36) suffix.push_back(kDigits[x % 36]);
  return suffix;
}

}  // namespace detail

}  // namespace varkesh::platform

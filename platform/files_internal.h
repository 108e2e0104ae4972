// What the two systems' file code shares.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace varkesh::platform::detail {

// What a file is called in messages: a path, or else a descriptor, or else a standard stream.
struct FileName {
  std::string path;
  int descriptor = -1;
  StandardStream stream = StandardStream::kInput;

  FileError Failure(FileAction action, const std::string& reason) const {
    if (!path.empty())
      return FileError(action, path, reason);
    return descriptor >= 0 ? FileError(action, descriptor, reason)
                           : FileError(action, stream, reason);
  }
};

// The temporary files not yet committed, where a signal handler (or a console control
// handler) can reach them without taking a lock: fixed slots, each free, being filled or live.
template <class Char, size_t kLongest>
class TemporaryFiles {
 public:
  // The slot, or -1 when the path does not fit or all are taken (the file is then only
  // removed by the ordinary ways out).
  int Add(const std::basic_string<Char>& path) {
    if (path.size() >= kLongest)
      return -1;
    for (int i = 0; i < kSlots; ++i) {
      int expected = kFree;
      if (slots_[i].state.compare_exchange_strong(expected, kFilling)) {
        std::copy(path.begin(), path.end(), slots_[i].path);
        slots_[i].path[path.size()] = Char(0);
        slots_[i].state.store(kLive);
        return i;
      }
    }
    return -1;
  }

  void Drop(int slot) {
    if (slot >= 0)
      slots_[slot].state.store(kFree);
  }

  template <class Remove>
  void RemoveAll(Remove remove) noexcept {
    for (Slot& slot : slots_) {
      if (slot.state.load() == kLive)
        remove(slot.path);
    }
  }

 private:
  static constexpr int kSlots = 4;
  static constexpr int kFree = 0, kFilling = 1, kLive = 2;

  struct Slot {
    std::atomic<int> state{kFree};
    Char path[kLongest] = {};
  };

  Slot slots_[kSlots];
};

// The system's randomness, or something that differs from run to run.
uint64_t RandomSeed();

// Eight characters that make a temporary name unlikely to be taken.
std::string TemporarySuffix();

// The temporary file beside `name` (a file name, no folder): ".name.varkesh-XXXXXXXX", with
// `name` shortened so that the whole stays within `limit` characters of the system's kind
// (bytes, or UTF-16 units on Windows) and never cut inside a character.
template <class Char>
std::basic_string<Char> TemporaryName(const std::basic_string<Char>& name, size_t limit) {
  const std::string tail = ".varkesh-" + TemporarySuffix();
  const size_t room = limit - 1 - tail.size();
  size_t keep = name.size() < room ? name.size() : room;
  const auto continues = [&](size_t i) {
    const auto unit = static_cast<uint32_t>(name[i]);
    if constexpr (sizeof(Char) == 1) {
      return (unit & 0xC0) == 0x80;  // a UTF-8 continuation byte
    } else {
      return unit >= 0xDC00 && unit <= 0xDFFF;  // the second half of a surrogate pair
    }
  };
  while (keep > 0 && keep < name.size() && continues(keep)) --keep;
  std::basic_string<Char> result(1, Char('.'));
  result.append(name, 0, keep);
  for (const char c : tail) result.push_back(static_cast<Char>(c));
  return result;
}

}  // namespace varkesh::platform::detail

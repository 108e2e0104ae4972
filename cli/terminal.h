// What the tool needs of the terminal and the file system: a prompt without echo, a progress
// bar for long file work, and a same-file test.
#pragma once

#include <chrono>
#include <string>

#include "varkesh/framework.h"

namespace varkesh::cli {

// Prompts on standard error and reads one line from the terminal without echoing it.
std::string PromptHidden(const char* prompt);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// Passes reads through and, when standard error is a terminal and the size is above a few MiB,
// draws a progress bar there.
class ProgressReader final : public ByteReader {
 public:
  ProgressReader(ByteReader& source, uint64_t size, std::string label);
  size_t Read(uint8_t* buffer, size_t count) override;
  void Finish();

 private:
  void Draw();

  ByteReader& source_;
  uint64_t size_;
  uint64_t done_ = 0;
  std::string label_;
  bool active_;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace varkesh::cli

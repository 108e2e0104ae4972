// What the tool needs of the terminal: a prompt without echo on the controlling terminal (the
// console on Windows), never on the data streams, and a progress bar for long file work.
#pragma once

#include <chrono>
#include <string>

#include "platform/wipe.h"
#include "varkesh/framework.h"

namespace varkesh::cli {

// Asks on the controlling terminal and reads one line there without echo. Throws UsageError
// when the process has no terminal.
platform::SecretText PromptHidden(const char* prompt);

// True when standard error goes to a terminal, where progress is drawn.
bool StderrIsTerminal();

// Puts the terminal back as the prompt found it. Safe in a signal handler.
void RestoreTerminal() noexcept;

// Passes reads through and, when standard error is a terminal and the size is above a few MiB,
// draws a progress bar there (fitted to its width, with the rate and the time left).
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
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_{};
  size_t drawn_ = 0;  // the columns of the line on the terminal
};

}  // namespace varkesh::cli

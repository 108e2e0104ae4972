#include "cli/terminal.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#ifdef _WIN32
#  include <io.h>

#  include "platform/win32.h"
#else
#  include <termios.h>
#  include <unistd.h>
#endif

namespace varkesh::cli {

namespace {

constexpr uint64_t kProgressThreshold = uint64_t{4} << 20;

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// Turns terminal echo off for its lifetime.
class EchoOff {
 public:
  EchoOff() {
#ifdef _WIN32
    input_ = GetStdHandle(STD_INPUT_HANDLE);
    active_ = GetConsoleMode(input_, &saved_) != 0 &&
              SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
#else
    active_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
    if (active_) {
      termios quiet = saved_;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
#endif
  }

  ~EchoOff() {
    if (!active_)
      return;
#ifdef _WIN32
    SetConsoleMode(input_, saved_);
#else
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
#endif
  }

  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  bool active_ = false;
#ifdef _WIN32
  HANDLE input_;
  DWORD saved_ = 0;
#else
  termios saved_{};
#endif
};

}  // namespace

std::string PromptHidden(const char* prompt) {
  std::cerr << prompt << std::flush;
  std::string line;
  {
    EchoOff quiet;
    if (!std::getline(std::cin, line))
      throw Error("No pass phrase given");
  }
  std::cerr << "\n";
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return line;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

ProgressReader::ProgressReader(ByteReader& source, uint64_t size, std::string label)
    : source_(source),
      size_(size),
      label_(std::move(label)),
      active_(size >= kProgressThreshold && StderrIsTerminal()) {}

size_t ProgressReader::Read(uint8_t* buffer, size_t count) {
  const size_t got = source_.Read(buffer, count);
  done_ += got;
  if (active_) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ > std::chrono::milliseconds(100)) {
      last_draw_ = now;
      Draw();
    }
  }
  return got;
}

void ProgressReader::Draw() {
  constexpr int kWidth = 40;
  const double fraction =
      size_ == 0 ? 1.0 : static_cast<double>(done_) / static_cast<double>(size_);
  const int filled = static_cast<int>(fraction * kWidth);
  std::fprintf(stderr, "\r%s [%-*s] %3d%%", label_.c_str(), kWidth,
               std::string(static_cast<size_t>(filled), '#').c_str(),
               static_cast<int>(fraction * 100));
  std::fflush(stderr);
}

void ProgressReader::Finish() {
  if (!active_)
    return;
  Draw();
  std::fputc('\n', stderr);
  active_ = false;
}

}  // namespace varkesh::cli

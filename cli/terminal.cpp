#include "cli/terminal.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "cli/commands.h"
#include "cli/progress.h"

#ifdef _WIN32
#  include <io.h>

#  include "platform/win32.h"
#else
#  include <fcntl.h>
#  include <sys/ioctl.h>
#  include <termios.h>
#  include <unistd.h>

#  include <cerrno>
#endif

namespace varkesh::cli {

namespace {

constexpr uint64_t kProgressThreshold = uint64_t{4} << 20;

constexpr const char* kNoTerminal =
    "No terminal to ask for the pass phrase on; give it with --passphrase-env, "
    "--passphrase-file or --passphrase-fd";

// The width of the terminal on standard error, for the progress bar.
size_t StderrColumns() {
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
    return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
#else
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col != 0)
    return size.ws_col;
#endif
  return 80;
}

#ifdef _WIN32

// The console as the prompt found it; a console control handler may put it back.
HANDLE prompt_input = INVALID_HANDLE_VALUE;
DWORD prompt_saved_mode = 0;
volatile LONG prompt_active = 0;

class ConsoleHandle {
 public:
  explicit ConsoleHandle(const wchar_t* name)
      : handle_(CreateFileW(name,
                            GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr,
                            OPEN_EXISTING,
                            0,
                            nullptr)) {}

  ~ConsoleHandle() {
    if (handle_ != INVALID_HANDLE_VALUE)
      CloseHandle(handle_);
  }

  ConsoleHandle(const ConsoleHandle&) = delete;
  ConsoleHandle& operator=(const ConsoleHandle&) = delete;

  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

void WriteConsoleText(HANDLE console, const wchar_t* text) {
  DWORD written = 0;
  WriteConsoleW(console, text, static_cast<DWORD>(wcslen(text)), &written, nullptr);
}

platform::SecretText ReadHiddenLine(const char* prompt) {
  const ConsoleHandle input(L"CONIN$");
  const ConsoleHandle output(L"CONOUT$");
  DWORD mode = 0;
  if (input.get() == INVALID_HANDLE_VALUE || output.get() == INVALID_HANDLE_VALUE ||
      !GetConsoleMode(input.get(), &mode)) {
    throw UsageError(kNoTerminal);
  }
  prompt_input = input.get();
  prompt_saved_mode = mode;
  InterlockedExchange(&prompt_active, 1);
  SetConsoleMode(input.get(), (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) &
                                  ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  const std::wstring wide_prompt(prompt, prompt + std::strlen(prompt));
  WriteConsoleText(output.get(), wide_prompt.c_str());
  platform::SecretText line;
  std::wstring units;
  units.reserve(1024);
  bool ended = false;
  for (;;) {
    wchar_t unit = 0;
    DWORD got = 0;
    if (!ReadConsoleW(input.get(), &unit, 1, &got, nullptr) || got == 0) {
      ended = true;
      break;
    }
    if (unit == L'\r' || unit == L'\n')
      break;
    if (units.size() == units.capacity()) {
      // Grown by hand, so that no copy of what was typed is left in memory given back.
      std::wstring larger;
      larger.reserve(2 * units.capacity());
      larger.assign(units);
      platform::Wipe(units.data(), units.capacity() * sizeof(wchar_t));
      units.swap(larger);
    }
    units.push_back(unit);
  }
  RestoreTerminal();
  WriteConsoleText(output.get(), L"\r\n");
  if (!units.empty()) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()),
                                      nullptr, 0, nullptr, nullptr);
    line.value().resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()),
                        line.value().data(), n, nullptr, nullptr);
  }
  platform::Wipe(units.data(), units.size() * sizeof(wchar_t));
  if (ended && line.value().empty())
    throw Error("No pass phrase given");
  return line;
}

#else

// The terminal as the prompt found it, and the settings it reads with; signal handlers put
// the first back.
int prompt_tty = -1;
termios prompt_saved{};
termios prompt_quiet{};
volatile sig_atomic_t prompt_active = 0;

void WriteAll(int fd, const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = write(fd, text, left);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

// Ctrl-Z at the prompt: the shell gets its terminal back as it was, and the prompt goes on
// without echo once the job continues.
void OnStop(int signal_number) {
  const int saved_errno = errno;
  if (prompt_active != 0)
    tcsetattr(prompt_tty, TCSANOW, &prompt_saved);
  std::signal(signal_number, SIG_DFL);
  raise(signal_number);
  // Continued.
  std::signal(signal_number, OnStop);
  if (prompt_active != 0)
    tcsetattr(prompt_tty, TCSANOW, &prompt_quiet);
  errno = saved_errno;
}

class StopHandlers {
 public:
  StopHandlers() {
    struct sigaction action {};

    action.sa_handler = OnStop;
    action.sa_flags = SA_RESTART | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &saved_[i]);
  }

  ~StopHandlers() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
  }

  StopHandlers(const StopHandlers&) = delete;
  StopHandlers& operator=(const StopHandlers&) = delete;

 private:
  static constexpr int kSignals[3] = {SIGTSTP, SIGTTIN, SIGTTOU};
  struct sigaction saved_[3]{};
};

platform::SecretText ReadHiddenLine(const char* prompt) {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0)
    throw UsageError(kNoTerminal);
  termios saved{};
  if (tcgetattr(tty, &saved) != 0) {
    close(tty);
    throw UsageError(kNoTerminal);
  }
  const StopHandlers stop_handlers;
  prompt_tty = tty;
  prompt_saved = saved;
  prompt_quiet = saved;
  prompt_quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
  prompt_active = 1;
  tcsetattr(tty, TCSAFLUSH, &prompt_quiet);
  WriteAll(tty, prompt);
  platform::SecretText line;
  line.value().reserve(256);
  bool ended = false;
  for (;;) {
    char c = 0;
    const ssize_t n = read(tty, &c, 1);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      ended = true;
      break;
    }
    if (c == '\n' || c == '\r')
      break;
    line.Append(&c, 1);
  }
  RestoreTerminal();
  WriteAll(tty, "\n");
  close(tty);
  if (ended && line.value().empty())
    throw Error("No pass phrase given");
  return line;
}

#endif

}  // namespace

platform::SecretText PromptHidden(const char* prompt) { return ReadHiddenLine(prompt); }

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

void RestoreTerminal() noexcept {
#ifdef _WIN32
  if (InterlockedExchange(&prompt_active, 0) != 0)
    SetConsoleMode(prompt_input, prompt_saved_mode);
#else
  if (prompt_active != 0) {
    prompt_active = 0;
    tcsetattr(prompt_tty, TCSAFLUSH, &prompt_saved);
  }
#endif
}

ProgressReader::ProgressReader(ByteReader& source, uint64_t size, std::string label)
    : source_(source),
      size_(size),
      label_(std::move(label)),
      active_(size >= kProgressThreshold && StderrIsTerminal()),
      start_(std::chrono::steady_clock::now()) {}

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
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  std::string line = ProgressLine(label_, done_, size_, elapsed.count(), StderrColumns());
  const size_t columns = Columns(line);
  if (columns < drawn_)
    line.append(drawn_ - columns, ' ');  // over what a longer line left
  drawn_ = columns;
  std::fprintf(stderr, "\r%s", line.c_str());
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

// What the integration suites need to run on Linux and, under Wine, on Windows: the system's
// own error texts, a file held open by someone else, and a process id for scratch folders.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#  include "platform/win32.h"
#else
#  include <fcntl.h>
#  include <sys/file.h>
#  include <unistd.h>

#  include <cerrno>
#  include <cstring>
#endif

namespace varkesh::test {

enum class SystemError { kFileNotFound, kPathNotFound, kIsDirectory, kInUse };

// The text the system gives for the failure, as the plug-in's file errors quote it.
inline std::string SystemText(SystemError error) {
#ifdef _WIN32
  DWORD code = 0;
  switch (error) {
    case SystemError::kFileNotFound:
      code = ERROR_FILE_NOT_FOUND;
      break;
    case SystemError::kPathNotFound:
      code = ERROR_PATH_NOT_FOUND;
      break;
    case SystemError::kIsDirectory:
      code = ERROR_ACCESS_DENIED;
      break;
    case SystemError::kInUse:
      code = ERROR_SHARING_VIOLATION;
      break;
  }
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message(text, n);
  LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
#else
  switch (error) {
    case SystemError::kFileNotFound:
    case SystemError::kPathNotFound:
      return std::strerror(ENOENT);
    case SystemError::kIsDirectory:
      return std::strerror(EISDIR);
    case SystemError::kInUse:
      return "The file is being used by another process.";
  }
  return {};
#endif
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

inline unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// Keeps a file open the way another program would that shares it with nobody.
class HeldOpen {
 public:
  explicit HeldOpen(const std::string& path) {
#ifdef _WIN32
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ok_ = handle_ != INVALID_HANDLE_VALUE;
#else
    fd_ = open(path.c_str(), O_RDONLY);
    ok_ = fd_ >= 0 && flock(fd_, LOCK_EX) == 0;
#endif
  }

  ~HeldOpen() {
#ifdef _WIN32
    if (handle_ != INVALID_HANDLE_VALUE)
      CloseHandle(handle_);
#else
    if (fd_ >= 0)
      close(fd_);
#endif
  }

  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
};

}  // namespace varkesh::test

#include "platform/files.h"

#include <string>

#ifdef _WIN32
#  include "platform/win32.h"
#else
#  include <fcntl.h>
#  include <sys/file.h>
#  include <sys/stat.h>
#  include <unistd.h>

#  include <cerrno>
#  include <climits>
#  include <cstdlib>
#  include <cstring>
#  include <filesystem>
#endif

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

}  // namespace

FileError::FileError(FileAction action, const std::string& path, const std::string& reason)
    : std::runtime_error(std::string("Cannot ") + Verb(action) + " file \"" + FullPath(path) +
                         "\". " + reason) {}

#ifdef _WIN32

std::string SystemMessage(unsigned long code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n != 0 ? std::string(text, n) : "Error " + std::to_string(code);
  LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\r' || message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

bool IsExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 4];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
  return n != 0 && n < sizeof(buffer) ? std::string(buffer, n) : path;
}

ExclusiveFile ExclusiveFile::OpenSource(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw FileError(FileAction::kOpen, path, SystemMessage(GetLastError()));
  return ExclusiveFile(h, path);
}

ExclusiveFile ExclusiveFile::CreateDestination(const std::string& path, const ExclusiveFile&) {
  // Share mode 0 on the source already makes this fail when both name the same file.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw FileError(FileAction::kCreate, path, SystemMessage(GetLastError()));
  return ExclusiveFile(h, path);
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = INVALID_HANDLE_VALUE;
}

ExclusiveFile::~ExclusiveFile() {
  if (handle_ != INVALID_HANDLE_VALUE)
    CloseHandle(handle_);
}

uint64_t ExclusiveFile::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_, &size))
    throw FileError(FileAction::kOpen, path_, SystemMessage(GetLastError()));
  return static_cast<uint64_t>(size.QuadPart);
}

size_t ExclusiveFile::Read(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD got = 0;
    if (!ReadFile(handle_, buffer + done, static_cast<DWORD>(count - done), &got, nullptr)) {
      throw FileError(FileAction::kRead, path_, SystemMessage(GetLastError()));
    }
    if (got == 0)
      break;
    done += got;
  }
  return done;
}

void ExclusiveFile::Write(const uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD put = 0;
    if (!WriteFile(handle_, buffer + done, static_cast<DWORD>(count - done), &put, nullptr)) {
      throw FileError(FileAction::kWrite, path_, SystemMessage(GetLastError()));
    }
    done += put;
  }
}

#else

namespace {

// Another holder of the lock, or the source itself as destination: the situation Windows
// reports as a sharing violation.
constexpr const char* kInUse = "The file is being used by another process.";

}  // namespace

std::string SystemMessage(unsigned long code) { return std::strerror(static_cast<int>(code)); }

bool IsExistingFile(const std::string& path) {
  struct stat info {};

  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const auto full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

ExclusiveFile ExclusiveFile::OpenSource(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw FileError(FileAction::kOpen, path, std::strerror(errno));
  ExclusiveFile file(fd, path);

  struct stat info {};

  if (fstat(fd, &info) != 0)
    throw FileError(FileAction::kOpen, path, std::strerror(errno));
  if (S_ISDIR(info.st_mode))
    throw FileError(FileAction::kOpen, path, std::strerror(EISDIR));
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    throw FileError(FileAction::kOpen, path, errno == EWOULDBLOCK ? kInUse : std::strerror(errno));
  }
  return file;
}

ExclusiveFile ExclusiveFile::CreateDestination(const std::string& path,
                                               const ExclusiveFile& source) {
  struct stat source_info {
  }, target_info{};

  if (fstat(source.handle_, &source_info) == 0 && stat(path.c_str(), &target_info) == 0 &&
      source_info.st_dev == target_info.st_dev && source_info.st_ino == target_info.st_ino) {
    throw FileError(FileAction::kCreate, path, kInUse);
  }
  // Lock before emptying, so that a file in use elsewhere keeps its contents.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0)
    throw FileError(FileAction::kCreate, path, std::strerror(errno));
  ExclusiveFile file(fd, path);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    throw FileError(FileAction::kCreate, path,
                    errno == EWOULDBLOCK ? kInUse : std::strerror(errno));
  }
  if (ftruncate(fd, 0) != 0)
    throw FileError(FileAction::kCreate, path, std::strerror(errno));
  return file;
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = -1;
}

ExclusiveFile::~ExclusiveFile() {
  if (handle_ >= 0)
    close(handle_);
}

uint64_t ExclusiveFile::Size() const {
  struct stat info {};

  if (fstat(handle_, &info) != 0)
    throw FileError(FileAction::kOpen, path_, std::strerror(errno));
  return static_cast<uint64_t>(info.st_size);
}

size_t ExclusiveFile::Read(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(handle_, buffer + done, count - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      throw FileError(FileAction::kRead, path_, std::strerror(errno));
    if (got == 0)
      break;
    done += static_cast<size_t>(got);
  }
  return done;
}

void ExclusiveFile::Write(const uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t put = write(handle_, buffer + done, count - done);
    if (put < 0 && errno == EINTR)
      continue;
    if (put < 0)
      throw FileError(FileAction::kWrite, path_, std::strerror(errno));
    done += static_cast<size_t>(put);
  }
}

#endif

}  // namespace varkesh::platform

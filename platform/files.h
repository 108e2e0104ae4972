// Files as the actions open them: the source for reading and the destination for reading and
// writing, each shared with nobody while the action runs (Windows: share mode 0; elsewhere an
// exclusive advisory lock, and a destination that is the source itself is refused). Failures
// carry the texts users see: Cannot open file "<full path>". <system message>, and the same
// with "Cannot create file".
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace varkesh::platform {

// The four things that can go wrong with a file, as users read them.
enum class FileAction { kOpen, kCreate, kRead, kWrite };

// "Cannot <open|create|read|write> file "<full path>". <reason>": the one place these texts are
// built.
class FileError : public std::runtime_error {
 public:
  FileError(FileAction action, const std::string& path, const std::string& reason);
};

// The system's message for an error number (errno, or GetLastError on Windows).
std::string SystemMessage(unsigned long code);

// True when the path names an existing file; a directory does not count.
bool IsExistingFile(const std::string& path);

std::string FullPath(const std::string& path);

class ExclusiveFile final {
 public:
  static ExclusiveFile OpenSource(const std::string& path);
  // Creates the file, or empties an existing one. `source` is the file the action reads.
  static ExclusiveFile CreateDestination(const std::string& path, const ExclusiveFile& source);

  ExclusiveFile(ExclusiveFile&& other) noexcept;
  ExclusiveFile& operator=(ExclusiveFile&&) = delete;
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  ~ExclusiveFile();

  uint64_t Size() const;
  // Fills the buffer unless the file ends first; returns the count read.
  size_t Read(uint8_t* buffer, size_t count);
  void Write(const uint8_t* buffer, size_t count);

 private:
#ifdef _WIN32
  using Handle = void*;
#else
  using Handle = int;
#endif
  ExclusiveFile(Handle handle, std::string path) : handle_(handle), path_(std::move(path)) {}

  Handle handle_;
  std::string path_;
};

}  // namespace varkesh::platform

#include "varkesh/io.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace varkesh {

namespace {

// The path in full, so that the message says which file even when the program changed folder.
std::string FullPath(const std::string& path) {
  std::error_code ec;
  const auto full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

Error FileError(const char* action, const std::string& path, int error_number) {
  return Error("Cannot " + std::string(action) + " file \"" + FullPath(path) + "\". " +
               std::strerror(error_number));
}

}  // namespace

FileReader::FileReader(const std::string& path)
    : file_(path == "-" ? stdin : std::fopen(path.c_str(), "rb")),
      owned_(path != "-"),
      path_(path) {
  if (file_ == nullptr)
    throw FileError("open", path, errno);

  struct stat info {};

  if (owned_ && fstat(fileno(file_), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file_);
    throw FileError("open", path, EISDIR);
  }
}

FileReader::~FileReader() {
  if (owned_)
    std::fclose(file_);
}

size_t FileReader::Read(uint8_t* buffer, size_t count) {
  size_t got = 0;
  while (got < count) {
    const size_t n = std::fread(buffer + got, 1, count - got, file_);
    if (n == 0) {
      if (std::ferror(file_))
        throw FileError("read", path_, errno);
      break;
    }
    got += n;
  }
  return got;
}

std::optional<uint64_t> FileReader::Size() const {
  struct stat info {};

  if (fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

FileWriter::FileWriter(const std::string& path)
    : file_(path == "-" ? stdout : std::fopen(path.c_str(), "wb")),
      owned_(path != "-"),
      path_(path) {
  if (file_ == nullptr)
    throw FileError("create", path, errno);
}

FileWriter::~FileWriter() {
  if (owned_ && file_ != nullptr)
    std::fclose(file_);
}

void FileWriter::Write(const uint8_t* buffer, size_t count) {
  if (count != 0 && std::fwrite(buffer, 1, count, file_) != count)
    throw FileError("write", path_, errno);
}

void FileWriter::Close() {
  if (file_ == nullptr)
    return;
  bool failed = std::fflush(file_) != 0;
  int error_number = errno;
  if (owned_) {
    if (std::fclose(file_) != 0 && !failed) {
      failed = true;
      error_number = errno;
    }
    file_ = nullptr;
  }
  if (failed)
    throw FileError("write", path_, error_number);
}

size_t MemoryReader::Read(uint8_t* buffer, size_t count) {
  const size_t n = std::min(count, bytes_.size());
  std::copy_n(bytes_.data(), n, buffer);
  bytes_ = bytes_.subspan(n);
  return n;
}

void StringWriter::Write(const uint8_t* buffer, size_t count) {
  bytes_.append(reinterpret_cast<const char*>(buffer), count);
}

}  // namespace varkesh

#include "cli/file_streams.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace varkesh::cli {

namespace {

Error FileError(const char* what, const std::string& path, int error_number) {
  return Error(std::string(what) + " \"" + platform::FullPath(path) + "\". " +
               std::strerror(error_number));
}

}  // namespace

FileReader::FileReader(const std::string& path)
    : file_(path == "-" ? stdin : std::fopen(path.c_str(), "rb")),
      owned_(path != "-"),
      path_(path) {
  if (file_ == nullptr)
    throw FileError("Cannot open file", path, errno);

  struct stat info {};

  if (owned_ && fstat(fileno(file_), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file_);
    throw FileError("Cannot open file", path, EISDIR);
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
      if (std::ferror(file_)) {
        throw Error("Cannot read file \"" + platform::FullPath(path_) + "\". " +
                    std::strerror(errno));
      }
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
    throw FileError("Cannot create file", path, errno);
}

FileWriter::~FileWriter() {
  if (owned_ && file_ != nullptr)
    std::fclose(file_);
}

void FileWriter::Write(const uint8_t* buffer, size_t count) {
  if (count != 0 && std::fwrite(buffer, 1, count, file_) != count) {
    throw Error("Cannot write file \"" + platform::FullPath(path_) + "\". " + std::strerror(errno));
  }
}

void FileWriter::Close() {
  const bool failed = std::fflush(file_) != 0;
  const int error_number = errno;
  if (owned_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (failed) {
    throw Error("Cannot write file \"" + platform::FullPath(path_) + "\". " +
                std::strerror(error_number));
  }
}

}  // namespace varkesh::cli

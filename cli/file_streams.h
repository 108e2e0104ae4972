// Files and standard streams as the framework's byte streams, with the error texts that users
// see ("Cannot open file "<full path>". <reason>").
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "crypto/framework.h"

namespace varkesh::cli {

class FileReader final : public ByteReader {
 public:
  // "-" is standard input. Throws Error "Cannot open file ..." when it cannot be opened.
  explicit FileReader(const std::string& path);
  ~FileReader() override;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  size_t Read(uint8_t* buffer, size_t count) override;
  // The size of a regular file; none for pipes and terminals.
  std::optional<uint64_t> Size() const;

 private:
  std::FILE* file_;
  bool owned_;
  std::string path_;
};

class FileWriter final : public ByteWriter {
 public:
  // "-" is standard output. Throws Error "Cannot create file ..." when it cannot be created.
  explicit FileWriter(const std::string& path);
  ~FileWriter() override;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void Write(const uint8_t* buffer, size_t count) override;
  void Close();  // flushes; throws on a failed write

 private:
  std::FILE* file_;
  bool owned_;
  std::string path_;
};

}  // namespace varkesh::cli

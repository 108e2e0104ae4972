// Files, standard streams and memory as the framework's byte streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "varkesh/export.h"
#include "varkesh/framework.h"

namespace varkesh {

/// Reads a file, or standard input for "-". Errors are Error "Cannot open file "<path>".
/// <reason>" and "Cannot read file ...".
class VARKESH_API FileReader final : public ByteReader {
 public:
  explicit FileReader(const std::string& path);
  ~FileReader() override;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  /// Fills the buffer unless the input ends first.
  size_t Read(uint8_t* buffer, size_t count) override;
  /// The size the system reports for a regular file; none for pipes and devices.
  std::optional<uint64_t> Size() const;

 private:
  std::FILE* file_;
  bool owned_;
  std::string path_;
};

/// Creates a file or empties an existing one ("-": standard output). Call Close to learn that
/// everything reached the file; errors are Error "Cannot create file ..." and "Cannot write
/// file ...".
class VARKESH_API FileWriter final : public ByteWriter {
 public:
  explicit FileWriter(const std::string& path);
  ~FileWriter() override;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void Write(const uint8_t* buffer, size_t count) override;
  void Close();

 private:
  std::FILE* file_;
  bool owned_;
  std::string path_;
};

class VARKESH_API MemoryReader final : public ByteReader {
 public:
  explicit MemoryReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  explicit MemoryReader(std::string_view bytes)
      : bytes_(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

  size_t Read(uint8_t* buffer, size_t count) override;

 private:
  std::span<const uint8_t> bytes_;
};

class VARKESH_API StringWriter final : public ByteWriter {
 public:
  void Write(const uint8_t* buffer, size_t count) override;

  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace varkesh

// In-memory byte streams for the stream operations' tests: a reader that hands out at most
// `max_read` bytes per read and counts its reads, and a writer that keeps what it gets.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "varkesh/framework.h"

namespace varkesh::test {

class MemoryReader final : public ByteReader {
 public:
  explicit MemoryReader(std::vector<uint8_t> data,
                        size_t max_read = std::numeric_limits<size_t>::max())
      : data_(std::move(data)), max_read_(max_read) {}

  MemoryReader(std::string_view text, size_t max_read)
      : MemoryReader(std::vector<uint8_t>(text.begin(), text.end()), max_read) {}

  size_t Read(uint8_t* buffer, size_t count) override {
    ++reads;
    const size_t n = std::min({count, max_read_, data_.size() - pos_});
    std::copy_n(data_.data() + pos_, n, buffer);
    pos_ += n;
    return n;
  }

  int reads = 0;

 private:
  std::vector<uint8_t> data_;
  size_t max_read_;
  size_t pos_ = 0;
};

class MemoryWriter final : public ByteWriter {
 public:
  void Write(const uint8_t* buffer, size_t count) override {
    ++writes;
    data.insert(data.end(), buffer, buffer + count);
  }

  std::vector<uint8_t> data;
  int writes = 0;
};

}  // namespace varkesh::test

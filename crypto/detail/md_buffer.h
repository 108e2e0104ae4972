// The block buffering that every hash of this library shares: bytes wait in one block until it
// is full; whole blocks in the caller's data are compressed straight from it. Pad() begins the
// last block; MdHashCore (md_hash.h) fills in the length field after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "crypto/detail/bytes.h"

namespace varkesh::detail {

template <size_t kBlock>
class BlockBuffer {
 public:
  // compress(const uint8_t* blocks, size_t count) runs the compression function over `count`
  // consecutive blocks.
  template <class Compress>
  void Absorb(const uint8_t* data, size_t size, Compress&& compress) {
    if (size == 0)
      return;  // data may be null then, and memcpy must not see a null pointer even for 0 bytes
    if (fill_ != 0) {
      const size_t take = size < kBlock - fill_ ? size : kBlock - fill_;
      std::memcpy(block_.data() + fill_, data, take);
      fill_ += take, data += take, size -= take;
      if (fill_ < kBlock)
        return;
      compress(block_.data(), size_t{1});
      fill_ = 0;
    }
    if (const size_t blocks = size / kBlock; blocks != 0) {
      compress(data, blocks);
      data += blocks * kBlock, size -= blocks * kBlock;
    }
    std::memcpy(block_.data(), data, size);
    fill_ = size;
  }

  // Appends `pad_byte`, zero-fills, and compresses one extra block when fewer than
  // `length_bytes` remain. Afterwards the block is ready for the length in its last
  // `length_bytes` bytes (block_data() + kBlock - length_bytes).
  template <class Compress>
  void Pad(uint8_t pad_byte, size_t length_bytes, Compress&& compress) {
    block_[fill_] = pad_byte;
    std::memset(block_.data() + fill_ + 1, 0, kBlock - fill_ - 1);
    if (fill_ + 1 > kBlock - length_bytes) {
      compress(block_.data(), size_t{1});
      std::memset(block_.data(), 0, kBlock);
    }
    fill_ = 0;
  }

  uint8_t* block_data() { return block_.data(); }

  size_t fill() const { return fill_; }

  void Wipe() {
    SecureWipe(block_.data(), kBlock);
    fill_ = 0;
  }

 private:
  std::array<uint8_t, kBlock> block_{};
  size_t fill_ = 0;
};

}  // namespace varkesh::detail

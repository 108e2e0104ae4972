// MD5 (RFC 1321): 128-bit digest, 64-byte blocks, little-endian words.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/detail/md_hash.h"
#include "crypto/tables/ripemd.h"

namespace varkesh {

class Md5 final : public detail::MdHash<Md5,
                                        ids::kMd5,
                                        std::array<uint32_t, 4>,
                                        detail::MdFormat{.order = detail::ByteOrder::kLittle}> {
 public:
  static bool KnownAnswerTest();

 private:
  friend MdHashCore;

  static constexpr auto& kInitialState = tables::MD_IV;

  void Compress(const uint8_t* blocks, size_t count);
};

}  // namespace varkesh

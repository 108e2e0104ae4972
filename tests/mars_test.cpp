// What the MARS vectors cannot show: the fix-up mask of the multiplication keys, and the refusal
// of keys too short to hold one whole word.
#include "crypto/mars.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

namespace varkesh {
namespace {

// The mask straight from its definition, one bit at a time.
uint32_t MaskByDefinition(uint32_t w) {
  const auto bit = [w](int l) { return l < 32 ? (w >> l) & 1 : 0u; };
  uint32_t mask = 0;
  for (int l = 2; l < 32; ++l) {
    int low = l, high = l;
    while (low > 0 && bit(low - 1) == bit(l)) --low;
    while (high < 31 && bit(high + 1) == bit(l)) ++high;
    if (high - low + 1 >= 10 && bit(l - 1) == bit(l) && bit(l + 1) == bit(l))
      mask |= uint32_t{1} << l;
  }
  return mask;
}

TEST(MarsFixupMask, Examples) {
  struct Example {
    uint32_t w, mask;
  };

  const Example examples[] = {
      {0x000003FF, 0xFFFFF9FC},  // ten ones at the bottom: bits 2-8 and 11-31
      {0x33333333, 0},           // no run of ten
      {0x000001FF, 0xFFFFFC00},  // nine ones are too few; the zeros above reach bit 31
      {0x00000000, 0xFFFFFFFC}, {0xFFFFFFFF, 0x7FFFFFFC},  // bit 31 differs from the zero above it
      {0x000FFC03, 0xFFE7F800},                            // ones at 10-19, zeros on both sides
      {0xFFC00003, 0x7F9FFFF8},  // ones at 22-31 (bit 31 excluded) and zeros at 2-21
  };
  for (const Example& e : examples) {
    EXPECT_EQ(detail::MarsFixupMask(e.w), e.mask) << std::hex << e.w;
    EXPECT_EQ(MaskByDefinition(e.w), e.mask) << std::hex << e.w;
  }
}

TEST(MarsFixupMask, AgreesWithDefinitionOnRandomRuns) {
  // Words made of random runs of 1 to 16 equal bits, so that long runs are common.
  std::mt19937 random(1998);
  for (int i = 0; i < 20000; ++i) {
    uint32_t w = 0;
    unsigned value = random() & 1;
    for (int at = 0; at < 32; value ^= 1) {
      const int length = static_cast<int>(random() % 16) + 1;
      for (int j = 0; j < length && at < 32; ++j, ++at) w |= uint32_t{value} << at;
    }
    ASSERT_EQ(detail::MarsFixupMask(w), MaskByDefinition(w)) << std::hex << w;
  }
}

TEST(Mars, KeysWithoutAWholeWordAreRefused) {
  const std::array<uint8_t, 4> key = {1, 2, 3, 4};
  const std::array<uint8_t, 16> block{};
  std::array<uint8_t, 16> out{};
  Mars mars;
  for (const uint32_t bits : {8u, 12u, 16u, 24u, 28u}) {
    mars.Init(key.data(), 32);
    try {
      mars.Init(key.data(), bits);
      ADD_FAILURE() << bits << "-bit key accepted";
    } catch (const BlockCipherError& e) {
      EXPECT_EQ(std::string(e.what()), kInvalidKeySize);
    }
    EXPECT_FALSE(mars.Initialized()) << bits;
    EXPECT_THROW(mars.EncryptBlock(block.data(), out.data()), BlockCipherError) << bits;
  }
  mars.Init(key.data(), 32);
  EXPECT_NO_THROW(mars.EncryptBlock(block.data(), out.data()));
}

}  // namespace
}  // namespace varkesh

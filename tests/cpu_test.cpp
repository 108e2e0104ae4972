// The CPU-feature choice: reading VARKESH_CPU, what depends on what, and the kernel tiers.
#include "crypto/detail/cpu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace varkesh::detail {
namespace {

constexpr CpuFeatures kEverything = (1u << 14) - 1;

TEST(CpuFeatures, ReadsTheOverride) {
  const struct {
    const char* spec;
    std::optional<CpuFeatures> expected;
  } cases[] = {
      {"", kEverything},
      {"native", kEverything},
      {"portable", 0},
      {" none ", 0},
      {"-avx512f", kEverything & ~kCpuAvx512},
      // Without AVX there is no AVX2, AVX-512 or VAES either.
      {"no-avx", kCpuSse2 | kCpuSsse3 | kCpuSse41 | kCpuBmi2 | kCpuAes | kCpuPclmul | kCpuSha},
      {"-avx512, -sha", kEverything & ~(kCpuAvx512 | kCpuSha)},
      {"sse2,ssse3,sse4.1,aes", kCpuSse2 | kCpuSsse3 | kCpuSse41 | kCpuAes},
      // A feature without what it builds on is dropped.
      {"aes", 0},
      {"avx2", 0},
      {"-sse9", std::nullopt},
      {"aes,-sha", std::nullopt},
      {"portible", std::nullopt},
  };

  for (const auto& c : cases) {
    EXPECT_EQ(ParseCpuFeatures(c.spec, kEverything), c.expected) << '"' << c.spec << '"';
  }
  // Nothing beyond what the processor has.
  EXPECT_EQ(ParseCpuFeatures("sse2,ssse3,avx", kCpuSse2), kCpuSse2);
}

TEST(CpuFeatures, NamesEveryFeature) {
  EXPECT_EQ(CpuFeatureNames(0), "");
  EXPECT_EQ(CpuFeatureNames(kCpuSse2 | kCpuVaes), "sse2,vaes");
  EXPECT_EQ(ParseCpuFeatures(CpuFeatureNames(kEverything), kEverything), kEverything);
}

TEST(CpuFeatures, TiersRiseFromPortableToEverythingDetected) {
  const auto paths = CpuPaths();
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.front().features, 0u);
  EXPECT_EQ(paths.back().features, AvailableCpuFeatures());
  for (size_t i = 1; i < paths.size(); ++i) {
    EXPECT_EQ(paths[i].features & paths[i - 1].features, paths[i - 1].features);
    EXPECT_NE(paths[i].features, paths[i - 1].features);
  }
}

TEST(CpuFeatures, ScopedChoiceStaysWithinWhatIsAvailableAndIsUndone) {
  const CpuFeatures before = ActiveCpuFeatures();
  {
    const ScopedCpuFeatures use(kEverything);
    EXPECT_EQ(ActiveCpuFeatures(), AvailableCpuFeatures());
    {
      const ScopedCpuFeatures portable(0);
      EXPECT_EQ(ActiveCpuFeatures(), 0u);
      EXPECT_FALSE(CpuHas(kCpuSse2));
      EXPECT_TRUE(CpuHas(0));
    }
    EXPECT_EQ(ActiveCpuFeatures(), AvailableCpuFeatures());
  }
  EXPECT_EQ(ActiveCpuFeatures(), before);
}

// CI runs this suite once more with VARKESH_CPU=portable (see tests/CMakeLists.txt).
TEST(CpuFeatures, TheEnvironmentNarrowsTheProcess) {
  const char* spec = std::getenv("VARKESH_CPU");
  const CpuFeatures expected = spec == nullptr
                                   ? DetectedCpuFeatures()
                                   : ParseCpuFeatures(spec, DetectedCpuFeatures()).value_or(0);
  EXPECT_EQ(AvailableCpuFeatures(), expected);
  EXPECT_EQ(ActiveCpuFeatures(), expected);
  if (spec != nullptr && std::string(spec) == "portable") {
    EXPECT_EQ(CpuPaths().size(), 1u);
  }
}

}  // namespace
}  // namespace varkesh::detail

#include "crypto/detail/cpu.h"

#include <array>
#include <cstdlib>

#if VARKESH_X86
#  include <cpuid.h>
#endif

namespace varkesh::detail {

namespace cpu_internal {
std::atomic<CpuFeatures> active{kUnset};
}  // namespace cpu_internal

namespace {

struct FeatureInfo {
  CpuFeature feature;
  std::string_view name;
  CpuFeatures requires_features;
};

// Each feature with what it builds on; the order is the order of CpuFeatureNames.
constexpr std::array<FeatureInfo, 14> kFeatures{{
    {kCpuSse2, "sse2", 0},
    {kCpuSsse3, "ssse3", kCpuSse2},
    {kCpuSse41, "sse4.1", kCpuSsse3},
    {kCpuAvx, "avx", kCpuSse41},
    {kCpuAvx2, "avx2", kCpuAvx},
    {kCpuBmi2, "bmi2", 0},
    {kCpuAes, "aes", kCpuSse2},
    {kCpuPclmul, "pclmul", kCpuSse2},
    {kCpuSha, "sha", kCpuSse41},
    {kCpuAvx512f, "avx512f", kCpuAvx2},
    {kCpuAvx512bw, "avx512bw", kCpuAvx512f},
    {kCpuAvx512vl, "avx512vl", kCpuAvx512f},
    {kCpuVaes, "vaes", kCpuAvx2 | kCpuAes},
    {kCpuVpclmul, "vpclmulqdq", kCpuAvx2 | kCpuPclmul},
}};

#if VARKESH_X86

uint64_t ExtendedControlRegister() {
  uint32_t eax = 0, edx = 0;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return uint64_t{edx} << 32 | eax;
}

CpuFeatures Detect() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0)
    return 0;
  CpuFeatures f = 0;
  const auto set = [&f](bool present, CpuFeature feature) {
    if (present)
      f |= feature;
  };
  set((d & bit_SSE2) != 0, kCpuSse2);
  set((c & bit_SSSE3) != 0, kCpuSsse3);
  set((c & bit_SSE4_1) != 0, kCpuSse41);
  set((c & bit_AES) != 0, kCpuAes);
  set((c & bit_PCLMUL) != 0, kCpuPclmul);
  // The vector registers beyond 128 bits are usable only when the system saves them.
  const bool os_saves = (c & bit_OSXSAVE) != 0;
  const uint64_t xcr0 = os_saves ? ExtendedControlRegister() : 0;
  const bool ymm = (xcr0 & 0x6) == 0x6;
  const bool zmm = ymm && (xcr0 & 0xE0) == 0xE0;
  set(ymm && (c & bit_AVX) != 0, kCpuAvx);
  unsigned max_leaf = __get_cpuid_max(0, nullptr);
  if (max_leaf >= 7) {
    __cpuid_count(7, 0, a, b, c, d);
    set(ymm && (b & bit_AVX2) != 0, kCpuAvx2);
    set((b & bit_BMI2) != 0, kCpuBmi2);
    set((b & bit_SHA) != 0, kCpuSha);
    set(zmm && (b & bit_AVX512F) != 0, kCpuAvx512f);
    set(zmm && (b & bit_AVX512BW) != 0, kCpuAvx512bw);
    set(zmm && (b & bit_AVX512VL) != 0, kCpuAvx512vl);
    set(ymm && (c & bit_VAES) != 0, kCpuVaes);
    set(ymm && (c & bit_VPCLMULQDQ) != 0, kCpuVpclmul);
  }
  return CloseCpuFeatures(f);
}

#else

CpuFeatures Detect() { return 0; }

#endif

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<CpuFeatures> FeatureByName(std::string_view name) {
  if (name == "avx512")
    return kCpuAvx512;
  for (const FeatureInfo& info : kFeatures) {
    if (info.name == name)
      return info.feature;
  }
  return std::nullopt;
}

}  // namespace

CpuFeatures CloseCpuFeatures(CpuFeatures features) {
  for (bool changed = true; changed;) {
    changed = false;
    for (const FeatureInfo& info : kFeatures) {
      if ((features & info.feature) != 0 &&
          (features & info.requires_features) != info.requires_features) {
        features &= ~static_cast<CpuFeatures>(info.feature);
        changed = true;
      }
    }
  }
  return features;
}

CpuFeatures DetectedCpuFeatures() {
  static const CpuFeatures detected = Detect();
  return detected;
}

std::optional<CpuFeatures> ParseCpuFeatures(std::string_view list, CpuFeatures base) {
  list = Trim(list);
  if (list.empty() || list == "all" || list == "native")
    return base;
  if (list == "portable" || list == "none")
    return 0;
  // Removals start from what was detected, plain names from nothing; the two do not mix.
  std::optional<bool> removing;
  CpuFeatures result = 0;
  while (!list.empty()) {
    const size_t end = list.find(',');
    std::string_view token = Trim(list.substr(0, end));
    list = end == std::string_view::npos ? std::string_view{} : list.substr(end + 1);
    bool remove = false;
    if (token.starts_with("-")) {
      token.remove_prefix(1), remove = true;
    } else if (token.starts_with("no-")) {
      token.remove_prefix(3), remove = true;
    }
    const std::optional<CpuFeatures> feature = FeatureByName(token);
    if (!feature || (removing && *removing != remove))
      return std::nullopt;
    if (!removing) {
      removing = remove;
      result = remove ? base : 0;
    }
    result = remove ? result & ~*feature : result | *feature;
  }
  return CloseCpuFeatures(result & base);
}

std::string CpuFeatureNames(CpuFeatures features) {
  std::string names;
  for (const FeatureInfo& info : kFeatures) {
    if ((features & info.feature) != 0) {
      if (!names.empty())
        names += ',';
      names += info.name;
    }
  }
  return names;
}

CpuFeatures AvailableCpuFeatures() {
  static const CpuFeatures available = [] {
    const CpuFeatures detected = DetectedCpuFeatures();
    const char* list = std::getenv("VARKESH_CPU");
    return list == nullptr ? detected : ParseCpuFeatures(list, detected).value_or(0);
  }();
  return available;
}

CpuFeatures cpu_internal::InitializeActive() {
  const CpuFeatures chosen = AvailableCpuFeatures();
  CpuFeatures expected = kUnset;
  // Whoever comes first decides; a SetCpuFeatures in between wins.
  if (!active.compare_exchange_strong(expected, chosen, std::memory_order_relaxed))
    return expected;
  return chosen;
}

CpuFeatures SetCpuFeatures(CpuFeatures features) {
  const CpuFeatures previous = ActiveCpuFeatures();
  cpu_internal::active.store(CloseCpuFeatures(features & AvailableCpuFeatures()),
                             std::memory_order_relaxed);
  return previous;
}

std::vector<CpuPath> CpuPaths() {
  // Each tier adds the features its kernels use to the tier below it.
  const struct {
    std::string_view name;
    CpuFeatures adds;
  } tiers[] = {
      {"portable", 0},
      {"sse4.1", kCpuSse2 | kCpuSsse3 | kCpuSse41},
      {"aes-sha", kCpuAes | kCpuPclmul | kCpuSha},
      {"avx2", kCpuAvx | kCpuAvx2 | kCpuBmi2},
      {"vaes", kCpuVaes | kCpuVpclmul},  // 256-bit vector AES, as on processors without AVX-512
      {"avx512", kCpuAvx512},
  };

  std::vector<CpuPath> paths;
  CpuFeatures wanted = 0;
  for (const auto& tier : tiers) {
    wanted |= tier.adds;
    const CpuFeatures features = CloseCpuFeatures(wanted & AvailableCpuFeatures());
    if (paths.empty() || paths.back().features != features)
      paths.push_back({std::string(tier.name), features});
  }
  return paths;
}

}  // namespace varkesh::detail

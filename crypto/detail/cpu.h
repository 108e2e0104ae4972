// The one place that knows which instruction-set extensions the processor offers and which of
// them the kernels may use. Kernels for an extension live in files of their own, named after the
// unit and the extension (rijndael_aesni.cpp, sha256_shani.cpp, ...); the unit's block or
// compression function asks CpuHas() on each call and falls back to its portable code, which
// every path must match bit for bit.
//
// The environment variable VARKESH_CPU narrows the choice for the whole process, for tests and
// for measurements: "portable" (or "none") uses no extension at all; a list such as
// "-avx512f,-vaes" drops features from what was detected; a list of plain names such as
// "sse4.1,aes" allows only those. A value that cannot be read selects the portable code, which
// is always correct. Dropping a feature also drops those that build on it (no AVX means no AVX2,
// no AVX-512 and no VAES).
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#  define VARKESH_X86 1
#else
#  define VARKESH_X86 0
#endif

// Attributes of kernel functions. VARKESH_REALIGN_STACK marks a function that the portable code
// calls: on 32-bit x86 it realigns the stack, because the host application calls the plug-in with
// the stack only 4-byte aligned and vector locals need 16 or more. VARKESH_KERNEL adds the
// target extensions (for a kernel file whose functions are not all between VARKESH_TARGET_BEGIN
// and END); VARKESH_KERNEL_INLINE marks the helpers inlined into kernels.
#if VARKESH_X86 && defined(__i386__)
#  define VARKESH_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#  define VARKESH_REALIGN_STACK
#endif
#if VARKESH_X86
#  define VARKESH_KERNEL(features) __attribute__((target(features))) VARKESH_REALIGN_STACK
#  define VARKESH_KERNEL_INLINE(features) __attribute__((target(features), always_inline)) inline
#endif

// VARKESH_TARGET_BEGIN("avx2") ... VARKESH_TARGET_END compiles every function defined between
// them for the extension: for kernel files whose templates and helpers are too many to mark one by
// one. The headers those functions come from are included after the BEGIN.
#if VARKESH_X86
#  define VARKESH_PRAGMA(...) _Pragma(#  __VA_ARGS__)
#  if defined(__clang__)
#    define VARKESH_TARGET_BEGIN(features) \
      VARKESH_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#    define VARKESH_TARGET_END VARKESH_PRAGMA(clang attribute pop)
#  else
#    define VARKESH_TARGET_BEGIN(features) \
      VARKESH_PRAGMA(GCC push_options) VARKESH_PRAGMA(GCC target(features))
#    define VARKESH_TARGET_END VARKESH_PRAGMA(GCC pop_options)
#  endif
#endif

namespace varkesh::detail {

using CpuFeatures = uint32_t;

enum CpuFeature : CpuFeatures {
  kCpuSse2 = 1u << 0,
  kCpuSsse3 = 1u << 1,
  kCpuSse41 = 1u << 2,
  kCpuAvx = 1u << 3,
  kCpuAvx2 = 1u << 4,
  kCpuBmi2 = 1u << 5,
  kCpuAes = 1u << 6,
  kCpuPclmul = 1u << 7,
  kCpuSha = 1u << 8,
  kCpuAvx512f = 1u << 9,
  kCpuAvx512bw = 1u << 10,
  kCpuAvx512vl = 1u << 11,
  kCpuVaes = 1u << 12,
  kCpuVpclmul = 1u << 13,
};

inline constexpr CpuFeatures kCpuAvx512 = kCpuAvx512f | kCpuAvx512bw | kCpuAvx512vl;

// What the processor and the operating system support, detected once.
CpuFeatures DetectedCpuFeatures();

// The detected features as VARKESH_CPU narrows them: the machine as the process sees it. No
// choice made at run time goes beyond it.
CpuFeatures AvailableCpuFeatures();

namespace cpu_internal {
inline constexpr CpuFeatures kUnset = 1u << 31;
extern std::atomic<CpuFeatures> active;
CpuFeatures InitializeActive();
}  // namespace cpu_internal

// What kernels may use now: AvailableCpuFeatures, or what SetCpuFeatures chose within it.
inline CpuFeatures ActiveCpuFeatures() {
  const CpuFeatures active = cpu_internal::active.load(std::memory_order_relaxed);
  return active != cpu_internal::kUnset ? active : cpu_internal::InitializeActive();
}

// Whether every feature in `needed` may be used.
inline bool CpuHas(CpuFeatures needed) { return (ActiveCpuFeatures() & needed) == needed; }

// Lets kernels use `features` as far as they are available (and what they build on is kept);
// returns the previous choice. Meant for tests and benchmarks, which switch between paths while
// no other thread works; every path gives the same bytes, so a switch is never visible in data.
CpuFeatures SetCpuFeatures(CpuFeatures features);

// Reads a VARKESH_CPU value against the features `base`; nothing if it cannot be read.
std::optional<CpuFeatures> ParseCpuFeatures(std::string_view list, CpuFeatures base);

// The names of the features, comma-separated ("" for none).
std::string CpuFeatureNames(CpuFeatures features);

// Drops the features whose prerequisites are missing.
CpuFeatures CloseCpuFeatures(CpuFeatures features);

// The distinct kernel tiers of the available features, from the portable code up to all of
// them: each is a set of features a test runs every record on.
struct CpuPath {
  std::string name;
  CpuFeatures features;
};

std::vector<CpuPath> CpuPaths();

// Uses `features` until the end of the scope.
class ScopedCpuFeatures {
 public:
  explicit ScopedCpuFeatures(CpuFeatures features) : previous_(SetCpuFeatures(features)) {}

  ~ScopedCpuFeatures() { SetCpuFeatures(previous_); }

  ScopedCpuFeatures(const ScopedCpuFeatures&) = delete;
  ScopedCpuFeatures& operator=(const ScopedCpuFeatures&) = delete;

 private:
  CpuFeatures previous_;
};

}  // namespace varkesh::detail

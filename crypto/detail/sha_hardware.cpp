#include "crypto/detail/sha_hardware.h"

#include "crypto/detail/sha_instructions.h"

#if VARKESH_SHA_HARDWARE
#  include <cpuid.h>
#endif

namespace varkesh::detail {

namespace {

bool DetectShaInstructions() {
#if VARKESH_SHA_HARDWARE
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_SSSE3) == 0 || (c & bit_SSE4_1) == 0)
    return false;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_SHA) != 0;
#else
  return false;
#endif
}

}  // namespace

bool ShaInstructionsAvailable() {
  static const bool available = DetectShaInstructions();
  return available;
}

}  // namespace varkesh::detail

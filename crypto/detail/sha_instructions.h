// What the SHA-1 and SHA-256 units need for their path through the x86 SHA instructions: the
// intrinsics and the attributes their functions are compiled under. VARKESH_SHA_HARDWARE is 0
// where that path does not exist; the portable code is then the only one.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#  define VARKESH_SHA_HARDWARE 1
#  include <immintrin.h>
#  define VARKESH_SHA_INLINE __attribute__((target("sha,sse4.1,ssse3"), always_inline)) inline
// 32-bit Windows keeps the stack only 4-byte aligned; the vector locals need 16.
#  if defined(__i386__)
#    define VARKESH_SHA_ENTRY __attribute__((target("sha,sse4.1,ssse3"), force_align_arg_pointer))
#  else
#    define VARKESH_SHA_ENTRY __attribute__((target("sha,sse4.1,ssse3")))
#  endif
#else
#  define VARKESH_SHA_HARDWARE 0
#endif

// Serpent on 8 blocks side by side in 256-bit vectors.
#include "crypto/serpent.h"

#if VARKESH_X86

// Everything defined from here on, the rounds of serpent_rounds.h included, is compiled for the
// extension; their instantiations on this file's vector type exist only here.
VARKESH_TARGET_BEGIN("avx2")
#  include "crypto/serpent_rounds.h"

namespace varkesh::kernels {

[[gnu::flatten]] VARKESH_KERNEL("avx2") size_t
    SerpentAvx2(const uint32_t* k, bool decrypt, const uint8_t* in, uint8_t* out, size_t blocks) {
  using Vector = uint32_t __attribute__((vector_size(32)));
  return serpent::VectorGroups<Vector>(k, decrypt, in, out, blocks);
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

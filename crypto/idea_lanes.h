// IDEA on many blocks side by side in vectors of 16-bit lanes, written once over a set of vector
// operations that each kernel file supplies for its instruction set (idea_sse2.cpp,
// idea_avx2.cpp). The multiplication modulo 2^16 + 1 comes from the low and high halves of the
// 16-bit products, and the words 0 (standing for 2^16) are handled by masks: no table and no
// branch on data, so the kernels are constant-time.
//
// A group is four vectors of blocks as they lie in memory. Unpacking 16-, 32- and 64-bit lanes
// turns them into four vectors of word 1, 2, 3 and 4 of the blocks; the wider instruction sets
// unpack within each 128-bit lane, which permutes the blocks among the lanes in the same way for
// every word, and the inverse network puts them back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varkesh::idea {

// Ops: V, the vector type; Load and Store (unaligned); Set1 (a 16-bit word in every lane); Add,
// Sub, Xor, And, AndNot (~a & b), Or, Equal (all ones where equal), MulLow and MulHigh (the
// unsigned 16-bit product's halves), SubSat (unsigned saturating), ShiftLeft8 and ShiftRight8
// (each 16-bit lane), and the unpacks of 16-, 32- and 64-bit lanes, Unpack{Lo,Hi}{16,32,64}.
template <class Ops>
struct Lanes {
  using V = typename Ops::V;
  static constexpr size_t kBlocks = sizeof(V) / 2;  // blocks per group: one per 16-bit lane

  // a * b modulo 2^16 + 1, lane by lane.
  static V Mul(V a, V b) {
    const V zero = Ops::Set1(0), one = Ops::Set1(1);
    const V lo = Ops::MulLow(a, b), hi = Ops::MulHigh(a, b);
    // The product is lo - hi, plus 1 where that borrows (hi > lo): not_borrow is all ones
    // (that is, -1) where hi <= lo.
    const V not_borrow = Ops::Equal(Ops::SubSat(hi, lo), zero);
    const V product = Ops::Add(Ops::Sub(lo, hi), Ops::Add(one, not_borrow));
    // An operand 0 stands for 2^16 = -1: the result is 1 - a - b.
    const V special = Ops::Or(Ops::Equal(a, zero), Ops::Equal(b, zero));
    return Ops::Or(Ops::And(special, Ops::Sub(Ops::Sub(one, a), b)), Ops::AndNot(special, product));
  }

  // The big-endian words of the blocks in memory order, and back.
  static V SwapBytes(V v) { return Ops::Or(Ops::ShiftLeft8(v), Ops::ShiftRight8(v)); }

  // One group of kBlocks blocks with the 52 subkeys k.
  static void Group(const uint16_t* k, const uint8_t* in, uint8_t* out) {
    const V r0 = Ops::Load(in), r1 = Ops::Load(in + sizeof(V));
    const V r2 = Ops::Load(in + 2 * sizeof(V)), r3 = Ops::Load(in + 3 * sizeof(V));
    const V t0 = Ops::UnpackLo16(r0, r1), t1 = Ops::UnpackHi16(r0, r1);
    const V t2 = Ops::UnpackLo16(r2, r3), t3 = Ops::UnpackHi16(r2, r3);
    const V u0 = Ops::UnpackLo16(t0, t1), u1 = Ops::UnpackHi16(t0, t1);
    const V u2 = Ops::UnpackLo16(t2, t3), u3 = Ops::UnpackHi16(t2, t3);
    V x1 = SwapBytes(Ops::UnpackLo64(u0, u2)), x2 = SwapBytes(Ops::UnpackHi64(u0, u2));
    V x3 = SwapBytes(Ops::UnpackLo64(u1, u3)), x4 = SwapBytes(Ops::UnpackHi64(u1, u3));

    const uint16_t* rk = k;
    for (int round = 0; round < 8; ++round, rk += 6) {
      x1 = Mul(x1, Ops::Set1(rk[0]));
      x2 = Ops::Add(x2, Ops::Set1(rk[1]));
      x3 = Ops::Add(x3, Ops::Set1(rk[2]));
      x4 = Mul(x4, Ops::Set1(rk[3]));
      V t = Mul(Ops::Xor(x1, x3), Ops::Set1(rk[4]));
      const V u = Mul(Ops::Add(t, Ops::Xor(x2, x4)), Ops::Set1(rk[5]));
      t = Ops::Add(t, u);
      x1 = Ops::Xor(x1, u);
      x4 = Ops::Xor(x4, t);
      const V middle = Ops::Xor(x2, t);
      x2 = Ops::Xor(x3, u);
      x3 = middle;
    }
    // The output transformation undoes the last exchange of the middle words.
    const V y1 = SwapBytes(Mul(x1, Ops::Set1(rk[0])));
    const V y2 = SwapBytes(Ops::Add(x3, Ops::Set1(rk[1])));
    const V y3 = SwapBytes(Ops::Add(x2, Ops::Set1(rk[2])));
    const V y4 = SwapBytes(Mul(x4, Ops::Set1(rk[3])));

    const V v0 = Ops::UnpackLo16(y1, y2), v1 = Ops::UnpackHi16(y1, y2);
    const V v2 = Ops::UnpackLo16(y3, y4), v3 = Ops::UnpackHi16(y3, y4);
    Ops::Store(out, Ops::UnpackLo32(v0, v2));
    Ops::Store(out + sizeof(V), Ops::UnpackHi32(v0, v2));
    Ops::Store(out + 2 * sizeof(V), Ops::UnpackLo32(v1, v3));
    Ops::Store(out + 3 * sizeof(V), Ops::UnpackHi32(v1, v3));
  }

  // Whole groups of `blocks`; returns how many blocks they took.
  static size_t Run(const uint16_t* k, const uint8_t* in, uint8_t* out, size_t blocks) {
    const size_t groups = blocks / kBlocks;
    for (size_t g = 0; g < groups; ++g) Group(k, in + 8 * kBlocks * g, out + 8 * kBlocks * g);
    return groups * kBlocks;
  }
};

}  // namespace varkesh::idea

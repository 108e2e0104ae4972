// Rijndael without AES instructions, in constant time: the vector-permute form of M. Hamburg
// ("Accelerating AES with Vector Permute Instructions", CHES 2009) on SSSE3. PSHUFB looks up
// sixteen 4-bit indices at once in a 16-byte table held in a register, so no load depends on
// secret data and nothing branches on it.
//
// The S-box's inversion runs in GF(2^8) seen as GF(16)[z]/(z^2 + a z + a), GF(16) being
// GF(2)[w]/(w^4 + w + 1): a byte is i z + k with nibbles i and k. With j = i + k and the
// inversions of GF(16) as 16-entry tables,
//   io = j + 1/(1/i + a/k),  jo = i + 1/(1/j + a/k),
// and 1/x = C1/io + C2/jo for two constants C1, C2 of GF(2^8); a zero divisor gives the table
// entry 0x80, which PSHUFB in turn maps to 0 (1/0 -> "infinity" -> 0), so no case needs a
// branch. The last two lookups (of io and jo) fold in C1/io and C2/jo, the S-box's affine map,
// the products of MixColumns and the change back to the tower basis for the next round; the
// state stays in that basis from round to round, and the round keys are kept in it too, with
// the S-box's constant added. Every table is computed and checked below at compile time.
#include <array>
#include <type_traits>

#include "crypto/detail/modes.h"
#include "crypto/rijndael.h"
#include "crypto/tables/aes.h"

#if VARKESH_X86

namespace varkesh::kernels {

namespace {

using Nibbles = std::array<uint8_t, 16>;
using ByteMap = std::array<uint8_t, 256>;

// ---- Field arithmetic (compile time) ----

// GF(2^8) modulo x^8 + x^4 + x^3 + x + 1, the field of AES.
constexpr uint8_t MulAes(uint8_t a, uint8_t b) {
  uint8_t p = 0;
  for (; b != 0; b >>= 1) {
    if ((b & 1) != 0)
      p ^= a;
    a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0));
  }
  return p;
}

// GF(16) modulo w^4 + w + 1.
constexpr uint8_t Mul16(uint8_t a, uint8_t b) {
  uint8_t p = 0;
  for (; b != 0; b >>= 1) {
    if ((b & 1) != 0)
      p ^= a;
    a = static_cast<uint8_t>((a << 1) ^ ((a & 8) != 0 ? 0x13 : 0));
  }
  return p;
}

constexpr uint8_t Inv16(uint8_t a) {
  for (uint8_t b = 1; b < 16; ++b) {
    if (Mul16(a, b) == 1)
      return b;
  }
  return 0;
}

// The trace of GF(16) over GF(2): 0 or 1.
constexpr uint8_t Trace16(uint8_t y) {
  const uint8_t y2 = Mul16(y, y), y4 = Mul16(y2, y2), y8 = Mul16(y4, y4);
  return static_cast<uint8_t>(y ^ y2 ^ y4 ^ y8);
}

// a: z^2 + a z + a is irreducible over GF(16) exactly when the trace of 1/a is 1.
constexpr uint8_t kA = [] {
  for (uint8_t a = 1; a < 16; ++a) {
    if (Trace16(Inv16(a)) == 1)
      return a;
  }
  return uint8_t{0};
}();
static_assert(kA != 0);

// GF(16) inside the AES field: w is a root W of w^4 + w + 1 there.
constexpr uint8_t kW = [] {
  for (unsigned x = 2; x < 256; ++x) {
    const auto v = static_cast<uint8_t>(x);
    const uint8_t v2 = MulAes(v, v);
    if ((MulAes(v2, v2) ^ v ^ 1) == 0)
      return v;
  }
  return uint8_t{0};
}();
static_assert(kW != 0);

constexpr uint8_t Embed(uint8_t n) {
  uint8_t e = 0, power = 1;
  for (int bit = 0; bit < 4; ++bit, power = MulAes(power, kW)) {
    if ((n >> bit & 1) != 0)
      e ^= power;
  }
  return e;
}

// z in the AES field: a root of z^2 + a z + a.
constexpr uint8_t kZ = [] {
  const uint8_t a = Embed(kA);
  for (unsigned x = 2; x < 256; ++x) {
    const auto v = static_cast<uint8_t>(x);
    if ((MulAes(v, v) ^ MulAes(a, v) ^ a) == 0)
      return v;
  }
  return uint8_t{0};
}();
static_assert(kZ != 0);

// Tower byte (i << 4 | k) -> AES field element i z + k, and back.
constexpr ByteMap kFromTower = [] {
  ByteMap m{};
  for (unsigned t = 0; t < 256; ++t)
    m[t] = static_cast<uint8_t>(MulAes(Embed(static_cast<uint8_t>(t >> 4)), kZ) ^
                                Embed(static_cast<uint8_t>(t & 15)));
  return m;
}();

constexpr ByteMap Inverse(const ByteMap& m) {
  ByteMap inverse{};
  for (unsigned x = 0; x < 256; ++x) inverse[m[x]] = static_cast<uint8_t>(x);
  return inverse;
}

constexpr bool IsBijection(const ByteMap& m) {
  std::array<bool, 256> seen{};
  for (const uint8_t y : m) {
    if (seen[y])
      return false;
    seen[y] = true;
  }
  return true;
}

static_assert(IsBijection(kFromTower));

constexpr ByteMap kToTower = Inverse(kFromTower);

constexpr uint8_t Rotl8(uint8_t b, int n) { return static_cast<uint8_t>(b << n | b >> (8 - n)); }

// The linear part of the S-box's affine map, and its inverse.
constexpr uint8_t AffineLinear(uint8_t b) {
  return static_cast<uint8_t>(b ^ Rotl8(b, 1) ^ Rotl8(b, 2) ^ Rotl8(b, 3) ^ Rotl8(b, 4));
}

constexpr ByteMap kAffineLinear = [] {
  ByteMap m{};
  for (unsigned x = 0; x < 256; ++x) m[x] = AffineLinear(static_cast<uint8_t>(x));
  return m;
}();
static_assert(IsBijection(kAffineLinear));
constexpr ByteMap kAffineLinearInverse = Inverse(kAffineLinear);

constexpr uint8_t kAffineConstant = 0x63;

// The bases of the state between rounds: encryption keeps S-box inputs in the tower basis;
// decryption keeps cipher-side bytes y whose inverse S-box input A^-1(y + 0x63) is what the
// tower basis holds, so its basis is the tower one after A^-1 (the constant joins the keys).
constexpr uint8_t EncryptBasis(uint8_t x) { return kToTower[x]; }

constexpr uint8_t DecryptBasis(uint8_t y) { return kToTower[kAffineLinearInverse[y]]; }

// ---- The tables ----

constexpr uint8_t kInfinity = 0x80;

// 1/n and a/n, with infinity for n = 0.
constexpr Nibbles kInv = [] {
  Nibbles t{};
  for (uint8_t n = 0; n < 16; ++n) t[n] = n == 0 ? kInfinity : Inv16(n);
  return t;
}();

constexpr Nibbles kAOverN = [] {
  Nibbles t{};
  for (uint8_t n = 0; n < 16; ++n) t[n] = n == 0 ? kInfinity : Mul16(kA, Inv16(n));
  return t;
}();

// 1/x = C1/io + C2/jo with C1 = (1/a + 1/a^2) z + 1, C2 = z / a^2.
constexpr uint8_t kC1 = static_cast<uint8_t>(
    MulAes(Embed(static_cast<uint8_t>(Inv16(kA) ^ Inv16(Mul16(kA, kA)))), kZ) ^ 1);
constexpr uint8_t kC2 = MulAes(Embed(Inv16(Mul16(kA, kA))), kZ);

// PSHUFB on one byte.
constexpr uint8_t Shuffle(const Nibbles& table, uint8_t index) {
  return (index & 0x80) != 0 ? 0 : table[index & 15];
}

struct Halves {
  uint8_t io, jo;
};

// The inversion's nibble steps on a tower byte, as the kernel does them on 16 at once.
constexpr Halves Invert(uint8_t t) {
  const auto i = static_cast<uint8_t>(t >> 4), k = static_cast<uint8_t>(t & 15);
  const auto j = static_cast<uint8_t>(i ^ k);
  const uint8_t ak = Shuffle(kAOverN, k);
  const auto iak = static_cast<uint8_t>(Shuffle(kInv, i) ^ ak);
  const auto jak = static_cast<uint8_t>(Shuffle(kInv, j) ^ ak);
  return {static_cast<uint8_t>(Shuffle(kInv, iak) ^ j),
          static_cast<uint8_t>(Shuffle(kInv, jak) ^ i)};
}

// The pair of output tables whose lookups of io and jo sum to map(1/x); map is GF(2)-linear.
struct OutputPair {
  Nibbles io, jo;
};

template <class Map>
constexpr OutputPair Outputs(Map map) {
  OutputPair pair{};
  for (uint8_t n = 0; n < 16; ++n) {
    const uint8_t inverse = Embed(Inv16(n));  // 1/0 taken as 0
    pair.io[n] = map(MulAes(inverse, kC1));
    pair.jo[n] = map(MulAes(inverse, kC2));
  }
  return pair;
}

constexpr uint8_t Lookup(const OutputPair& pair, Halves h) {
  return static_cast<uint8_t>(Shuffle(pair.io, h.io) ^ Shuffle(pair.jo, h.jo));
}

// Encryption: the S-box output without its constant, and twice it, in the tower basis; the
// last round's in the AES basis.
constexpr OutputPair kEncryptOnce =
    Outputs([](uint8_t x) { return EncryptBasis(AffineLinear(x)); });
constexpr OutputPair kEncryptTwice =
    Outputs([](uint8_t x) { return EncryptBasis(MulAes(2, AffineLinear(x))); });
constexpr OutputPair kEncryptLast = Outputs([](uint8_t x) { return AffineLinear(x); });

// Decryption: the inverse S-box output times 9, 11, 13 and 14 in the decryption basis; the last
// round's plain.
template <uint8_t kFactor>
constexpr OutputPair kDecryptTimes = Outputs([](uint8_t x) {
  return DecryptBasis(MulAes(kFactor, x));
});
constexpr OutputPair kDecryptLast = Outputs([](uint8_t x) { return x; });

// Every S-box and inverse S-box value through the steps above, and every table against the
// products it stands for.
constexpr bool TablesHold() {
  for (unsigned v = 0; v < 256; ++v) {
    const auto x = static_cast<uint8_t>(v);
    const uint8_t s = tables::AES_SBOX[x], si = tables::AES_INV_SBOX[x];
    const Halves e = Invert(EncryptBasis(x));
    const uint8_t inverse = Lookup(kDecryptLast, e);  // the plain inverse
    if (x != 0 ? MulAes(x, inverse) != 1 : inverse != 0)
      return false;
    if ((Lookup(kEncryptLast, e) ^ kAffineConstant) != s ||
        Lookup(kEncryptOnce, e) != EncryptBasis(s ^ kAffineConstant) ||
        Lookup(kEncryptTwice, e) != EncryptBasis(MulAes(2, s ^ kAffineConstant)))
      return false;
    const Halves d = Invert(DecryptBasis(x) ^ DecryptBasis(kAffineConstant));
    if (Lookup(kDecryptLast, d) != si ||
        Lookup(kDecryptTimes<9>, d) != DecryptBasis(MulAes(9, si)) ||
        Lookup(kDecryptTimes<11>, d) != DecryptBasis(MulAes(11, si)) ||
        Lookup(kDecryptTimes<13>, d) != DecryptBasis(MulAes(13, si)) ||
        Lookup(kDecryptTimes<14>, d) != DecryptBasis(MulAes(14, si)))
      return false;
  }
  return true;
}

static_assert(TablesHold());

// A linear byte map as its two nibble tables (low nibble, high nibble).
struct Split {
  Nibbles low, high;
};

template <class Map>
constexpr Split SplitOf(Map map) {
  Split s{};
  for (uint8_t n = 0; n < 16; ++n) {
    s.low[n] = map(n);
    s.high[n] = map(static_cast<uint8_t>(n << 4));
  }
  return s;
}

constexpr Split kToEncryptBasis = SplitOf(EncryptBasis);
constexpr Split kToDecryptBasis = SplitOf(DecryptBasis);

// Byte permutations of the state (byte 4c + r is row r of column c) as PSHUFB applies them:
// byte p of the result is byte P[p] of the input.
using Permutation = std::array<uint8_t, 16>;

template <class Source>
constexpr Permutation PermutationOf(Source source) {
  Permutation p{};
  for (unsigned c = 0; c < 4; ++c) {
    for (unsigned r = 0; r < 4; ++r) p[4 * c + r] = static_cast<uint8_t>(source(c, r));
  }
  return p;
}

// P applied first, then Q.
constexpr Permutation Then(const Permutation& p, const Permutation& q) {
  Permutation pq{};
  for (size_t i = 0; i < 16; ++i) pq[i] = p[q[i]];
  return pq;
}

constexpr Permutation Undo(const Permutation& p) {
  Permutation u{};
  for (size_t i = 0; i < 16; ++i) u[p[i]] = static_cast<uint8_t>(i);
  return u;
}

constexpr Permutation Power(const Permutation& p, unsigned n) {
  Permutation q = PermutationOf([](unsigned c, unsigned r) { return 4 * c + r; });
  for (; n != 0; --n) q = Then(q, p);
  return q;
}

// ShiftRows, its inverse, and the rotation of each column by `by` rows (row r takes row r + by).
constexpr Permutation kShiftRows =
    PermutationOf([](unsigned c, unsigned r) { return 4 * ((c + r) % 4) + r; });
constexpr Permutation kInvShiftRows =
    PermutationOf([](unsigned c, unsigned r) { return 4 * ((c + 4 - r) % 4) + r; });

constexpr Permutation Rotation(unsigned by) {
  return PermutationOf([by](unsigned c, unsigned r) { return 4 * c + (r + by) % 4; });
}

static_assert(Power(kShiftRows, 4) == Power(kShiftRows, 0));
static_assert(Then(kShiftRows, kInvShiftRows) == Power(kShiftRows, 0));

// The kernel leaves (Inv)ShiftRows pending: after round r the state holds the true state's
// bytes in the order that undoes `shift` applied r times, and since the S-box works byte by byte
// only the mixing of columns needs the true order. Its rotations of columns are conjugated
// instead (into the true order, rotate, back), the round keys are stored in the state's order,
// and the last round applies the pending permutation. Everything depends on r mod 4 alone.
struct Layout {
  std::array<std::array<Permutation, 4>, 4> rotate;  // [r % 4][by]
  std::array<Permutation, 4> to_true;                // [r % 4]
  std::array<Permutation, 4> from_true;              // [r % 4]
};

constexpr Layout LayoutOf(const Permutation& shift) {
  Layout layout{};
  for (unsigned m = 0; m < 4; ++m) {
    const Permutation to_true = Power(shift, m), from_true = Undo(to_true);
    layout.to_true[m] = to_true;
    layout.from_true[m] = from_true;
    for (unsigned by = 0; by < 4; ++by)
      layout.rotate[m][by] = Then(Then(to_true, Rotation(by)), from_true);
  }
  return layout;
}

constexpr Layout kEncryptLayout = LayoutOf(kShiftRows);
constexpr Layout kDecryptLayout = LayoutOf(kInvShiftRows);

}  // namespace

}  // namespace varkesh::kernels

VARKESH_TARGET_BEGIN("ssse3")
#  include <immintrin.h>

#  include "crypto/rijndael_groups.h"

namespace varkesh::kernels {

namespace {

using detail::ModeRun;

#  define VPERM_INLINE VARKESH_KERNEL_INLINE("ssse3")
// A round as a lambda is left out of line unless forced in, and then costs a call per round.
#  define VPERM_LAMBDA __attribute__((target("ssse3"), always_inline))

VPERM_INLINE __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

VPERM_INLINE void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

VPERM_INLINE __m128i Xor(__m128i a, __m128i b) { return _mm_xor_si128(a, b); }

VPERM_INLINE __m128i Shuffle(__m128i table, __m128i index) {
  return _mm_shuffle_epi8(table, index);
}

template <size_t N>
VPERM_INLINE __m128i Vec(const std::array<uint8_t, N>& bytes) {
  static_assert(N == 16);
  return Load(bytes.data());
}

// v, unchanged, as a value the compiler may not take apart: keeps a sum that is off the
// critical path from being reassociated onto it.
VPERM_INLINE __m128i Settled(__m128i v) {
  __asm__("" : "+x"(v));
  return v;
}

VPERM_INLINE __m128i Broadcast(uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }

// io and jo of 16 bytes at once.
struct Halves16 {
  __m128i io, jo;
};

// An output pair's lookups, summed.
struct Pair {
  __m128i io, jo;

  VPERM_INLINE explicit Pair(const OutputPair& p) : io(Vec(p.io)), jo(Vec(p.jo)) {}

  VPERM_INLINE __m128i operator()(Halves16 h) const {
    return Xor(Shuffle(io, h.io), Shuffle(jo, h.jo));
  }
};

// What every round needs.
struct Common {
  __m128i low, inv, a_over;

  VPERM_INLINE Common() : low(_mm_set1_epi8(0x0F)), inv(Vec(kInv)), a_over(Vec(kAOverN)) {}
};

VPERM_INLINE Halves16 Invert(const Common& c, __m128i t) {
  const __m128i i = _mm_and_si128(_mm_srli_epi16(t, 4), c.low);
  const __m128i k = _mm_and_si128(t, c.low);
  const __m128i ak = Shuffle(c.a_over, k);
  const __m128i j = Xor(i, k);
  const __m128i iak = Xor(Shuffle(c.inv, i), ak);
  const __m128i jak = Xor(Shuffle(c.inv, j), ak);
  return {Xor(Shuffle(c.inv, iak), j), Xor(Shuffle(c.inv, jak), i)};
}

// A linear byte map through its nibble tables.
VPERM_INLINE __m128i MapBytes(const Common& c, const Split& map, __m128i x) {
  const __m128i high = _mm_and_si128(_mm_srli_epi16(x, 4), c.low);
  return Xor(Shuffle(Vec(map.low), _mm_and_si128(x, c.low)), Shuffle(Vec(map.high), high));
}

struct EncryptTables : Common {
  Pair once, twice, last;

  VPERM_INLINE EncryptTables() : once(kEncryptOnce), twice(kEncryptTwice), last(kEncryptLast) {}
};

struct DecryptTables : Common {
  Pair times9, times11, times13, times14, last;

  VPERM_INLINE DecryptTables()
      : times9(kDecryptTimes<9>),
        times11(kDecryptTimes<11>),
        times13(kDecryptTimes<13>),
        times14(kDecryptTimes<14>),
        last(kDecryptLast) {}
};

// Calls round(r, m) for the middle rounds r = 1 .. R - 1, m = r % 4 known at compile time: four
// rounds to a loop step, so the code holds four rounds whatever R is.
template <int R, class Round>
VPERM_INLINE void MiddleRounds(Round round) {
  int r = 1;
#  pragma GCC unroll 1
  for (; r + 4 <= R; r += 4) {
    round(r, std::integral_constant<int, 1>{});
    round(r + 1, std::integral_constant<int, 2>{});
    round(r + 2, std::integral_constant<int, 3>{});
    round(r + 3, std::integral_constant<int, 0>{});
  }
  if constexpr ((R - 1) % 4 >= 1)
    round(r, std::integral_constant<int, 1>{});
  if constexpr ((R - 1) % 4 >= 2)
    round(r + 1, std::integral_constant<int, 2>{});
  if constexpr ((R - 1) % 4 >= 3)
    round(r + 2, std::integral_constant<int, 3>{});
}

// N blocks side by side through the R rounds; `keys` are the kernel's (RijndaelSsse3Keys).
template <int N, int R>
VPERM_INLINE void EncryptLanes(const EncryptTables& t, const uint8_t* keys, __m128i (&b)[N]) {
#  pragma GCC unroll 8
  for (int l = 0; l < N; ++l) b[l] = Xor(MapBytes(t, kToEncryptBasis, b[l]), Load(keys));
  MiddleRounds<R>([&](int round, auto m) VPERM_LAMBDA {
    const __m128i key = Load(keys + 16 * round);
    const auto& rotate = kEncryptLayout.rotate[decltype(m)::value];
    const __m128i rotate1 = Vec(rotate[1]), rotate2 = Vec(rotate[2]), rotate3 = Vec(rotate[3]);
#  pragma GCC unroll 8
    for (int l = 0; l < N; ++l) {
      const Halves16 h = Invert(t, b[l]);
      // MixColumns: row r is 2 s[r] + 3 s[r+1] + s[r+2] + s[r+3]; the longest path is one XOR,
      // one rotation and one XOR after the look-ups.
      const __m128i once = t.once(h), twice = t.twice(h);
      const __m128i rest =
          Settled(Xor(Xor(twice, key), Xor(Shuffle(once, rotate2), Shuffle(once, rotate3))));
      b[l] = Xor(rest, Shuffle(Xor(once, twice), rotate1));
    }
  });
  const __m128i key = Load(keys + 16 * R);
  const __m128i to_true = Vec(kEncryptLayout.to_true[R % 4]);
#  pragma GCC unroll 8
  for (int l = 0; l < N; ++l) b[l] = Xor(t.last(Invert(t, Shuffle(b[l], to_true))), key);
}

template <int N, int R>
VPERM_INLINE void DecryptLanes(const DecryptTables& t, const uint8_t* keys, __m128i (&b)[N]) {
#  pragma GCC unroll 8
  for (int l = 0; l < N; ++l) b[l] = Xor(MapBytes(t, kToDecryptBasis, b[l]), Load(keys));
  MiddleRounds<R>([&](int round, auto m) VPERM_LAMBDA {
    const __m128i key = Load(keys + 16 * round);
    const __m128i rotate1 = Vec(kDecryptLayout.rotate[decltype(m)::value][1]);
#  pragma GCC unroll 8
    for (int l = 0; l < N; ++l) {
      const Halves16 h = Invert(t, b[l]);
      // InvMixColumns: row r is 14 s[r] + 11 s[r+1] + 13 s[r+2] + 9 s[r+3], in Horner's form.
      __m128i x = Xor(t.times13(h), Shuffle(t.times9(h), rotate1));
      x = Xor(t.times11(h), Shuffle(x, rotate1));
      b[l] = Xor(Settled(Xor(t.times14(h), key)), Shuffle(x, rotate1));
    }
  });
  const __m128i key = Load(keys + 16 * R);
  const __m128i to_true = Vec(kDecryptLayout.to_true[R % 4]);
#  pragma GCC unroll 8
  for (int l = 0; l < N; ++l) b[l] = Xor(t.last(Invert(t, Shuffle(b[l], to_true))), key);
}

// Blocks in flight in the modes whose blocks are independent: enough to fill the shuffle units
// while one block waits on the last; more spill registers.
constexpr int kLanes = 4;

template <bool kEncrypt, int R>
VPERM_INLINE void Ecb(const uint8_t* keys, const uint8_t* in, uint8_t* out, size_t blocks) {
  const EncryptTables et;
  const DecryptTables dt;
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    __m128i b[kLanes];
    for (int l = 0; l < kLanes; ++l) b[l] = Load(in + 16 * l);
    if constexpr (kEncrypt)
      EncryptLanes<kLanes, R>(et, keys, b);
    else
      DecryptLanes<kLanes, R>(dt, keys, b);
    for (int l = 0; l < kLanes; ++l) Store(out + 16 * l, b[l]);
  }
  for (; blocks != 0; --blocks, in += 16, out += 16) {
    __m128i b[1] = {Load(in)};
    if constexpr (kEncrypt)
      EncryptLanes<1, R>(et, keys, b);
    else
      DecryptLanes<1, R>(dt, keys, b);
    Store(out, b[0]);
  }
}

template <int R>
VPERM_INLINE __m128i EncryptOne(const EncryptTables& t, const uint8_t* keys, __m128i x) {
  __m128i b[1] = {x};
  EncryptLanes<1, R>(t, keys, b);
  return b[0];
}

template <int R>
VPERM_INLINE void Serial(
    const uint8_t* keys, ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t n) {
  const EncryptTables t;
  __m128i x = Load(chain);
  switch (mode) {
    case ModeRun::kCbcEncrypt:
      for (; n != 0; --n, in += 16, out += 16)
        Store(out, x = EncryptOne<R>(t, keys, Xor(x, Load(in))));
      break;
    case ModeRun::kCfbEncrypt:
      for (; n != 0; --n, in += 16, out += 16)
        Store(out, x = Xor(EncryptOne<R>(t, keys, x), Load(in)));
      break;
    case ModeRun::kOfb:
      for (; n != 0; --n, in += 16, out += 16) {
        x = EncryptOne<R>(t, keys, x);
        Store(out, Xor(x, Load(in)));
      }
      break;
    case ModeRun::kCfb8Encrypt:
      // The register shifts one byte towards the front and takes the cipher byte at the end.
      for (size_t i = 0; i < n; ++i) {
        const __m128i e = EncryptOne<R>(t, keys, x);
        const auto y = static_cast<uint8_t>(in[i] ^ static_cast<uint8_t>(_mm_cvtsi128_si32(e)));
        out[i] = y;
        x = _mm_or_si128(_mm_srli_si128(x, 1), _mm_slli_si128(_mm_cvtsi32_si128(y), 15));
      }
      break;
    default:
      break;
  }
  Store(chain, x);
}

// N blocks of CBC or block-CFB decryption or of CTR; all loads come before any store, for
// in-place use. `t` holds DecryptTables for CBC, else EncryptTables.
template <ModeRun kMode, int N, int R, class Tables>
VPERM_INLINE void ParallelStep(const Tables& t,
                               const uint8_t* keys,
                               __m128i& prev,
                               rijndael_groups::CounterBlocks& counter,
                               const uint8_t* in,
                               uint8_t* out) {
  __m128i b[N], c[N];
  for (int l = 0; l < N; ++l) c[l] = Load(in + 16 * l);
  if constexpr (kMode == ModeRun::kCbcDecrypt) {
    for (int l = 0; l < N; ++l) b[l] = c[l];
    DecryptLanes<N, R>(t, keys, b);
    for (int l = 0; l < N; ++l) Store(out + 16 * l, Xor(b[l], l == 0 ? prev : c[l - 1]));
    prev = c[N - 1];
  } else if constexpr (kMode == ModeRun::kCfbDecrypt) {
    for (int l = 0; l < N; ++l) b[l] = l == 0 ? prev : c[l - 1];
    EncryptLanes<N, R>(t, keys, b);
    for (int l = 0; l < N; ++l) Store(out + 16 * l, Xor(b[l], c[l]));
    prev = c[N - 1];
  } else {
    for (int l = 0; l < N; ++l) b[l] = counter.Next();
    EncryptLanes<N, R>(t, keys, b);
    for (int l = 0; l < N; ++l) Store(out + 16 * l, Xor(b[l], c[l]));
  }
}

// One mode's run, with only its tables live in the loop.
template <ModeRun kMode, int R>
VPERM_INLINE void ParallelRun(
    const uint8_t* keys, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t n) {
  const std::conditional_t<kMode == ModeRun::kCbcDecrypt, DecryptTables, EncryptTables> t;
  __m128i prev = Load(chain);
  rijndael_groups::CounterBlocks counter(chain);
  for (; n >= kLanes; n -= kLanes, in += 16 * kLanes, out += 16 * kLanes)
    ParallelStep<kMode, kLanes, R>(t, keys, prev, counter, in, out);
  for (; n != 0; --n, in += 16, out += 16)
    ParallelStep<kMode, 1, R>(t, keys, prev, counter, in, out);
  if constexpr (kMode == ModeRun::kCtr)
    counter.Store(chain);
  else
    Store(chain, prev);
}

// `keys`: the decryption keys for CBC, else the encryption ones.
template <int R>
VPERM_INLINE void Parallel(
    const uint8_t* keys, ModeRun mode, uint8_t* chain, const uint8_t* in, uint8_t* out, size_t n) {
  switch (mode) {
    case ModeRun::kCbcDecrypt:
      return ParallelRun<ModeRun::kCbcDecrypt, R>(keys, chain, in, out, n);
    case ModeRun::kCfbDecrypt:
      return ParallelRun<ModeRun::kCfbDecrypt, R>(keys, chain, in, out, n);
    default:
      return ParallelRun<ModeRun::kCtr, R>(keys, chain, in, out, n);
  }
}

// The round keys in the kernel's form: in the state's basis and byte order but for the last,
// which meets the output, plus the S-box's constant where the tables leave it out. Encryption's
// constant comes with every S-box output, so into every key after the first; decryption's goes
// with every inverse S-box input, so into every key before the last.
VPERM_INLINE void PrepareKeys(const Split& basis,
                              const Layout& layout,
                              bool encrypt,
                              const uint32_t* rk,
                              uint32_t rounds,
                              uint8_t* keys) {
  const Common c;
  const __m128i constant = Broadcast(kAffineConstant);
  for (uint32_t r = 0; r <= rounds; ++r) {
    __m128i k = Load(rk + 4 * r);
    if (encrypt ? r != 0 : r != rounds)
      k = Xor(k, constant);
    if (r != rounds)
      k = Shuffle(MapBytes(c, basis, k), Vec(layout.from_true[r % 4]));
    Store(keys + 16 * r, k);
  }
}

// One schedule in the kernel's form, for one call, wiped after it.
struct KernelKeys {
  uint8_t bytes[16 * 15];

  VPERM_INLINE KernelKeys(bool encrypt, const uint32_t* rk, uint32_t rounds) {
    if (encrypt)
      PrepareKeys(kToEncryptBasis, kEncryptLayout, true, rk, rounds, bytes);
    else
      PrepareKeys(kToDecryptBasis, kDecryptLayout, false, rk, rounds, bytes);
  }

  VPERM_INLINE ~KernelKeys() { detail::SecureWipe(bytes, sizeof(bytes)); }

  KernelKeys(const KernelKeys&) = delete;
  KernelKeys& operator=(const KernelKeys&) = delete;
};

VARKESH_KERNEL("ssse3")

size_t Run(const uint32_t* rk,
           uint32_t rounds,
           bool encrypt,
           const uint8_t* in,
           uint8_t* out,
           size_t blocks) {
  const KernelKeys keys(encrypt, rk, rounds);
  rijndael_groups::WithRounds(rounds, [&](auto r) {
    constexpr int R = decltype(r)::value;
    if (encrypt)
      Ecb<true, R>(keys.bytes, in, out, blocks);
    else
      Ecb<false, R>(keys.bytes, in, out, blocks);
  });
  return blocks;
}

VARKESH_KERNEL("ssse3")

size_t Modes(const uint32_t* encrypt,
             const uint32_t* decrypt,
             uint32_t rounds,
             ModeRun mode,
             uint8_t* chain,
             const uint8_t* in,
             uint8_t* out,
             size_t count) {
  if (mode == ModeRun::kCfb8Decrypt)
    return 0;  // its block inputs are known in advance: Run takes them in groups
  const bool cbc_decrypt = mode == ModeRun::kCbcDecrypt;
  const KernelKeys keys(!cbc_decrypt, cbc_decrypt ? decrypt : encrypt, rounds);
  if (detail::IsSerial(mode)) {
    rijndael_groups::WithRounds(rounds, [&](auto r) {
      Serial<decltype(r)::value>(keys.bytes, mode, chain, in, out, count);
    });
  } else {
    rijndael_groups::WithRounds(rounds, [&](auto r) {
      Parallel<decltype(r)::value>(keys.bytes, mode, chain, in, out, count);
    });
  }
  return count;
}

}  // namespace

const RijndaelKernel kRijndaelSsse3 = {&Modes, &Run};

VARKESH_KERNEL("ssse3")

uint32_t RijndaelSsse3SubWord(uint32_t w) {
  const EncryptTables t;
  const __m128i x = MapBytes(t, kToEncryptBasis, _mm_cvtsi32_si128(static_cast<int>(w)));
  const __m128i s = Xor(t.last(Invert(t, x)), Broadcast(kAffineConstant));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(s));
}

}  // namespace varkesh::kernels

VARKESH_TARGET_END
#endif  // VARKESH_X86

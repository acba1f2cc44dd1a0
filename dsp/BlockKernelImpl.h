// The block kernel, compiled once per instruction set: the including file
// defines VANTORIL_KERNEL_NAMESPACE, VANTORIL_KERNEL_LANES (doubles per vector
// register: 8 for AVX-512, 4 for AVX2, 2 for the kernels of the baseline
// instruction sets, which also define VANTORIL_KERNEL_NEON (64-bit ARM's
// Advanced SIMD) or VANTORIL_KERNEL_SSE2 (x86-64 without AVX2)) and
// VANTORIL_KERNEL_TARGET (the compiler's target string; empty for the
// baseline kernels, which every processor of the family runs). The headers
// come first, with the default target; only the functions defined below are
// built for the instruction set, so nothing shared with the rest of the
// program can end up needing it.
//
// The SSE2 kernel has no fused multiply-add: it rounds every product and sum,
// as the C library's functions do on processors without FMA.
//
// Work per block, with both channels side by side (a mono block fills the
// vectors with consecutive frames of its one channel instead):
//   recursions (frame by frame, both channels in one register):
//     AB  side-chain sanitising, low cut and level detector
//     C   release slowdown and smoothing of the target reduction
//     D   gain detector (the meter's source; shares AB's division)
//   elementwise stages (one vector of frames at a time):
//     V1  level in dB and the static curve
//     V2  attack jump, dB to linear gain, drive, level, mix and output peak
// One loop runs all five, each on an earlier vector of frames than the one
// before it (a software pipeline): no part of one pass waits for another part
// of the same pass, so the processor can run the vector work while a recursion
// waits for its division.
#include "BlockKernel.h"

#if defined(VANTORIL_KERNEL_NEON)
#include <arm_neon.h>
#else
#include <immintrin.h>
#endif

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#if ! defined(VANTORIL_KERNEL_NAMESPACE) || ! defined(VANTORIL_KERNEL_LANES) || ! defined(VANTORIL_KERNEL_TARGET)
#error "define VANTORIL_KERNEL_NAMESPACE, VANTORIL_KERNEL_LANES and VANTORIL_KERNEL_TARGET before including this file"
#endif

#define VANTORIL_KERNEL_PRAGMA(text) _Pragma (#text)
#if defined(__clang__)
// Clang: every function defined up to the matching pop gets the target attribute.
#define VANTORIL_KERNEL_TARGET_PRAGMA(isa)                                                                                       \
    VANTORIL_KERNEL_PRAGMA (clang attribute push (__attribute__ ((target (isa))), apply_to = function))
#else
#define VANTORIL_KERNEL_TARGET_PRAGMA(isa) VANTORIL_KERNEL_PRAGMA (GCC target (isa))
#pragma GCC push_options
// GCC 12 warns about the deliberately undefined inputs inside its own AVX-512 conversion intrinsics.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#if VANTORIL_KERNEL_LANES != 2
VANTORIL_KERNEL_TARGET_PRAGMA (VANTORIL_KERNEL_TARGET)
#endif

namespace vantoril::VANTORIL_KERNEL_NAMESPACE
{

// The kernel's helpers are inlined whatever their size: a call would pass the
// vectors through memory.
#define VANTORIL_KERNEL_INLINE inline __attribute__ ((always_inline))
#define VANTORIL_KERNEL_LAMBDA __attribute__ ((always_inline))

constexpr int W = VANTORIL_KERNEL_LANES;

typedef double VD __attribute__ ((vector_size (W * 8)));
typedef std::int64_t VL __attribute__ ((vector_size (W * 8)));
typedef std::uint64_t VU __attribute__ ((vector_size (W * 8)));
typedef float VF __attribute__ ((vector_size (W * 4)));
typedef std::int32_t VI __attribute__ ((vector_size (W * 4)));

typedef double D4 __attribute__ ((vector_size (32)));
typedef std::int64_t L4 __attribute__ ((vector_size (32)));
typedef double D2 __attribute__ ((vector_size (16)));
typedef std::int64_t L2 __attribute__ ((vector_size (16)));
typedef float F4 __attribute__ ((vector_size (16)));
typedef std::int32_t I4 __attribute__ ((vector_size (16)));

template <typename To, typename From> VANTORIL_KERNEL_INLINE To bitCast (From v) noexcept
{
    static_assert (sizeof (To) == sizeof (From));
    To t;
    std::memcpy (&t, &v, sizeof (t));
    return t;
}

template <typename V> VANTORIL_KERNEL_INLINE V loadVector (const void* p) noexcept
{
    V v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

template <typename V> VANTORIL_KERNEL_INLINE void storeVector (void* p, V v) noexcept { std::memcpy (p, &v, sizeof (v)); }

// a * b + c with a single rounding (two without FMA).
VANTORIL_KERNEL_INLINE VD fmadd (VD a, VD b, VD c) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    return (VD) _mm512_fmadd_pd ((__m512d) a, (__m512d) b, (__m512d) c);
#elif VANTORIL_KERNEL_LANES == 4
    return (VD) _mm256_fmadd_pd ((__m256d) a, (__m256d) b, (__m256d) c);
#elif defined(VANTORIL_KERNEL_NEON)
    return (VD) vfmaq_f64 ((float64x2_t) c, (float64x2_t) a, (float64x2_t) b);
#else
    return a * b + c;
#endif
}

// The same for four doubles (the detectors' register).
VANTORIL_KERNEL_INLINE D4 fmadd4 (D4 a, D4 b, D4 c) noexcept
{
#if defined(VANTORIL_KERNEL_SSE2)
    return a * b + c;
#elif defined(VANTORIL_KERNEL_NEON)
    const D2 low =
        (D2) vfmaq_f64 ((float64x2_t) D2 { c[0], c[1] }, (float64x2_t) D2 { a[0], a[1] }, (float64x2_t) D2 { b[0], b[1] });
    const D2 high =
        (D2) vfmaq_f64 ((float64x2_t) D2 { c[2], c[3] }, (float64x2_t) D2 { a[2], a[3] }, (float64x2_t) D2 { b[2], b[3] });
    return D4 { low[0], low[1], high[0], high[1] };
#else
    return (D4) _mm256_fmadd_pd ((__m256d) a, (__m256d) b, (__m256d) c);
#endif
}

// table[index & 31] for every lane.
VANTORIL_KERNEL_INLINE VU lookup32 (const std::uint64_t* table, VU index) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    // Each permute reads the low four bits of the index; bit 4, shifted into
    // the sign, picks the half of the table.
    const __m512i i = (__m512i) index;
    const __m512i low = _mm512_permutex2var_epi64 (_mm512_load_si512 (table), i, _mm512_load_si512 (table + 8));
    const __m512i high = _mm512_permutex2var_epi64 (_mm512_load_si512 (table + 16), i, _mm512_load_si512 (table + 24));
    const __mmask8 upper = _mm512_movepi64_mask (_mm512_slli_epi64 (i, 59));
    return (VU) _mm512_mask_blend_epi64 (upper, low, high);
#elif VANTORIL_KERNEL_LANES == 4
    return (VU) _mm256_i64gather_epi64 ((const long long*) table, (__m256i) (index & 31), 8);
#else
    return VU { table[index[0] & 31], table[index[1] & 31] };
#endif
}

// True when any lane of a comparison result is set.
VANTORIL_KERNEL_INLINE bool anyLane (VL mask) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    return _mm512_test_epi64_mask ((__m512i) mask, (__m512i) mask) != 0;
#elif VANTORIL_KERNEL_LANES == 4
    return ! _mm256_testz_si256 ((__m256i) mask, (__m256i) mask);
#else
    return (mask[0] | mask[1]) != 0;
#endif
}

VANTORIL_KERNEL_INLINE bool anyLane (VI mask) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    return ! _mm256_testz_si256 ((__m256i) mask, (__m256i) mask);
#elif VANTORIL_KERNEL_LANES == 4
    return ! _mm_testz_si128 ((__m128i) mask, (__m128i) mask);
#else
    return (mask[0] | mask[1]) != 0;
#endif
}

#if VANTORIL_KERNEL_LANES == 8
VANTORIL_KERNEL_INLINE VD maxPd (VD a, VD b) noexcept { return (VD) _mm512_max_pd ((__m512d) a, (__m512d) b); }
VANTORIL_KERNEL_INLINE VF maxPs (VF a, VF b) noexcept { return (VF) _mm256_max_ps ((__m256) a, (__m256) b); }
VANTORIL_KERNEL_INLINE VF minPs (VF a, VF b) noexcept { return (VF) _mm256_min_ps ((__m256) a, (__m256) b); }
#elif VANTORIL_KERNEL_LANES == 4
VANTORIL_KERNEL_INLINE VD maxPd (VD a, VD b) noexcept { return (VD) _mm256_max_pd ((__m256d) a, (__m256d) b); }
VANTORIL_KERNEL_INLINE VF maxPs (VF a, VF b) noexcept { return (VF) _mm_max_ps ((__m128) a, (__m128) b); }
VANTORIL_KERNEL_INLINE VF minPs (VF a, VF b) noexcept { return (VF) _mm_min_ps ((__m128) a, (__m128) b); }
#else
// As the x86 instructions compare: the second operand where either is NaN
// (the ARM instructions would return the NaN).
VANTORIL_KERNEL_INLINE VD maxPd (VD a, VD b) noexcept { return a > b ? a : b; }
VANTORIL_KERNEL_INLINE VF maxPs (VF a, VF b) noexcept { return a > b ? a : b; }
VANTORIL_KERNEL_INLINE VF minPs (VF a, VF b) noexcept { return a < b ? a : b; }
#endif
VANTORIL_KERNEL_INLINE VD absolute (VD x) noexcept { return bitCast<VD> (bitCast<VU> (x) & 0x7fffffffffffffffULL); }
VANTORIL_KERNEL_INLINE VF absolute (VF x) noexcept { return bitCast<VF> (bitCast<VI> (x) & 0x7fffffff); }
VANTORIL_KERNEL_INLINE F4 absolute4 (F4 x) noexcept { return bitCast<F4> (bitCast<I4> (x) & 0x7fffffff); }

//==============================================================================
// Single-precision e^x and 10^x, evaluated exactly as the C library's expf and
// powf evaluate them on a processor with FMA: the argument is reduced to a
// multiple k of 1/32 and a remainder r, 2^(k/32) comes from a table and
// 2^r from a cubic; both in double precision, then rounded once to float.
// The same operations in the same order give the same float for every input
// (checked against the library over all floats in the ranges used here).
namespace libmfloat
{
alignas (64) constexpr std::uint64_t powersOfTwo[32] = {
    0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f, 0x3fef9301d0125b51, 0x3fef72b83c7d517b, 0x3fef54873168b9aa,
    0x3fef387a6e756238, 0x3fef1e9df51fdee1, 0x3fef06fe0a31b715, 0x3feef1a7373aa9cb, 0x3feedea64c123422, 0x3feece086061892d,
    0x3feebfdad5362a27, 0x3feeb42b569d4f82, 0x3feeab07dd485429, 0x3feea47eb03a5585, 0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74,
    0x3feea11473eb0187, 0x3feea589994cce13, 0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090, 0x3feed503b23e255d,
    0x3feee89f995ad3ad, 0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069, 0x3fef5818dcfba487, 0x3fef7c97337b9b5f,
    0x3fefa4afa2a490da, 0x3fefd0765b6e4540,
};
constexpr double poly[3] = { 0x1.c6af84b912394p-5, 0x1.ebfce50fac4f3p-3, 0x1.62e42ff0c52d6p-1 };
constexpr double shift = 0x1.8p+52;

// 2^(k/32) * 2^r for k/32 + r = x, with x already reduced: kd + shift = rounded.
VANTORIL_KERNEL_INLINE VD scaleByTable (VD rounded, VD r, const double* c) noexcept
{
    const VU ki = bitCast<VU> (rounded);
    VU t = lookup32 (powersOfTwo, ki);
    t += ki << 47;
    const VD s = bitCast<VD> (t);
    const VD z = fmadd (VD {} + c[0], r, VD {} + c[1]);
    const VD r2 = r * r;
    VD y = fmadd (VD {} + c[2], r, VD {} + 1.0);
    y = fmadd (z, r2, y);
    return y * s;
}

// e^x for -88 <= x <= 88 (callers clamp or route other lanes to the library).
VANTORIL_KERNEL_INLINE VD expf (VD x) noexcept
{
    constexpr double scaled[3] = { poly[0] / 32 / 32 / 32, poly[1] / 32 / 32, poly[2] / 32 };
    const VD invLn2N = VD {} + 0x1.71547652b82fep+0 * 32;
    const VD rounded = fmadd (invLn2N, x, VD {} + shift);
    const VD kd = rounded - shift;
    const VD r = fmadd (invLn2N, x, -kd);
    return scaleByTable (rounded, r, scaled);
}

// 10^y for -37 < y < 37 (callers clamp or route other lanes to the library).
VANTORIL_KERNEL_INLINE VD pow10f (VD y, double log2Ten) noexcept
{
    const VD ylogx = y * log2Ten;
    const VD rounded = ylogx + shift / 32;
    const VD kd = rounded - shift / 32;
    const VD r = ylogx - kd;
    return scaleByTable (rounded, r, poly);
}
} // namespace libmfloat

#if VANTORIL_KERNEL_LANES == 8
VANTORIL_KERNEL_INLINE VF toFloat (VD d) noexcept { return (VF) _mm512_cvtpd_ps ((__m512d) d); }
VANTORIL_KERNEL_INLINE VD toDouble (VF f) noexcept { return (VD) _mm512_cvtps_pd ((__m256) f); }
#elif VANTORIL_KERNEL_LANES == 4
VANTORIL_KERNEL_INLINE VF toFloat (VD d) noexcept { return (VF) _mm256_cvtpd_ps ((__m256d) d); }
VANTORIL_KERNEL_INLINE VD toDouble (VF f) noexcept { return (VD) _mm256_cvtps_pd ((__m128) f); }
#else
VANTORIL_KERNEL_INLINE VF toFloat (VD d) noexcept { return __builtin_convertvector(d, VF); }
VANTORIL_KERNEL_INLINE VD toDouble (VF f) noexcept { return __builtin_convertvector(f, VD); }
#endif

// expf of every lane; lanes outside the table range go to the library.
VANTORIL_KERNEL_INLINE VF expfLanes (VF x) noexcept
{
    VF result = toFloat (libmfloat::expf (toDouble (x)));
    const VI outside = ! (absolute (x) < 88.0f);
    if (__builtin_expect (anyLane (outside), 0))
        for (int i = 0; i < W; ++i)
            if (outside[i])
                result[i] = std::exp (x[i]);
    return result;
}

// powf (10, x) of every lane; lanes outside the table range go to the library.
VANTORIL_KERNEL_INLINE VF pow10fLanes (VF x, double log2Ten) noexcept
{
    VF result = toFloat (libmfloat::pow10f (toDouble (x), log2Ten));
    const VI outside = ! ((x > -37.0f) & (x <= 0.0f));
    if (__builtin_expect (anyLane (outside), 0))
        for (int i = 0; i < W; ++i)
            if (outside[i])
                result[i] = std::pow (10.0f, x[i]);
    return result;
}

//==============================================================================
// Double-precision e^x and ln x for the gain computer, accurate to about one
// unit in the last place.
namespace dmath
{
constexpr double ln2Hi = 0x1.62e42fefa3800p-1;
constexpr double ln2Lo = 0x1.ef35793c76730p-45;

VANTORIL_KERNEL_INLINE VD splat (double x) noexcept { return VD {} + x; }

// e^x for |x| < 708: x = (k + f/32) ln 2 + r with |r| <= ln 2 / 64; 2^(f/32)
// from a table, e^r to degree 5 (Estrin's scheme: short dependency chains; the
// first omitted term, r^6 / 720, is below 2.2e-15 of the result).
VANTORIL_KERNEL_INLINE VD exp (VD x) noexcept
{
    const VD shifter = splat (0x1.8p52);
    const VD rounded = fmadd (x, splat (0x1.71547652b82fep0 * 32), shifter);
    const VD kd = rounded - shifter;
    VD r = fmadd (kd, splat (-ln2Hi / 32), x);
    r = fmadd (kd, splat (-ln2Lo / 32), r);
    const VU ki = bitCast<VU> (rounded);
    const VD s = bitCast<VD> (lookup32 (kernelTables.exp2Bits, ki) + (ki << 47));
    const VD r2 = r * r, r4 = r2 * r2;
    const VD q01 = r + 1.0;
    const VD q23 = fmadd (r, splat (1.0 / 6), splat (0.5));
    const VD q45 = fmadd (r, splat (1.0 / 120), splat (1.0 / 24));
    const VD q03 = fmadd (q23, r2, q01);
    const VD p = fmadd (q45, r4, q03);
    return p * s;
}

// x = 2^e m with m in [0.75, 1.5), for positive normal x.
VANTORIL_KERNEL_INLINE void splitMantissa (VD x, VD& m, VD& e) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    m = (VD) _mm512_getmant_pd ((__m512d) x, _MM_MANT_NORM_p75_1p5, _MM_MANT_SIGN_src);
    e = (VD) _mm512_getexp_pd ((__m512d) x) - (VD) _mm512_getexp_pd ((__m512d) m);
#else
    const VU bits = bitCast<VU> (x);
    const VD m1 = bitCast<VD> ((bits & 0x000fffffffffffffULL) | 0x3ff0000000000000ULL); // [1, 2)
    // The exponent as a double: placed in the mantissa of 2^52, which is then
    // subtracted with the bias (x is positive, so no sign bit).
    const VD e1 = bitCast<VD> ((bits >> 52) | 0x4330000000000000ULL) - (0x1p52 + 1023.0);
    const VL upper = m1 >= 1.5;
    m = upper ? m1 * 0.5 : m1;
    e = upper ? e1 + 1.0 : e1;
#endif
}

#if VANTORIL_KERNEL_LANES == 8
// table[index] for a table of 16 doubles and indices 0 to 15.
VANTORIL_KERNEL_INLINE VD lookup16 (const double* table, VU index) noexcept
{
    return (VD) _mm512_permutex2var_pd (_mm512_load_pd (table), (__m512i) index, _mm512_load_pd (table + 8));
}

// ln x for positive normal x: x = 2^e m with m in [0.75, 1.5), ln m = ln c +
// ln (1 + r) with c the centre of one of 16 intervals and |r| <= 1/31,
// ln (1 + r) to degree 7 in Estrin's scheme (the first omitted term, r^8 / 8,
// is below 1.2e-13: far below what the single-precision gain can show). The
// tables are read with two permutes.
VANTORIL_KERNEL_INLINE VD log (VD x) noexcept
{
    VD m, e;
    splitMantissa (x, m, e);
    // The top four mantissa bits of m number the intervals: 0-7 cover [1, 1.5),
    // 8-15 cover [0.75, 1).
    const VU index = (bitCast<VU> (m) >> 48) & 15;
    const VD r = fmadd (m, lookup16 (kernelTables.invc, index), splat (-1.0));
    const VD logc = lookup16 (kernelTables.logc, index);
    const VD r2 = r * r, r4 = r2 * r2;
    // ln (1 + r) = r - r^2/2 + r^3/3 - ... + r^7/7
    const VD q23 = fmadd (r, splat (1.0 / 3), splat (-0.5));
    const VD q45 = fmadd (r, splat (1.0 / 5), splat (-0.25));
    const VD q67 = fmadd (r, splat (1.0 / 7), splat (-1.0 / 6));
    const VD q25 = fmadd (q45, r2, q23);
    const VD q27 = fmadd (q67, r4, q25);
    const VD log1p = fmadd (q27, r2, r);
    return fmadd (e, splat (ln2Hi), fmadd (e, splat (ln2Lo), logc) + log1p);
}
#else
// ln x for positive normal x without tables (AVX2 reads tables only through
// slow gathers): x = 2^e m with m in [0.75, 1.5), ln m = 2 atanh (s) with
// s = (m - 1) / (m + 1) in [-1/7, 1/5], the odd series to s^17 (the first
// omitted term, 2 s^19 / 19, is below 5.5e-15).
VANTORIL_KERNEL_INLINE VD log (VD x) noexcept
{
    VD m, e;
    splitMantissa (x, m, e);
    const VD s = (m - 1.0) / (m + 1.0);
    const VD z = s * s, z2 = z * z, z4 = z2 * z2;
    // 2 atanh (s) / s = 2 (1 + z/3 + z^2/5 + ... + z^8/17)
    const VD p01 = fmadd (z, splat (2.0 / 3), splat (2.0));
    const VD p23 = fmadd (z, splat (2.0 / 7), splat (2.0 / 5));
    const VD p45 = fmadd (z, splat (2.0 / 11), splat (2.0 / 9));
    const VD p67 = fmadd (z, splat (2.0 / 15), splat (2.0 / 13));
    const VD p03 = fmadd (p23, z2, p01);
    const VD p47 = fmadd (p67, z2, p45);
    const VD p07 = fmadd (p47, z4, p03);
    const VD p08 = fmadd (splat (2.0 / 17) * z4, z4, p07);
    return fmadd (e, splat (ln2Hi), fmadd (e, splat (ln2Lo), s * p08));
}
#endif
} // namespace dmath

//==============================================================================
// log2(10) as the C library's power computes it here (with or without FMA).
VANTORIL_KERNEL_INLINE double libraryLog2Ten() noexcept
{
#if defined(VANTORIL_KERNEL_SSE2)
    return kernelTables.log2TenUnfused;
#else
    return kernelTables.log2Ten;
#endif
}

// A vector holds W / Ch frames of Ch channels.
template <int Ch> constexpr int framesPerVector = W / Ch;
constexpr double floorDb = -100.0;
constexpr double squareFloor = 1e-5;

// How many vectors of frames each stage lags behind AB. The vector stages run
// in steps, one step per pass, so every step's input was made in an earlier
// pass: static curve 1 to 3, smoothing 4, output 5 to 8, gain detector 6 (it
// needs the gains from the output stage's first step).
constexpr int lagCurve = 1, lagC = 4, lagOutput = 5, lagD = 6, lagLast = 8;
constexpr int ringSize = 16; // vectors held per ring, more than the largest lag

// Values handed from stage to stage, interleaved (left, right, left, ...) or
// a mono channel's consecutive frames, one vector of frames per ring entry.
struct Rings
{
    alignas (64) double level[ringSize][W]; // AB -> V1
    alignas (64) double target[ringSize][W]; // V1 -> C, V2
    alignas (64) double smoothed[ringSize][W]; // C -> V2
    alignas (64) double linear[ringSize][W]; // V2 -> D
    alignas (64) float input[ringSize][W]; // sanitised input: AB, V2
};

struct CurveConstants
{
    VD thresholdDb, knee, scale, ratio;
};

struct DriveConstants
{
    float argumentScale; // (drive + 0.01) * -10
    float driveAmount;
    float makeupScale;
    float levelGain;
    float mixAmount;
    float dryShare; // 1 - mix
    double log2Ten;
};

#if defined(VANTORIL_KERNEL_NEON)
VANTORIL_KERNEL_INLINE D2 widenLow (F4 f) noexcept { return (D2) vcvt_f64_f32 (vget_low_f32 ((float32x4_t) f)); }
#else
VANTORIL_KERNEL_INLINE D2 widenLow (F4 f) noexcept { return (D2) _mm_cvtps_pd ((__m128) f); }
#endif
#if VANTORIL_KERNEL_LANES == 2
VANTORIL_KERNEL_INLINE D4 join (D2 low, D2 high) noexcept { return D4 { low[0], low[1], high[0], high[1] }; }
VANTORIL_KERNEL_INLINE D2 lowHalf (D4 v) noexcept { return D2 { v[0], v[1] }; }
// x > floor ? x : floor in every lane (the second operand where x is NaN).
VANTORIL_KERNEL_INLINE D4 max4 (D4 x, D4 floor) noexcept { return x > floor ? x : floor; }
#else
VANTORIL_KERNEL_INLINE D4 join (D2 low, D2 high) noexcept { return (D4) _mm256_set_m128d ((__m128d) high, (__m128d) low); }
VANTORIL_KERNEL_INLINE D2 lowHalf (D4 v) noexcept { return (D2) _mm256_castpd256_pd128 ((__m256d) v); }
VANTORIL_KERNEL_INLINE D4 max4 (D4 x, D4 floor) noexcept { return (D4) _mm256_max_pd ((__m256d) x, (__m256d) floor); }
#endif

// The per-sample path's gain computer, for the rare lanes outside the vector
// functions' range.
VANTORIL_KERNEL_INLINE double referenceTarget (double levelValue, double thresholdDb, double knee, double ratio) noexcept
{
    double db = floorDb;
    if (levelValue > 0.0)
    {
        const double d = 20.0 * std::log10 (levelValue);
        if (d > floorDb)
            db = d;
    }
    if (! (db > floorDb))
        return 0.0;
    return -((std::log (std::exp ((db - thresholdDb) * knee) + 1.0) / knee) * ratio);
}

// V1 on one vector: level in dB and the static curve, in three steps (log,
// exp, log). The loop runs each step in its own pass, on successive vectors, so
// the steps' long chains of dependent operations overlap.
struct CurveWork
{
    VD v, db, exponent, sum;
};

VANTORIL_KERNEL_INLINE CurveWork curveStart (const double* level, const CurveConstants& cc) noexcept
{
    constexpr double toDb = 8.6858896380650365530; // 20 / ln 10
    CurveWork c;
    c.v = loadVector<VD> (level);
    const VD db = dmath::log (c.v) * toDb;
    c.db = db > floorDb ? db : VD {} + floorDb;
    c.exponent = (c.db - cc.thresholdDb) * cc.knee;
    return c;
}

VANTORIL_KERNEL_INLINE void curveMiddle (CurveWork& c) noexcept { c.sum = dmath::exp (c.exponent) + 1.0; }

VANTORIL_KERNEL_INLINE void curveEnd (const CurveWork& c, double* target, const CurveConstants& cc) noexcept
{
    const VD curve = dmath::log (c.sum) * cc.scale;
    VD g = c.db > floorDb ? curve : VD {};
    // The detector keeps its value between about 1e-10 and 1e83, so only the
    // exponential can leave its range (NaN included).
    const VL outside = ! (absolute (c.exponent) < 700.0);
    if (__builtin_expect (anyLane (outside), 0))
        for (int lane = 0; lane < W; ++lane)
            if (outside[lane])
                g[lane] = referenceTarget (c.v[lane], cc.thresholdDb[lane], cc.knee[lane], cc.ratio[lane]);
    storeVector (target, g);
}

// Interleaves the next framesPerVector<2> samples of two channels: l0 r0 l1 r1 ...
VANTORIL_KERNEL_INLINE VF interleave (const float* l, const float* r) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    const __m128 a = _mm_loadu_ps (l), b = _mm_loadu_ps (r);
    return (VF) _mm256_set_m128 (_mm_unpackhi_ps (a, b), _mm_unpacklo_ps (a, b));
#elif VANTORIL_KERNEL_LANES == 4
    const __m128 a = _mm_castpd_ps (_mm_load_sd (reinterpret_cast<const double*> (l)));
    const __m128 b = _mm_castpd_ps (_mm_load_sd (reinterpret_cast<const double*> (r)));
    return (VF) _mm_unpacklo_ps (a, b);
#else
    return VF { l[0], r[0] };
#endif
}

// Splits interleaved frames back into the two channels.
VANTORIL_KERNEL_INLINE void deinterleave (VF v, float* l, float* r, int frames) noexcept
{
    constexpr int framesPerVector = vantoril::VANTORIL_KERNEL_NAMESPACE::framesPerVector<2>;
#if VANTORIL_KERNEL_LANES == 8
    const __m256 split = _mm256_permutevar8x32_ps ((__m256) v, _mm256_setr_epi32 (0, 2, 4, 6, 1, 3, 5, 7));
    if (frames == framesPerVector)
    {
        _mm_storeu_ps (l, _mm256_castps256_ps128 (split));
        _mm_storeu_ps (r, _mm256_extractf128_ps (split, 1));
        return;
    }
#elif VANTORIL_KERNEL_LANES == 4
    const __m128 split = _mm_shuffle_ps ((__m128) v, (__m128) v, _MM_SHUFFLE (3, 1, 2, 0));
    if (frames == framesPerVector)
    {
        _mm_store_sd (reinterpret_cast<double*> (l), _mm_castps_pd (split));
        _mm_storeh_pd (reinterpret_cast<double*> (r), _mm_castps_pd (split));
        return;
    }
#else
    // One frame per vector.
    const VF split = v;
#endif
    const float* lanes = reinterpret_cast<const float*> (&split);
    for (int i = 0; i < frames; ++i)
    {
        l[i] = lanes[i];
        r[i] = lanes[framesPerVector + i];
    }
}

// V2 on one vector of `valid` frames: attack jump, linear gain (kept for D),
// then the audio path in place; raises peak to the output magnitude per lane.
// In four steps: gain, one exponential, the other, the audio path.
struct OutputWork
{
    VF x, compressed, e1, e2;
};

VANTORIL_KERNEL_INLINE OutputWork outputStart (const double* target, const double* smoothed, const float* input, double* linear,
                                               const DriveConstants& dc) noexcept
{
    const VD g = loadVector<VD> (target);
    const VD y = loadVector<VD> (smoothed);

    // max() is the comparison jump > 0 ? jump : 0, NaN included.
    const VD jump = maxPd (0.6 * (y - g), VD {});
    const VD applied = y - jump;
    // Reductions of 100 dB or more give no gain at all, so their exponents may
    // be clamped into the table's range: the kept lanes lie between -5 and 0.
    const VF exponent = minPs (maxPs (toFloat (applied * 0.05), VF {} - 10.0f), VF {} + 10.0f);
    VD gain = toDouble (toFloat (libmfloat::pow10f (toDouble (exponent), dc.log2Ten)));
    gain = applied > floorDb ? gain : VD {};
    storeVector (linear, gain);

    OutputWork o;
    o.x = loadVector<VF> (input);
    o.compressed = toFloat (toDouble (o.x) * gain);
    return o;
}

// The drive stage's two exponentials, one step each. Both are clamped into the
// table's range, [-88, 88]. That changes no result: beyond +88,
// 2 / (e + 1) - 1 is -1 whether e is e^88 or infinite, below -88 it is 1 either
// way; and the bump's exponent drops below -88 only for |compressed| > 3.19,
// where t times the makeup scale is at least 0.1 and a bump of e^-88 or less
// does not change it.
VANTORIL_KERNEL_INLINE void outputMiddle1 (OutputWork& o, const DriveConstants& dc) noexcept
{
    const VF a1 = minPs (maxPs (o.compressed * dc.argumentScale, VF {} - 88.0f), VF {} + 88.0f);
    o.e1 = toFloat (libmfloat::expf (toDouble (a1)));
}

VANTORIL_KERNEL_INLINE void outputMiddle2 (OutputWork& o) noexcept
{
    const VF shifted = o.compressed + 1.0f;
    const VF a2 = maxPs (shifted * shifted * -5.0f, VF {} - 88.0f);
    o.e2 = toFloat (libmfloat::expf (toDouble (a2)));
}

template <int Ch>
VANTORIL_KERNEL_INLINE void outputEnd (const OutputWork& o, float* l, float* r, int valid, const DriveConstants& dc,
                                       VF& peak) noexcept
{
    const VF t = 2.0f / (o.e1 + 1.0f) - 1.0f;
    const VF bump = o.e2 * 0.5f * 0.5f * dc.driveAmount;
    const VF driven = t * dc.makeupScale + bump;
    VF out = ((driven * dc.levelGain) * dc.mixAmount) + (dc.dryShare * o.x);
    out = absolute (out) <= FLT_MAX ? out : VF {};

    VF magnitude = absolute (out);
    if (valid < framesPerVector<Ch>)
        for (int lane = Ch * valid; lane < W; ++lane)
            magnitude[lane] = 0.0f;
    peak = maxPs (magnitude, peak);

    if constexpr (Ch == 2)
        deinterleave (out, l, r, valid);
    else if (valid == W)
        storeVector (l, out);
    else
        std::memcpy (l, &out, sizeof (float) * static_cast<size_t> (valid));
}

// The block for Ch channels (1 or 2). The recursions keep channel 0 in lane 0
// and channel 1 in lane 1 of their registers; a mono block's lane 1 runs on
// silence with a filter of its own and is never written back.
template <int Ch>
VANTORIL_KERNEL_INLINE void processChannels (KernelChannel* channels, int numSamples, const BlockSettings& settings) noexcept
{
    constexpr int numChannels = Ch;
    constexpr int framesPerVector = vantoril::VANTORIL_KERNEL_NAMESPACE::framesPerVector<Ch>;
    LowCutState spareLowCut;

    CompressorChannel* compressors[2] = { channels[0].compressor, Ch > 1 ? channels[1].compressor : nullptr };
    LowCutState* lowCuts[2] = { channels[0].lowCut, Ch > 1 ? channels[1].lowCut : &spareLowCut };
    float* samples[2] = { channels[0].samples, Ch > 1 ? channels[1].samples : nullptr };

    CompressorChannel::BlockState state[2];
    state[0] = compressors[0]->beginBlock();
    state[1] = Ch > 1 ? compressors[1]->beginBlock() : state[0];

    auto pair = [] (auto a, auto b) { return D2 { static_cast<double> (a), static_cast<double> (b) }; };
    auto pairF = [] (float a, float b) { return F4 { a, b, 0.0f, 0.0f }; };

    CurveConstants cc;
    for (int i = 0; i < W; ++i)
    {
        const auto& st = state[i & 1];
        cc.thresholdDb[i] = st.thresholdDb;
        cc.knee[i] = st.knee;
        cc.ratio[i] = st.ratio;
        cc.scale[i] = -st.ratio / st.knee;
    }

    DriveConstants dc;
    dc.driveAmount = settings.driveAmount;
    dc.argumentScale = (settings.driveAmount + 0.01f) * -10.0f;
    dc.makeupScale = settings.makeupScale;
    dc.levelGain = settings.levelGain;
    dc.mixAmount = settings.mixAmount;
    dc.dryShare = 1.0f - settings.mixAmount;
    dc.log2Ten = libraryLog2Ten();

    Rings rings;
    VF peak {};

    // Vector t of frames starts at frame t * framesPerVector; the last may be short.
    const int numVectors = (numSamples + framesPerVector - 1) / framesPerVector;
    auto framesIn = [&] (int t) { return t == numVectors - 1 ? numSamples - t * framesPerVector : framesPerVector; };
    auto valid = [&] (int t) { return t >= 0 && t < numVectors; };
    float* const left = samples[0];
    float* const right = samples[1];

    // Recursion state in registers through the loop, channel 0 in lane 0 and
    // channel 1 in lane 1. Both RMS detectors (level: lanes 0-1, gain: lanes
    // 2-3) share one register and one division per frame.
    D4 detector = { state[0].levelValue, state[1].levelValue, state[0].gainValue, state[1].gainValue };
    D2 smoothed = pair (state[0].smoothedReductionDb, state[1].smoothedReductionDb);
    D2 slowdown = pair (state[0].releaseSlowdown, state[1].releaseSlowdown);
    L2 heavy = { state[0].heavyReduction ? -1 : 0, state[1].heavyReduction ? -1 : 0 };
    // A lane whose low cut does not run gets the identity section (1, 0, 0, 0, 0)
    // with a clear history: its output is its input, bit for bit, and its
    // history stays zero for finite input.
    const LowCutState identity { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false, false };
    const LowCutState& section0 = lowCuts[0]->run ? *lowCuts[0] : identity;
    const LowCutState& section1 = lowCuts[1]->run ? *lowCuts[1] : identity;
    F4 fv1 = pairF (section0.v1, section1.v1), fv2 = pairF (section0.v2, section1.v2);
    const F4 c0 = pairF (section0.c0, section1.c0), c1 = pairF (section0.c1, section1.c1);
    const F4 c2 = pairF (section0.c2, section1.c2), c3 = pairF (section0.c3, section1.c3);
    const F4 c4 = pairF (section0.c4, section1.c4);
    // The detector step x + c (s / x - x) as (1 - c) x + (c s) / x: the division
    // and one fused operation on the chain from frame to frame.
    const D4 detectorCoefficient = { state[0].levelCoefficient, state[1].levelCoefficient, state[0].gainCoefficient,
                                     state[1].gainCoefficient };
    const D4 detectorKeep = 1.0 - detectorCoefficient;
    const D2 step = pair (state[0].releaseSlowdownStep, state[1].releaseSlowdownStep);
    const D2 limit = pair (state[0].releaseSlowdownLimit, state[1].releaseSlowdownLimit);
    const D2 attack = pair (state[0].attack, state[1].attack), release = pair (state[0].release, state[1].release);
    const D4 floor4 = D4 {} + squareFloor;
    const F4 maxFloat = F4 {} + FLT_MAX;
    // A section's non-finite output always reaches its history (through c3 or
    // c4) unless both are zero; the identity section's output is its finite input.
    auto showsOverflow = [] (const LowCutState& c) { return ! c.run || c.c3 != 0.0f || c.c4 != 0.0f; };
    const bool filterShowsOverflow = showsOverflow (*lowCuts[0]) && showsOverflow (*lowCuts[1]);
    auto historyFinite = [&]() VANTORIL_KERNEL_LAMBDA
    {
        const I4 finite = (absolute4 (fv1) <= maxFloat) & (absolute4 (fv2) <= maxFloat);
        return (finite[0] & finite[1] & finite[2] & finite[3]) != 0;
    };
    const L4 levelLanes = { -1, -1, 0, 0 }, gainLanes = { 0, 0, -1, -1 };

    CurveWork curveWork[ringSize];
    OutputWork outputWork[ringSize];

    for (int t = 0; t < numVectors + lagLast; ++t)
    {
        const int tAB = t, tC = t - lagC, tD = t - lagD;
        // Between the pipeline's start and the block's last vector every stage
        // has a whole vector of frames.
        const bool steady = t >= lagLast && t < numVectors - 1;
        const int nAB = steady ? framesPerVector : (valid (tAB) ? framesIn (tAB) : 0);
        const int nC = steady ? framesPerVector : (valid (tC) ? framesIn (tC) : 0);
        const int nD = steady ? framesPerVector : (valid (tD) ? framesIn (tD) : 0);
        double* const levelOut = rings.level[tAB & (ringSize - 1)];
        const double* const targetC = rings.target[tC & (ringSize - 1)];
        double* const smoothedOut = rings.smoothed[tC & (ringSize - 1)];
        const double* const linearIn = rings.linear[tD & (ringSize - 1)];

        // The side chain of vector t, interleaved, non-finite samples as silence.
        float* const side = rings.input[tAB & (ringSize - 1)];
        if (nAB > 0)
        {
            const int base = tAB * framesPerVector;
            VF x {};
            if constexpr (Ch == 1)
            {
                if (nAB == framesPerVector)
                    x = loadVector<VF> (left + base);
                else
                    std::memcpy (&x, left + base, sizeof (float) * static_cast<size_t> (nAB));
            }
            else if (nAB == framesPerVector)
            {
                x = interleave (left + base, right + base);
            }
            else
            {
                float lp[W / 2] = {}, rp[W / 2] = {};
                for (int i = 0; i < nAB; ++i)
                {
                    lp[i] = left[base + i];
                    rp[i] = right[base + i];
                }
                x = interleave (lp, rp);
            }
            x = absolute (x) <= FLT_MAX ? x : VF {};
            storeVector (side, x);
        }

        // One frame of the recursions: low cut and both detectors, smoothing.
        auto frame = [&] (int i, bool levelNow, bool gainNow, bool smoothNow, bool checkFilter) VANTORIL_KERNEL_LAMBDA
        {
            D2 side2 {}, gain2 {};
            if (levelNow)
            {
                F4 in;
                if constexpr (Ch == 2)
                    in = F4 { side[2 * i], side[2 * i + 1], 0.0f, 0.0f };
                else
                    in = F4 { side[i], 0.0f, 0.0f, 0.0f };
                const F4 out = c0 * in + fv1;
                fv1 = c1 * in - c3 * out + fv2;
                fv2 = c2 * in - c4 * out;
                const F4 filtered = ! checkFilter || absolute4 (out) <= maxFloat ? out : F4 {};
                side2 = widenLow (filtered);
            }
            if (gainNow)
            {
                if constexpr (Ch == 2)
                    gain2 = loadVector<D2> (linearIn + 2 * i);
                else
                    gain2 = D2 { linearIn[i], 0.0 };
            }
            if (levelNow || gainNow)
            {
                const D4 x = join (side2, gain2);
                // max() here is the comparison x^2 > floor ? x^2 : floor (x is finite, or
                // the pass runs again with the check).
                const D4 square = max4 (x * x, floor4);
                const D4 next = fmadd4 (detector, detectorKeep, (square * detectorCoefficient) / detector);
                if (levelNow && gainNow)
                    detector = next;
                else
                    detector = (levelNow ? levelLanes : gainLanes) ? next : detector;
                if (levelNow)
                {
                    if constexpr (Ch == 2)
                        storeVector (levelOut + 2 * i, lowHalf (detector));
                    else
                        levelOut[i] = detector[0];
                }
            }
            if (smoothNow)
            {
                const D2 g = Ch == 2 ? loadVector<D2> (targetC + 2 * i) : D2 { targetC[i], 0.0 };
                const L2 heavyNow = g < -1.0;
                D2 grown = slowdown + step;
                grown = limit < grown ? limit : grown;
                const D2 restarted = heavy ? grown : D2 {};
                slowdown = heavyNow ? restarted : slowdown;
                heavy = heavyNow;
                const D2 difference = g - smoothed;
                // Rising towards the target: the release weight, slowed down;
                // falling: the attack weight. A difference of zero leaves the
                // value as it is either way.
                const D2 weight = difference > 0.0 ? (1.0 - slowdown) * release : attack;
                smoothed = difference * weight + smoothed;
                if constexpr (Ch == 2)
                    storeVector (smoothedOut + 2 * i, smoothed);
                else
                    smoothedOut[i] = smoothed[0];
            }
        };

        // The vector stages, step by step; each step on its own vector.
        constexpr int mask = ringSize - 1;
        const int s1 = t - lagCurve, s2 = s1 - 1, s3 = s1 - 2;
        const int o1 = t - lagOutput, o2 = o1 - 1, o3 = o1 - 2, o4 = o1 - 3;
        constexpr int numSteps = 7;
        constexpr bool spreadSteps = W == 8;
        auto vectorStep = [&] (int k) VANTORIL_KERNEL_LAMBDA
        {
            switch (k)
            {
                case 0:
                    if (steady || valid (s1))
                        curveWork[s1 & mask] = curveStart (rings.level[s1 & mask], cc);
                    break;
                case 1:
                    if (steady || valid (o1))
                        outputWork[o1 & mask] = outputStart (rings.target[o1 & mask], rings.smoothed[o1 & mask],
                                                             rings.input[o1 & mask], rings.linear[o1 & mask], dc);
                    break;
                case 2:
                    if (steady || valid (s2))
                        curveMiddle (curveWork[s2 & mask]);
                    break;
                case 3:
                    if (steady || valid (o2))
                        outputMiddle1 (outputWork[o2 & mask], dc);
                    break;
                case 4:
                    if (steady || valid (s3))
                        curveEnd (curveWork[s3 & mask], rings.target[s3 & mask], cc);
                    break;
                case 5:
                    if (steady || valid (o3))
                        outputMiddle2 (outputWork[o3 & mask]);
                    break;
                default:
                    if (steady || valid (o4))
                    {
                        const int base = o4 * framesPerVector;
                        outputEnd<Ch> (outputWork[o4 & mask], left + base, Ch == 2 ? right + base : nullptr,
                                       steady ? framesPerVector : framesIn (o4), dc, peak);
                    }
                    break;
            }
        };

        // Steps from to to - 1, written out so that each is inlined in place.
        auto runSteps = [&] (int from, int to) VANTORIL_KERNEL_LAMBDA
        {
            auto stepInRange = [&] (int k) VANTORIL_KERNEL_LAMBDA
            {
                if (from <= k && k < to)
                    vectorStep (k);
            };
            stepInRange (0);
            stepInRange (1);
            stepInRange (2);
            stepInRange (3);
            stepInRange (4);
            stepInRange (5);
            stepInRange (6);
        };

        const bool fullPass = steady || (nAB == framesPerVector && nC == framesPerVector && nD == framesPerVector);
        if (fullPass)
        {
            // With AVX-512 the vector steps are spread between the frames (none
            // depends on this pass's recursions), so the processor sees
            // independent work beside each frame's chain; with AVX2 (half the
            // registers) they run after the frames, which measured faster.
            // The filter's output is taken as it is; a non-finite output leaves
            // a non-finite history, so a pass ending with a finite history had
            // none, and any other pass runs its frames again with the output checked.
            const F4 fv1Before = fv1, fv2Before = fv2;
            const D4 detectorBefore = detector;
            const D2 smoothedBefore = smoothed, slowdownBefore = slowdown;
            const L2 heavyBefore = heavy;
            for (int i = 0; i < framesPerVector; ++i)
            {
                frame (i, true, true, true, ! filterShowsOverflow);
                if constexpr (spreadSteps)
                    runSteps (i * numSteps / framesPerVector, (i + 1) * numSteps / framesPerVector);
            }

            if (filterShowsOverflow && __builtin_expect (! historyFinite(), 0))
            {
                fv1 = fv1Before;
                fv2 = fv2Before;
                detector = detectorBefore;
                smoothed = smoothedBefore;
                slowdown = slowdownBefore;
                heavy = heavyBefore;
                for (int i = 0; i < framesPerVector; ++i)
                    frame (i, true, true, true, true);
            }
        }
        else
        {
            for (int i = 0; i < framesPerVector; ++i)
                frame (i, i < nAB, i < nD, i < nC, true);
            // A short last vector is padded: level 1 and no reduction keep every
            // function of the padding in range.
            for (int i = Ch * nAB; i < W && nAB > 0; ++i)
                levelOut[i] = 1.0;
            for (int i = Ch * nC; i < W && nC > 0; ++i)
                smoothedOut[i] = 0.0;
        }
        if (! (spreadSteps && fullPass))
            runSteps (0, numSteps);
    }

    // Back into the channels and filters.
    for (int lane = 0; lane < numChannels; ++lane)
    {
        CompressorChannel::BlockState& st = state[lane];
        st.levelValue = detector[lane];
        st.gainValue = detector[2 + lane];
        st.smoothedReductionDb = smoothed[lane];
        st.releaseSlowdown = slowdown[lane];
        st.heavyReduction = heavy[lane] != 0;
        // The gain applied to the block's last frame, as the output stage left it.
        const int last = numSamples - 1;
        st.gain = rings.linear[(last / framesPerVector) & (ringSize - 1)][Ch * (last % framesPerVector) + lane];
        compressors[lane]->endBlock (st);

        LowCutState& lc = *lowCuts[lane];
        // Once the filter's output leaves the float range its history is no
        // longer finite and stays so: the block's final history tells.
        lc.overflowed = lc.run && ! (std::isfinite (fv1[lane]) && std::isfinite (fv2[lane]));
        if (lc.run)
        {
            lc.v1 = snapToZero (fv1[lane]);
            lc.v2 = snapToZero (fv2[lane]);
        }

        float magnitude = 0.0f;
        for (int i = lane; i < W; i += Ch)
            magnitude = peak[i] > magnitude ? peak[i] : magnitude;
        channels[lane].magnitude = magnitude;
    }
}

inline void processBlock (KernelChannel* channels, int numChannels, int numSamples, const BlockSettings& settings) noexcept
{
    if (numChannels < 1 || numSamples < 1)
        return;
    if (numChannels == 1)
        processChannels<1> (channels, numSamples, settings);
    else
        processChannels<2> (channels, numSamples, settings);
}

// Elementwise entry points for tests.
inline void expfArray (const float* in, float* out, int n) noexcept
{
    for (int i = 0; i < n; i += W)
    {
        VF x {};
        const int m = n - i < W ? n - i : W;
        std::memcpy (&x, in + i, sizeof (float) * static_cast<size_t> (m));
        const VF y = expfLanes (x);
        std::memcpy (out + i, &y, sizeof (float) * static_cast<size_t> (m));
    }
}

inline void pow10fArray (const float* in, float* out, int n) noexcept
{
    const double log2Ten = libraryLog2Ten();
    for (int i = 0; i < n; i += W)
    {
        VF x {};
        const int m = n - i < W ? n - i : W;
        std::memcpy (&x, in + i, sizeof (float) * static_cast<size_t> (m));
        const VF y = pow10fLanes (x, log2Ten);
        std::memcpy (out + i, &y, sizeof (float) * static_cast<size_t> (m));
    }
}

#undef VANTORIL_KERNEL_INLINE
#undef VANTORIL_KERNEL_LAMBDA

} // namespace vantoril::VANTORIL_KERNEL_NAMESPACE

#if defined(__clang__) && VANTORIL_KERNEL_LANES != 2
#pragma clang attribute pop
#endif

// The entry points, named after the instruction set (avx2BlockKernel, ...).
#define VANTORIL_KERNEL_JOIN(a, b) a##b
#define VANTORIL_KERNEL_NAME(ns, name) VANTORIL_KERNEL_JOIN (ns, name)
namespace vantoril
{
BlockKernel VANTORIL_KERNEL_NAME (VANTORIL_KERNEL_NAMESPACE, BlockKernel)() noexcept
{
    return &VANTORIL_KERNEL_NAMESPACE::processBlock;
}
FloatFunction VANTORIL_KERNEL_NAME (VANTORIL_KERNEL_NAMESPACE, Expf)() noexcept { return &VANTORIL_KERNEL_NAMESPACE::expfArray; }
FloatFunction VANTORIL_KERNEL_NAME (VANTORIL_KERNEL_NAMESPACE, Pow10f)() noexcept
{
    return &VANTORIL_KERNEL_NAMESPACE::pow10fArray;
}
} // namespace vantoril
#if ! defined(__clang__)
#pragma GCC pop_options
#endif

// The block kernel, compiled once per instruction set: the including file
// includes the headers below first, then switches the compiler's target to the
// instruction set and defines VANTORIL_KERNEL_NAMESPACE and
// VANTORIL_KERNEL_LANES (doubles per vector register). Only the functions
// defined here are built for that instruction set; everything shared with the
// rest of the program keeps the default target.
//
// Work per block, in chunks of 64 samples and with both channels side by side:
//   recursions (sample by sample, both channels in one register):
//     AB  side-chain sanitising, low cut and level detector
//     C   release slowdown and smoothing of the target reduction
//     D   gain detector (the meter's source)
//   elementwise stages (on vectors):
//     V1  level in dB and the static curve
//     V2  attack jump, dB to linear gain, drive, level, mix and output peak
// The recursions of different chunks are independent of each other, so one loop
// runs AB on chunk s, C on chunk s-1 and D on chunk s-2: their latencies overlap
// instead of adding up.
#include "BlockKernel.h"

#include <immintrin.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#ifndef VANTORIL_KERNEL_NAMESPACE
#error "define VANTORIL_KERNEL_NAMESPACE and VANTORIL_KERNEL_LANES before including this file"
#endif

namespace vantoril::VANTORIL_KERNEL_NAMESPACE
{

constexpr int W = VANTORIL_KERNEL_LANES;

typedef double VD __attribute__ ((vector_size (W * 8)));
typedef std::int64_t VL __attribute__ ((vector_size (W * 8)));
typedef std::uint64_t VU __attribute__ ((vector_size (W * 8)));
typedef float VF __attribute__ ((vector_size (W * 4)));
typedef std::int32_t VI __attribute__ ((vector_size (W * 4)));

typedef double D2 __attribute__ ((vector_size (16)));
typedef std::int64_t L2 __attribute__ ((vector_size (16)));
typedef float F4 __attribute__ ((vector_size (16)));
typedef std::int32_t I4 __attribute__ ((vector_size (16)));

template <typename To, typename From>
inline To bitCast (From v) noexcept
{
    static_assert (sizeof (To) == sizeof (From));
    To t;
    std::memcpy (&t, &v, sizeof (t));
    return t;
}

template <typename V>
inline V loadVector (const void* p) noexcept
{
    V v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

template <typename V>
inline void storeVector (void* p, V v) noexcept
{
    std::memcpy (p, &v, sizeof (v));
}

// a * b + c with a single rounding.
inline VD fmadd (VD a, VD b, VD c) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    return (VD) _mm512_fmadd_pd ((__m512d) a, (__m512d) b, (__m512d) c);
#else
    return (VD) _mm256_fmadd_pd ((__m256d) a, (__m256d) b, (__m256d) c);
#endif
}

// table[index & 31] for every lane.
inline VU lookup32 (const std::uint64_t* table, VU index) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    const __m512i i = (__m512i) index;
    const __m512i low = _mm512_permutex2var_epi64 (_mm512_loadu_si512 (table), i, _mm512_loadu_si512 (table + 8));
    const __m512i high = _mm512_permutex2var_epi64 (_mm512_loadu_si512 (table + 16), i, _mm512_loadu_si512 (table + 24));
    const __mmask8 upper = _mm512_test_epi64_mask (i, _mm512_set1_epi64 (16));
    return (VU) _mm512_mask_blend_epi64 (upper, low, high);
#else
    return (VU) _mm256_i64gather_epi64 ((const long long*) table, (__m256i) (index & 31), 8);
#endif
}

template <typename M>
inline bool anyLane (M mask) noexcept
{
    constexpr int n = sizeof (M) / sizeof (mask[0]);
    auto merged = mask[0];
    for (int i = 1; i < n; ++i)
        merged |= mask[i];
    return merged != 0;
}

inline VD absolute (VD x) noexcept { return bitCast<VD> (bitCast<VU> (x) & 0x7fffffffffffffffULL); }
inline VF absolute (VF x) noexcept { return bitCast<VF> (bitCast<VI> (x) & 0x7fffffff); }
inline F4 absolute4 (F4 x) noexcept { return bitCast<F4> (bitCast<I4> (x) & 0x7fffffff); }

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
    0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f, 0x3fef9301d0125b51, 0x3fef72b83c7d517b,
    0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1, 0x3fef06fe0a31b715, 0x3feef1a7373aa9cb,
    0x3feedea64c123422, 0x3feece086061892d, 0x3feebfdad5362a27, 0x3feeb42b569d4f82, 0x3feeab07dd485429,
    0x3feea47eb03a5585, 0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74, 0x3feea11473eb0187, 0x3feea589994cce13,
    0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090, 0x3feed503b23e255d, 0x3feee89f995ad3ad,
    0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069, 0x3fef5818dcfba487, 0x3fef7c97337b9b5f,
    0x3fefa4afa2a490da, 0x3fefd0765b6e4540,
};
constexpr double poly[3] = { 0x1.c6af84b912394p-5, 0x1.ebfce50fac4f3p-3, 0x1.62e42ff0c52d6p-1 };
constexpr double shift = 0x1.8p+52;

// 2^(k/32) * 2^r for k/32 + r = x, with x already reduced: kd + shift = rounded.
inline VD scaleByTable (VD rounded, VD r, const double* c) noexcept
{
    const VU ki = bitCast<VU> (rounded);
    VU t = lookup32 (powersOfTwo, ki & 31);
    t += ki << 47;
    const VD s = bitCast<VD> (t);
    const VD z = fmadd (VD {} + c[0], r, VD {} + c[1]);
    const VD r2 = r * r;
    VD y = fmadd (VD {} + c[2], r, VD {} + 1.0);
    y = fmadd (z, r2, y);
    return y * s;
}

// e^x for |x| < 88 (the callers route other lanes to the library).
inline VD expf (VD x) noexcept
{
    constexpr double scaled[3] = { poly[0] / 32 / 32 / 32, poly[1] / 32 / 32, poly[2] / 32 };
    const VD invLn2N = VD {} + 0x1.71547652b82fep+0 * 32;
    const VD rounded = fmadd (invLn2N, x, VD {} + shift);
    const VD kd = rounded - shift;
    const VD r = fmadd (invLn2N, x, -kd);
    return scaleByTable (rounded, r, scaled);
}

// log2(10) as the library's single-precision power computes it.
inline double log2OfTen() noexcept
{
    const double invc = 0x1.9c2d163a1aa2dp-1, logc = 0x1.40645f0c6651cp-2;
    const double a[5] = { 0x1.27616c9496e0bp-2, -0x1.71969a075c67ap-2, 0x1.ec70a6ca7baddp-2, -0x1.7154748bef6c8p-1,
                          0x1.71547652ab82bp0 };
    const double r = std::fma (1.25, invc, -1.0);
    const double y0 = logc + 3.0;
    const double r2 = r * r;
    double y = std::fma (a[0], r, a[1]);
    const double p = std::fma (a[2], r, a[3]);
    const double r4 = r2 * r2;
    double q = std::fma (a[4], r, y0);
    q = std::fma (p, r2, q);
    y = std::fma (y, r4, q);
    return y;
}

// 10^y for -37 < y <= 0 (the callers route other lanes to the library).
inline VD pow10f (VD y, double log2Ten) noexcept
{
    const VD ylogx = y * log2Ten;
    const VD rounded = ylogx + shift / 32;
    const VD kd = rounded - shift / 32;
    const VD r = ylogx - kd;
    return scaleByTable (rounded, r, poly);
}
} // namespace libmfloat

inline VF toFloat (VD d) noexcept { return __builtin_convertvector (d, VF); }
inline VD toDouble (VF f) noexcept { return __builtin_convertvector (f, VD); }

// expf of every lane; lanes outside the table range go to the library.
inline VF expfLanes (VF x) noexcept
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
inline VF pow10fLanes (VF x, double log2Ten) noexcept
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

// e^x for |x| < 708.
inline VD exp (VD x) noexcept
{
    const VD shifter = VD {} + 0x1.8p52;
    const VD rounded = fmadd (x, VD {} + 0x1.71547652b82fep0, shifter);
    const VD k = rounded - shifter;
    VD r = fmadd (k, VD {} - ln2Hi, x);
    r = fmadd (k, VD {} - ln2Lo, r);
    constexpr double c[] = { 1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0,
                             1.0 / 40320.0,     1.0 / 5040.0,     1.0 / 720.0,     1.0 / 120.0,
                             1.0 / 24.0,        1.0 / 6.0,        0.5,             1.0,
                             1.0 };
    VD p = VD {} + 1.0 / 6227020800.0;
    for (double ci : c)
        p = fmadd (p, r, VD {} + ci);
    const VU scale = (bitCast<VU> (rounded) - bitCast<VU> (shifter) + 1023) << 52;
    return p * bitCast<VD> (scale);
}

// ln x for positive normal x.
inline VD log (VD x) noexcept
{
    const VU bits = bitCast<VU> (x);
    VL e = (VL) ((bits >> 52) & 0x7ff) - 1023;
    VD m = bitCast<VD> ((bits & 0x000fffffffffffffULL) | 0x3ff0000000000000ULL); // [1, 2)
    const VL big = m > 1.4142135623730951;
    m = big ? m * 0.5 : m;
    e = e - big; // a comparison gives -1 where true
    const VD f = m - 1.0;
    const VD s = f / (f + 2.0);
    const VD s2 = s * s;
    constexpr double c[] = { 2.0 / 21.0, 2.0 / 19.0, 2.0 / 17.0, 2.0 / 15.0, 2.0 / 13.0, 2.0 / 11.0,
                             2.0 / 9.0,  2.0 / 7.0,  2.0 / 5.0,  2.0 / 3.0 };
    VD p = VD {} + 2.0 / 23.0;
    for (double ci : c)
        p = fmadd (p, s2, VD {} + ci);
    // ln m = 2 atanh s = 2 s + s^3 p
    const VD ed = __builtin_convertvector (e, VD);
    const VD logM = fmadd (s * s2, p, s + s);
    return fmadd (ed, VD {} + ln2Hi, fmadd (ed, VD {} + ln2Lo, logM));
}
} // namespace dmath

//==============================================================================
constexpr int chunk = 64;
constexpr double floorDb = -100.0;
constexpr double squareFloor = 1e-5;

// State of the two channels, lane 0 and lane 1, during a block.
struct PairState
{
    // low cut
    F4 c0, c1, c2, c3, c4, v1, v2;
    I4 runFilter;
    I4 overflow;
    // level detector
    D2 level, levelCoefficient;
    // smoothing
    D2 smoothed, slowdown, slowdownStep, slowdownLimit, attack, release;
    L2 heavy;
    // gain detector
    D2 gainValue, gainCoefficient, lastGain;
};

struct ChunkBuffers
{
    alignas (64) double level[2 * chunk];     // AB -> V1
    alignas (64) double target[2][2 * chunk]; // V1 -> C, V2 (two chunks in flight)
    alignas (64) double smoothed[2 * chunk];  // C -> V2
    alignas (64) double linear[2 * chunk];    // V2 -> D
};

inline D2 widenLow (F4 f) noexcept { return (D2) _mm_cvtps_pd ((__m128) f); }

template <bool doAB, bool doC, bool doD>
inline void runRecursions (PairState& p, const float* sideL, const float* sideR, double* levelOut, const double* target,
                           double* smoothedOut, const double* linear, int from, int to) noexcept
{
    // Local copies keep the state in registers through the loop.
    F4 v1 = p.v1, v2 = p.v2;
    I4 overflow = p.overflow;
    D2 level = p.level, smoothed = p.smoothed, slowdown = p.slowdown, gainValue = p.gainValue, lastGain = p.lastGain;
    L2 heavy = p.heavy;
    const F4 c0 = p.c0, c1 = p.c1, c2 = p.c2, c3 = p.c3, c4 = p.c4;
    const I4 runFilter = p.runFilter;
    const D2 levelCoefficient = p.levelCoefficient, gainCoefficient = p.gainCoefficient;
    const D2 step = p.slowdownStep, limit = p.slowdownLimit, attack = p.attack, release = p.release;
    const D2 floor2 = D2 {} + squareFloor;
    const F4 maxFloat = F4 {} + FLT_MAX;

    for (int i = from; i < to; ++i)
    {
        if constexpr (doAB)
        {
            F4 in = { sideL[i], sideR[i], 0.0f, 0.0f };
            in = absolute4 (in) <= maxFloat ? in : F4 {};
            const F4 out = c0 * in + v1;
            v1 = c1 * in - c3 * out + v2;
            v2 = c2 * in - c4 * out;
            F4 c = runFilter ? out : in;
            const I4 finite = absolute4 (c) <= maxFloat;
            overflow |= ~finite;
            c = finite ? c : F4 {};
            const D2 x = widenLow (c);
            D2 square = x * x;
            square = square > floor2 ? square : floor2;
            level = ((square / level) - level) * levelCoefficient + level;
            storeVector (levelOut + 2 * i, level);
        }
        if constexpr (doC)
        {
            const D2 g = loadVector<D2> (target + 2 * i);
            const L2 heavyNow = g < -1.0;
            D2 grown = slowdown + step;
            grown = limit < grown ? limit : grown;
            const D2 restarted = heavy ? grown : D2 {};
            slowdown = heavyNow ? restarted : slowdown;
            heavy = heavyNow;
            const D2 difference = g - smoothed;
            const D2 releasing = (1.0 - slowdown) * (difference * release) + smoothed;
            const D2 attacking = difference * attack + smoothed;
            smoothed = difference > 0.0 ? releasing : (difference < 0.0 ? attacking : smoothed);
            storeVector (smoothedOut + 2 * i, smoothed);
        }
        if constexpr (doD)
        {
            const D2 g = loadVector<D2> (linear + 2 * i);
            D2 square = g * g;
            square = square > floor2 ? square : floor2;
            gainValue = ((square / gainValue) - gainValue) * gainCoefficient + gainValue;
            lastGain = g;
        }
    }

    p.v1 = v1;
    p.v2 = v2;
    p.overflow = overflow;
    p.level = level;
    p.smoothed = smoothed;
    p.slowdown = slowdown;
    p.heavy = heavy;
    p.gainValue = gainValue;
    p.lastGain = lastGain;
}

// Runs the recursions of the stages in `stages` (bit 0: AB, 1: C, 2: D).
inline void runStages (int stages, PairState& p, const float* sideL, const float* sideR, double* levelOut,
                       const double* target, double* smoothedOut, const double* linear, int from, int to) noexcept
{
    switch (stages)
    {
        case 1: runRecursions<true, false, false> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        case 2: runRecursions<false, true, false> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        case 3: runRecursions<true, true, false> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        case 4: runRecursions<false, false, true> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        case 5: runRecursions<true, false, true> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        case 6: runRecursions<false, true, true> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        case 7: runRecursions<true, true, true> (p, sideL, sideR, levelOut, target, smoothedOut, linear, from, to); break;
        default: break;
    }
}

// The per-sample path's gain computer, for the rare lanes outside the vector
// functions' range.
inline double referenceTarget (double levelValue, double thresholdDb, double knee, double ratio) noexcept
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

// V1: level in dB and the static curve for `count` interleaved values.
inline void computeTargets (const double* level, double* target, int count, D2 thresholdDb, D2 knee, D2 ratio) noexcept
{
    VD thr, k, r;
    for (int i = 0; i < W; ++i)
    {
        thr[i] = thresholdDb[i & 1];
        k[i] = knee[i & 1];
        r[i] = ratio[i & 1];
    }
    constexpr double toDb = 8.6858896380650365530; // 20 / ln 10

    for (int i = 0; i < count; i += W)
    {
        const VD v = loadVector<VD> (level + i);
        const VL inRange = (v > 1e-300) & (v < 1e300);
        VD db = dmath::log (v) * toDb;
        db = db > floorDb ? db : VD {} + floorDb;
        const VD exponent = (db - thr) * k;
        const VD curve = -((dmath::log (dmath::exp (exponent) + 1.0) / k) * r);
        VD g = db > floorDb ? curve : VD {};
        const VL outside = ~inRange | ~((exponent < 700.0) & (exponent > -700.0));
        if (__builtin_expect (anyLane (outside), 0))
            for (int lane = 0; lane < W; ++lane)
                if (outside[lane])
                    g[lane] = referenceTarget (v[lane], thr[lane], k[lane], r[lane]);
        storeVector (target + i, g);
    }
}

// Interleaves the first W/2 values of two channels: l0 r0 l1 r1 ...
inline VF interleave (const float* l, const float* r) noexcept
{
    VF a {}, b {};
    std::memcpy (&a, l, sizeof (float) * W / 2);
    std::memcpy (&b, r, sizeof (float) * W / 2);
#if VANTORIL_KERNEL_LANES == 8
    return __builtin_shuffle (a, b, VI { 0, 8, 1, 9, 2, 10, 3, 11 });
#else
    return __builtin_shuffle (a, b, VI { 0, 4, 1, 5 });
#endif
}

inline void deinterleave (VF v, float* l, float* r, int frames) noexcept
{
#if VANTORIL_KERNEL_LANES == 8
    const VF split = __builtin_shuffle (v, VI { 0, 2, 4, 6, 1, 3, 5, 7 });
#else
    const VF split = __builtin_shuffle (v, VI { 0, 2, 1, 3 });
#endif
    std::memcpy (l, &split, sizeof (float) * static_cast<size_t> (frames));
    std::memcpy (r, reinterpret_cast<const float*> (&split) + W / 2, sizeof (float) * static_cast<size_t> (frames));
}

struct DriveConstants
{
    float argumentScale; // (drive + 0.01) * -10
    float driveAmount;
    float makeupScale;
    float levelGain;
    float mixAmount;
    double log2Ten;
};

// V2 for `frames` frames starting at samples l and r: attack jump, linear gain,
// then the audio path. Writes the linear gains (for D) and the output, and
// raises peak to the largest output magnitude per lane.
inline void renderOutput (const double* target, const double* smoothed, double* linear, float* l, float* r, int frames,
                          const DriveConstants& dc, VF& peak) noexcept
{
    constexpr int framesPerVector = W / 2;
    const float maxFloat = FLT_MAX;

    for (int f = 0; f < frames; f += framesPerVector)
    {
        const int valid = frames - f < framesPerVector ? frames - f : framesPerVector;
        const VD g = loadVector<VD> (target + 2 * f);
        const VD y = loadVector<VD> (smoothed + 2 * f);

        VD jump = 0.6 * (y - g);
        jump = jump > 0.0 ? jump : VD {};
        const VD applied = y - jump;
        const VF exponent = toFloat (applied * 0.05);
        VD gain = toDouble (pow10fLanes (exponent, dc.log2Ten));
        gain = applied > floorDb ? gain : VD {};
        storeVector (linear + 2 * f, gain);

        VF x;
        if (valid == framesPerVector)
        {
            x = interleave (l + f, r + f);
        }
        else
        {
            float lp[framesPerVector] = {}, rp[framesPerVector] = {};
            std::memcpy (lp, l + f, sizeof (float) * static_cast<size_t> (valid));
            std::memcpy (rp, r + f, sizeof (float) * static_cast<size_t> (valid));
            x = interleave (lp, rp);
        }
        x = absolute (x) <= maxFloat ? x : VF {};

        const VF compressed = toFloat (toDouble (x) * gain);
        const VF e1 = expfLanes (compressed * dc.argumentScale);
        const VF t = 2.0f / (e1 + 1.0f) - 1.0f;
        const VF shifted = compressed + 1.0f;
        const VF e2 = expfLanes (shifted * shifted * -5.0f);
        const VF bump = e2 * 0.5f * 0.5f * dc.driveAmount;
        const VF driven = t * dc.makeupScale + bump;
        VF out = ((driven * dc.levelGain) * dc.mixAmount) + ((1.0f - dc.mixAmount) * x);
        out = absolute (out) <= maxFloat ? out : VF {};

        VF magnitude = absolute (out);
        if (valid < framesPerVector)
            for (int lane = 2 * valid; lane < W; ++lane)
                magnitude[lane] = 0.0f;
        peak = magnitude > peak ? magnitude : peak;

        deinterleave (out, l + f, r + f, valid);
    }
}

inline void processBlock (KernelChannel* channels, int numChannels, int numSamples, const BlockSettings& settings) noexcept
{
    if (numChannels < 1 || numSamples < 1)
        return;

    // A mono block runs lane 1 on silence, with state and samples of its own.
    LowCutState spareLowCut;
    alignas (64) float spareSamples[chunk] = {};

    CompressorChannel* compressors[2] = { channels[0].compressor, numChannels > 1 ? channels[1].compressor : nullptr };
    LowCutState* lowCuts[2] = { channels[0].lowCut, numChannels > 1 ? channels[1].lowCut : &spareLowCut };
    float* samples[2] = { channels[0].samples, numChannels > 1 ? channels[1].samples : nullptr };

    CompressorChannel::BlockState state[2];
    state[0] = compressors[0]->beginBlock();
    state[1] = numChannels > 1 ? compressors[1]->beginBlock() : state[0];

    PairState p;
    auto pair = [] (auto a, auto b) { return D2 { static_cast<double> (a), static_cast<double> (b) }; };
    auto pairF = [] (float a, float b) { return F4 { a, b, 0.0f, 0.0f }; };
    p.c0 = pairF (lowCuts[0]->c0, lowCuts[1]->c0);
    p.c1 = pairF (lowCuts[0]->c1, lowCuts[1]->c1);
    p.c2 = pairF (lowCuts[0]->c2, lowCuts[1]->c2);
    p.c3 = pairF (lowCuts[0]->c3, lowCuts[1]->c3);
    p.c4 = pairF (lowCuts[0]->c4, lowCuts[1]->c4);
    p.v1 = pairF (lowCuts[0]->v1, lowCuts[1]->v1);
    p.v2 = pairF (lowCuts[0]->v2, lowCuts[1]->v2);
    p.runFilter = I4 { lowCuts[0]->run ? -1 : 0, lowCuts[1]->run ? -1 : 0, 0, 0 };
    p.overflow = I4 {};
    p.level = pair (state[0].levelValue, state[1].levelValue);
    p.levelCoefficient = pair (state[0].levelCoefficient, state[1].levelCoefficient);
    p.smoothed = pair (state[0].smoothedReductionDb, state[1].smoothedReductionDb);
    p.slowdown = pair (state[0].releaseSlowdown, state[1].releaseSlowdown);
    p.slowdownStep = pair (state[0].releaseSlowdownStep, state[1].releaseSlowdownStep);
    p.slowdownLimit = pair (state[0].releaseSlowdownLimit, state[1].releaseSlowdownLimit);
    p.attack = pair (state[0].attack, state[1].attack);
    p.release = pair (state[0].release, state[1].release);
    p.heavy = L2 { state[0].heavyReduction ? -1 : 0, state[1].heavyReduction ? -1 : 0 };
    p.gainValue = pair (state[0].gainValue, state[1].gainValue);
    p.gainCoefficient = pair (state[0].gainCoefficient, state[1].gainCoefficient);
    p.lastGain = pair (state[0].gain, state[1].gain);
    const D2 thresholdDb = pair (state[0].thresholdDb, state[1].thresholdDb);
    const D2 knee = pair (state[0].knee, state[1].knee);
    const D2 ratio = pair (state[0].ratio, state[1].ratio);

    DriveConstants dc;
    dc.driveAmount = settings.driveAmount;
    dc.argumentScale = (settings.driveAmount + 0.01f) * -10.0f;
    dc.makeupScale = settings.makeupScale;
    dc.levelGain = settings.levelGain;
    dc.mixAmount = settings.mixAmount;
    dc.log2Ten = libmfloat::log2OfTen();

    ChunkBuffers b;
    std::memset (&b, 0, sizeof (b));
    VF peak {};

    const int numChunks = (numSamples + chunk - 1) / chunk;
    auto chunkLength = [&] (int j) { return j >= 0 && j < numChunks ? (j == numChunks - 1 ? numSamples - j * chunk : chunk) : 0; };
    auto right = [&] (int j) -> float* { return samples[1] != nullptr ? samples[1] + j * chunk : spareSamples; };

    for (int s = 0; s < numChunks + 2; ++s)
    {
        // AB on chunk s, C on chunk s - 1, D on chunk s - 2.
        const int lengths[3] = { chunkLength (s), chunkLength (s - 1), chunkLength (s - 2) };
        const float* sideL = lengths[0] > 0 ? samples[0] + s * chunk : nullptr;
        const float* sideR = lengths[0] > 0 ? right (s) : nullptr;
        double* target = b.target[(s - 1) & 1];

        int stages = 0, common = chunk;
        for (int st = 0; st < 3; ++st)
            if (lengths[st] > 0)
            {
                stages |= 1 << st;
                common = lengths[st] < common ? lengths[st] : common;
            }
        runStages (stages, p, sideL, sideR, b.level, target, b.smoothed, b.linear, 0, common);
        int rest = 0, restLength = 0;
        for (int st = 0; st < 3; ++st)
            if (lengths[st] > common)
            {
                rest |= 1 << st;
                restLength = lengths[st];
            }
        if (rest != 0)
            runStages (rest, p, sideL, sideR, b.level, target, b.smoothed, b.linear, common, restLength);

        if (lengths[0] > 0)
            computeTargets (b.level, b.target[s & 1], 2 * lengths[0], thresholdDb, knee, ratio);
        if (lengths[1] > 0)
            renderOutput (target, b.smoothed, b.linear, samples[0] + (s - 1) * chunk, right (s - 1), lengths[1], dc, peak);
    }

    // Back into the channels and filters.
    for (int lane = 0; lane < numChannels; ++lane)
    {
        CompressorChannel::BlockState& st = state[lane];
        st.levelValue = p.level[lane];
        st.smoothedReductionDb = p.smoothed[lane];
        st.releaseSlowdown = p.slowdown[lane];
        st.heavyReduction = p.heavy[lane] != 0;
        st.gainValue = p.gainValue[lane];
        st.gain = p.lastGain[lane];
        compressors[lane]->endBlock (st);

        LowCutState& lc = *lowCuts[lane];
        lc.overflowed = p.overflow[lane] != 0;
        if (lc.run)
        {
            // The history snaps to zero below 1e-8 after every block, as the
            // filter's own block processing does.
            float v1 = p.v1[lane], v2 = p.v2[lane];
            if (! (v1 < -1.0e-8f || v1 > 1.0e-8f))
                v1 = 0.0f;
            if (! (v2 < -1.0e-8f || v2 > 1.0e-8f))
                v2 = 0.0f;
            lc.v1 = v1;
            lc.v2 = v2;
        }

        float magnitude = 0.0f;
        for (int i = lane; i < W; i += 2)
            magnitude = peak[i] > magnitude ? peak[i] : magnitude;
        channels[lane].magnitude = magnitude;
    }
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
    const double log2Ten = libmfloat::log2OfTen();
    for (int i = 0; i < n; i += W)
    {
        VF x {};
        const int m = n - i < W ? n - i : W;
        std::memcpy (&x, in + i, sizeof (float) * static_cast<size_t> (m));
        const VF y = pow10fLanes (x, log2Ten);
        std::memcpy (out + i, &y, sizeof (float) * static_cast<size_t> (m));
    }
}

} // namespace vantoril::VANTORIL_KERNEL_NAMESPACE

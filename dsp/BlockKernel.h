#pragma once

#include "CompressorChannel.h"

#include <cstdint>

namespace vantoril
{

// Side-chain high-pass of one channel as the block kernel sees it: the
// coefficients and history of a second-order section (transposed direct form,
// single precision), taken from the processor's filter before a block and
// written back after it.
struct LowCutState
{
    float c0 = 0.0f, c1 = 0.0f, c2 = 0.0f, c3 = 0.0f, c4 = 0.0f;
    float v1 = 0.0f, v2 = 0.0f;
    bool run = false; // the filter is active and the low cut is switched on
    bool overflowed = false; // set by the kernel when the filter's output was not finite
};

// The low cut's history after a block: values within 1e-8 of zero (and NaN)
// become zero, so that a decaying filter never runs on denormals.
inline float snapToZero (float v) noexcept { return (v < -1.0e-8f || v > 1.0e-8f) ? v : 0.0f; }

// Values of the drive stage and the mix for one block.
struct BlockSettings
{
    float driveAmount = 0.0f;
    float makeupScale = 1.0f;
    float levelGain = 1.0f;
    float mixAmount = 1.0f;
};

// One channel of a block: its compressor, its low cut, its samples (processed
// in place) and, written by the kernel, the block's output magnitude.
struct KernelChannel
{
    CompressorChannel* compressor = nullptr;
    LowCutState* lowCut = nullptr;
    float* samples = nullptr;
    float magnitude = 0.0f;
};

// Processes one block of one or two channels: the whole per-sample signal path
// (non-finite samples as silence, low cut, compressor, drive, level and mix),
// the same arithmetic as the per-sample path. Double-precision functions of the
// gain computer may differ from the C library's in the last bit; single
// precision results of the C library are reproduced exactly.
using BlockKernel = void (*) (KernelChannel* channels, int numChannels, int numSamples, const BlockSettings& settings);

// Tables of the kernels' functions, built once at start-up (with the default
// instruction set): ln c and 1/c for the 16 intervals the AVX-512 logarithm
// splits a mantissa in [0.75, 1.5) into (0-7 of width 1/16 from 1, 8-15 of width 1/32
// from 0.75; c is an interval's centre), 2^(i/32) for the exponential, stored
// as its bits minus i << 47 so that adding k << 47 scales it by 2^(k/32 - i/32),
// and log2(10) as the C library's single-precision power computes it (on
// processors with FMA, and on those without).
struct KernelTables
{
    alignas (64) double invc[16];
    alignas (64) double logc[16];
    alignas (64) std::uint64_t exp2Bits[32];
    double log2Ten, log2TenUnfused; // with fused operations, and with every step rounded
    KernelTables() noexcept;
};
extern const KernelTables kernelTables;

// The fastest kernel this processor runs: AVX-512, AVX2 with FMA or SSE2 on
// x86-64, Advanced SIMD on 64-bit ARM; nullptr elsewhere (the per-sample path
// is used then).
BlockKernel selectBlockKernel() noexcept;

// The individual kernels (nullptr where not built), for tests and benchmarks.
BlockKernel avx2BlockKernel() noexcept;
BlockKernel avx512BlockKernel() noexcept;
BlockKernel neonBlockKernel() noexcept;
BlockKernel sse2BlockKernel() noexcept;
bool cpuRunsAvx2() noexcept;
bool cpuRunsAvx512() noexcept;
bool cpuRunsNeon() noexcept;
bool cpuRunsSse2() noexcept;

// Elementwise single-precision e^x and 10^x of a kernel, for tests. They equal
// the C library's expf and powf (10, x) on this platform.
using FloatFunction = void (*) (const float* in, float* out, int n);
FloatFunction avx2Expf() noexcept;
FloatFunction avx2Pow10f() noexcept;
FloatFunction avx512Expf() noexcept;
FloatFunction avx512Pow10f() noexcept;
FloatFunction neonExpf() noexcept;
FloatFunction neonPow10f() noexcept;
FloatFunction sse2Expf() noexcept;
FloatFunction sse2Pow10f() noexcept;

} // namespace vantoril

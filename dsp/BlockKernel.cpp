#include "BlockKernel.h"

#include <cmath>
#include <cstring>

namespace vantoril
{

namespace
{
// The C library's log2 of a float, for x = 10 = 2^3 * 1.25: its table entry for
// 1.25 and its polynomial, each multiply-add done as mulAdd does it (fused on
// processors with FMA, every product and sum rounded on those without).
template <typename MulAdd> double log2TenAsLibrary (MulAdd mulAdd) noexcept
{
    const double invcTen = 0x1.9c2d163a1aa2dp-1, logcTen = 0x1.40645f0c6651cp-2;
    const double a[5] = { 0x1.27616c9496e0bp-2, -0x1.71969a075c67ap-2, 0x1.ec70a6ca7baddp-2, -0x1.7154748bef6c8p-1,
                          0x1.71547652ab82bp0 };
    const double y0 = logcTen + 3.0;
    const double r = mulAdd (1.25, invcTen, -1.0);
    const double r2 = r * r;
    const double y = mulAdd (a[0], r, a[1]);
    const double p = mulAdd (a[2], r, a[3]);
    const double r4 = r2 * r2;
    double q = mulAdd (a[4], r, y0);
    q = mulAdd (p, r2, q);
    return mulAdd (y, r4, q);
}
} // namespace

KernelTables::KernelTables() noexcept
{
    for (int i = 0; i < 16; ++i)
    {
        const double c = i < 8 ? 1.0 + (i + 0.5) / 16.0 : (1.0 + (i + 0.5) / 16.0) / 2.0;
        invc[i] = 1.0 / c;
        logc[i] = -std::log (invc[i]);
    }
    for (int i = 0; i < 32; ++i)
    {
        const double power = std::exp2 (i / 32.0);
        std::uint64_t bits;
        std::memcpy (&bits, &power, sizeof (bits));
        exp2Bits[i] = bits - (static_cast<std::uint64_t> (i) << 47);
    }

    log2Ten = log2TenAsLibrary ([] (double x, double y, double z) { return std::fma (x, y, z); });
    log2TenUnfused = log2TenAsLibrary ([] (double x, double y, double z) { return x * y + z; });
}

const KernelTables kernelTables;

#if defined(__x86_64__) || defined(_M_X64)
bool cpuRunsAvx2() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma");
}

bool cpuRunsAvx512() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports ("avx512f") && __builtin_cpu_supports ("avx512dq") && cpuRunsAvx2();
}

// Every x86-64 processor has SSE2.
bool cpuRunsSse2() noexcept { return true; }

#else
bool cpuRunsSse2() noexcept { return false; }
BlockKernel sse2BlockKernel() noexcept { return nullptr; }
FloatFunction sse2Expf() noexcept { return nullptr; }
FloatFunction sse2Pow10f() noexcept { return nullptr; }
bool cpuRunsAvx2() noexcept { return false; }
bool cpuRunsAvx512() noexcept { return false; }
BlockKernel avx2BlockKernel() noexcept { return nullptr; }
BlockKernel avx512BlockKernel() noexcept { return nullptr; }
FloatFunction avx2Expf() noexcept { return nullptr; }
FloatFunction avx2Pow10f() noexcept { return nullptr; }
FloatFunction avx512Expf() noexcept { return nullptr; }
FloatFunction avx512Pow10f() noexcept { return nullptr; }
#endif

#if defined(__aarch64__)
bool cpuRunsNeon() noexcept { return true; }
#else
// Other processors have no ARM kernel.
bool cpuRunsNeon() noexcept { return false; }
BlockKernel neonBlockKernel() noexcept { return nullptr; }
FloatFunction neonExpf() noexcept { return nullptr; }
FloatFunction neonPow10f() noexcept { return nullptr; }
#endif

namespace
{
// With AVX-512, mono blocks shorter than 96 frames run faster through the AVX2
// kernel: its vectors hold 4 frames of one channel instead of 8, so its
// pipeline fills and drains in half as many frames.
[[maybe_unused]] void avx512WithShortMonoOnAvx2 (KernelChannel* channels, int numChannels, int numSamples,
                                                 const BlockSettings& settings) noexcept
{
    const BlockKernel kernel = numChannels == 1 && numSamples < 96 ? avx2BlockKernel() : avx512BlockKernel();
    kernel (channels, numChannels, numSamples, settings);
}
} // namespace

BlockKernel selectBlockKernel() noexcept
{
    // A measurement build runs its one path (where the processor can run it;
    // the benchmark script builds only those).
#if defined(VANTORIL_FORCED_PATH_per_sample)
    return nullptr;
#elif defined(VANTORIL_FORCED_PATH_avx2)
    return cpuRunsAvx2() ? avx2BlockKernel() : nullptr;
#elif defined(VANTORIL_FORCED_PATH_avx512)
    return cpuRunsAvx512() ? avx512BlockKernel() : nullptr;
#elif defined(VANTORIL_FORCED_PATH_neon)
    return cpuRunsNeon() ? neonBlockKernel() : nullptr;
#elif defined(VANTORIL_FORCED_PATH_sse2)
    return cpuRunsSse2() ? sse2BlockKernel() : nullptr;
#else
    if (cpuRunsAvx512())
        return &avx512WithShortMonoOnAvx2;
    if (cpuRunsAvx2())
        return avx2BlockKernel();
    if (cpuRunsSse2())
        return sse2BlockKernel();
    if (cpuRunsNeon())
        return neonBlockKernel();
    return nullptr;
#endif
}

} // namespace vantoril

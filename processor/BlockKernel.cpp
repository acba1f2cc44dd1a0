#include "BlockKernel.h"

#include <cmath>
#include <cstring>

namespace vantoril
{

KernelTables::KernelTables() noexcept
{
    for (int i = 0; i < 32; ++i)
    {
        const double c = i == 0 ? 1.0 : 1.0 + (i + 0.5) / 32.0;
        invc[i] = 1.0 / c;
        logc[i] = -std::log (invc[i]);

        const double power = std::exp2 (i / 32.0);
        std::uint64_t bits;
        std::memcpy (&bits, &power, sizeof (bits));
        exp2Bits[i] = bits - (static_cast<std::uint64_t> (i) << 47);
    }
    for (int i = 0; i < 16; ++i)
    {
        const double c = i < 8 ? 1.0 + (i + 0.5) / 16.0 : (1.0 + (i + 0.5) / 16.0) / 2.0;
        invc16[i] = 1.0 / c;
        logc16[i] = -std::log (invc16[i]);
    }
}

const KernelTables kernelTables;

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

BlockKernel selectBlockKernel() noexcept
{
    if (cpuRunsAvx512())
        return avx512BlockKernel();
    if (cpuRunsAvx2())
        return avx2BlockKernel();
    return nullptr;
}

} // namespace vantoril

#include "BlockKernel.h"

#include <cmath>

namespace vantoril
{

KernelLogTable::KernelLogTable() noexcept
{
    for (int i = 0; i < 32; ++i)
    {
        const double c = i == 0 ? 1.0 : 1.0 + (i + 0.5) / 32.0;
        invc[i] = 1.0 / c;
        logc[i] = -std::log (invc[i]);
    }
}

const KernelLogTable kernelLogTable;

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

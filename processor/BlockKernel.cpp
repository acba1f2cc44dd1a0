#include "BlockKernel.h"

namespace vantoril
{

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

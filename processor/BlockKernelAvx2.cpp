// The block kernel for processors with AVX2 and FMA. Only the kernel's own functions
// are built for that instruction set; the shared headers come first, with the
// default target.
#include "BlockKernel.h"

#include <immintrin.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#pragma GCC push_options
// GCC 12 warns about the deliberately undefined inputs inside its own AVX-512 conversion intrinsics.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC target("avx2,fma")
#define VANTORIL_KERNEL_NAMESPACE avx2
#define VANTORIL_KERNEL_LANES 4
#include "BlockKernelImpl.h"

namespace vantoril
{
BlockKernel avx2BlockKernel() noexcept { return &avx2::processBlock; }
FloatFunction avx2Expf() noexcept { return &avx2::expfArray; }
FloatFunction avx2Pow10f() noexcept { return &avx2::pow10fArray; }
} // namespace vantoril
#pragma GCC pop_options

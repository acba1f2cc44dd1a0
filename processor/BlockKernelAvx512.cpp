// The block kernel for processors with AVX-512. Only the kernel's own functions
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
#pragma GCC target("avx512f,avx512dq,avx2,fma")
#define VANTORIL_KERNEL_NAMESPACE avx512
#define VANTORIL_KERNEL_LANES 8
#include "BlockKernelImpl.h"

namespace vantoril
{
BlockKernel avx512BlockKernel() noexcept { return &avx512::processBlock; }
FloatFunction avx512Expf() noexcept { return &avx512::expfArray; }
FloatFunction avx512Pow10f() noexcept { return &avx512::pow10fArray; }
} // namespace vantoril
#pragma GCC pop_options

// The block kernel for processors with AVX-512.
#define VANTORIL_KERNEL_NAMESPACE avx512
#define VANTORIL_KERNEL_LANES 8
#define VANTORIL_KERNEL_TARGET "avx512f,avx512dq,avx2,fma"
#include "BlockKernelImpl.h"

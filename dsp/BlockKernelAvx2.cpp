// The block kernel for processors with AVX2 and FMA.
#define VANTORIL_KERNEL_NAMESPACE avx2
#define VANTORIL_KERNEL_LANES 4
#define VANTORIL_KERNEL_TARGET "avx2,fma"
#include "BlockKernelImpl.h"

// The block kernel for x86-64 processors without AVX2 (SSE2, which every one has).
#define VANTORIL_KERNEL_NAMESPACE sse2
#define VANTORIL_KERNEL_LANES 2
#define VANTORIL_KERNEL_SSE2 1
#define VANTORIL_KERNEL_TARGET ""
#include "BlockKernelImpl.h"

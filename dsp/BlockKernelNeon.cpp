// The block kernel for 64-bit ARM processors (Advanced SIMD, which every one has).
#define VANTORIL_KERNEL_NAMESPACE neon
#define VANTORIL_KERNEL_LANES 2
#define VANTORIL_KERNEL_NEON 1
#define VANTORIL_KERNEL_TARGET ""
#include "BlockKernelImpl.h"

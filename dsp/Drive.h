#pragma once

#include <algorithm>
#include <cmath>

namespace vantoril
{

// Saturation curve of the drive stage, single precision throughout:
// tanh(5 (a + 0.01) x) scaled by s, plus an even-order bump centred on x = -1.
inline float applyDrive (float x, float amount, float bias, float scale) noexcept
{
    const float t = 2.0f / (std::exp ((amount + 0.01f) * -10.0f * x) + 1.0f) - 1.0f;
    float e = 0.0f;
    if (bias > 0.0f)
        e = std::exp ((x + 1.0f) * (x + 1.0f) * -5.0f) * 0.5f * std::min (bias, 0.5f) * amount;
    return t * scale + e;
}

// Makeup scale that keeps an input of 0.6 at 0.6 whatever the drive amount.
inline float driveMakeupScale (float amount) noexcept { return 0.6f / applyDrive (0.6f, amount, 0.5f, 1.0f); }

} // namespace vantoril

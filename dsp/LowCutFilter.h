#pragma once

#include "BlockKernel.h"

namespace vantoril
{

// The side-chain high-pass of one channel: one second-order section in
// transposed direct form II, single precision. The coefficients come from a
// high-pass design outside this class (b0, b1, b2, a1, a2, normalised by a0).
// The history snaps to zero below 1e-8 after every block so that a decaying
// filter never runs on denormals. Audio thread only.
class LowCutFilter
{
public:
    // Sets new coefficients and activates the filter; the history is kept.
    void setCoefficients (const float (&coefficients)[5]) noexcept
    {
        state.c0 = coefficients[0];
        state.c1 = coefficients[1];
        state.c2 = coefficients[2];
        state.c3 = coefficients[3];
        state.c4 = coefficients[4];
        active = true;
    }

    // Clears the history.
    void reset() noexcept { state.v1 = state.v2 = 0.0f; }

    // Filters samples in place (nothing happens before the first coefficients).
    void processSamples (float* samples, int numSamples) noexcept
    {
        if (! active)
            return;

        const float c0 = state.c0, c1 = state.c1, c2 = state.c2, c3 = state.c3, c4 = state.c4;
        float lv1 = state.v1, lv2 = state.v2;

        for (int i = 0; i < numSamples; ++i)
        {
            const float in = samples[i];
            const float out = c0 * in + lv1;
            samples[i] = out;
            lv1 = c1 * in - c3 * out + lv2;
            lv2 = c2 * in - c4 * out;
        }

        state.v1 = vantoril::snapToZero (lv1);
        state.v2 = vantoril::snapToZero (lv2);
    }

    // Coefficients and history for the block kernel; runs only when active and switched on.
    LowCutState takeState (bool switchedOn) const noexcept
    {
        LowCutState s = state;
        s.run = switchedOn && active;
        s.overflowed = false;
        return s;
    }

    // Keeps the history a kernel block left behind (already snapped to zero).
    void storeHistory (const LowCutState& s) noexcept
    {
        state.v1 = s.v1;
        state.v2 = s.v2;
    }

private:
    LowCutState state;
    bool active = false;
};

} // namespace vantoril

#pragma once

#include "BlockKernel.h"

#include <juce_audio_basics/juce_audio_basics.h>

// The side-chain high-pass of one channel: the framework's IIR filter, whose
// coefficients and history the block kernel works on directly. Both accessors
// hold the filter's own lock, as its block processing does.
class LowCutFilter : public juce::IIRFilter
{
public:
    // Coefficients and history for a block; runs only when active and switched on.
    vantoril::LowCutState takeState (bool switchedOn) noexcept
    {
        const juce::SpinLock::ScopedLockType lock (processLock);
        vantoril::LowCutState s;
        const float* c = coefficients.coefficients;
        s.c0 = c[0];
        s.c1 = c[1];
        s.c2 = c[2];
        s.c3 = c[3];
        s.c4 = c[4];
        s.v1 = v1;
        s.v2 = v2;
        s.run = switchedOn && active;
        return s;
    }

    // Keeps the history the block left behind.
    void storeHistory (const vantoril::LowCutState& s) noexcept
    {
        const juce::SpinLock::ScopedLockType lock (processLock);
        v1 = s.v1;
        v2 = s.v2;
    }
};

#pragma once

#include "RmsDetector.h"

#include <atomic>

namespace vantoril
{

// The gain engine of one audio channel: RMS level detection of a side-chain
// signal, a soft-plus gain computer, attack/release smoothing with an adaptive
// release slowdown, and a slow RMS of the applied gain for metering.
//
// The settings below may be written from any thread while process() runs on the
// audio thread; they are atomics read once per sample (relaxed ordering).
class CompressorChannel
{
public:
    CompressorChannel() noexcept = default;

    // Threshold as a linear amplitude.
    std::atomic<double> threshold { 0.8 };
    // Share of the level above threshold that is removed: 0 = none, 1 = limiting.
    std::atomic<double> ratio { 0.5 };
    // Soft knee (0.3 per dB) or hard knee (0.7 per dB).
    std::atomic<bool> softKnee { true };

    // Sets the sample rate; restarts the release slowdown, keeps the signal state.
    void setSampleRate (double newRate) noexcept;
    // Sets the attack time in seconds (the weight depends on the sample rate).
    void setAttack (double seconds) noexcept;
    // Sets the release time in seconds (the weight depends on the sample rate).
    void setRelease (double seconds) noexcept;

    // Measures sideChain, updates the gain and returns input times the new gain.
    double process (double input, double sideChain) noexcept;

    // The static curve: reduction in dB (0 or negative) for a level in dB.
    double computeGainReduction (double levelDb) const noexcept;

    // RMS of the applied linear gain (the gain meter's source); audio thread.
    double getSmoothedGain() const noexcept { return gainDetector.getValue(); }

    double getGain() const noexcept { return gain; }
    double getSmoothedReductionDb() const noexcept { return smoothedReductionDb; }
    double getReleaseSlowdown() const noexcept { return releaseSlowdown; }
    double getAttackCoefficient() const noexcept { return attackCoefficient.load (std::memory_order_relaxed); }
    double getReleaseCoefficient() const noexcept { return releaseCoefficient.load (std::memory_order_relaxed); }
    double getLevelDetectorValue() const noexcept { return levelDetector.getValue(); }

    // Signal state and the settings of one block, as the block kernel works on
    // them: taken at the start of a block and put back at its end.
    struct BlockState
    {
        double levelValue, levelCoefficient;
        double gainValue, gainCoefficient;
        double smoothedReductionDb, releaseSlowdown, releaseSlowdownStep, releaseSlowdownLimit;
        bool heavyReduction;
        double gain;
        double attack, release, ratio, knee, thresholdDb;
    };
    // Reads the settings once for the block and the current signal state.
    BlockState beginBlock() noexcept;
    // Stores the signal state a block left behind.
    void endBlock (const BlockState& state) noexcept;

    // Brings non-finite signal state back to the starting values. Only a
    // non-finite side-chain sample could cause such state; the processor filters
    // those out, so this is a second line of defence.
    void recoverFromNonFiniteState() noexcept;

private:
    // Knee sharpness per dB: 0.3 soft, 0.7 hard.
    double kneeSharpness() const noexcept;
    double currentThresholdDb() const noexcept;
    static double weightForTime (double sampleRate, double seconds) noexcept;

    double gain = 1.0;
    std::atomic<double> attackCoefficient { 0.1 };
    std::atomic<double> releaseCoefficient { 0.1 };
    double releaseSlowdown = 0.0;
    double releaseSlowdownStep = 0.001;
    double releaseSlowdownLimit = 0.8;
    bool heavyReduction = false;
    std::atomic<double> sampleRate { 44100.0 };
    RmsDetector levelDetector;
    RmsDetector gainDetector;
    double smoothedReductionDb = 0.0;

    // The threshold in dB is a pure function of the threshold: computed again
    // only when the threshold changes (audio thread only).
    mutable double cachedThreshold = -1.0;
    mutable double cachedThresholdDb = -100.0;
};

} // namespace vantoril

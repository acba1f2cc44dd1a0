#include "CompressorChannel.h"

#include <algorithm>
#include <cmath>

namespace vantoril
{

namespace
{
constexpr double floorDb = -100.0;

// 20 log10(x) with the -100 dB floor used throughout the signal path.
double toDecibelsWithFloor (double x) noexcept
{
    if (x > 0.0)
    {
        const double db = 20.0 * std::log10 (x);
        if (db > floorDb)
            return db;
    }
    return floorDb;
}
} // namespace

double CompressorChannel::weightForTime (double rate, double seconds) noexcept
{
    // A time of 0 gives exp(-inf) = 0 and therefore a weight of exactly 1.
    return 1.0 - std::exp (-4.0 / (rate * seconds));
}

void CompressorChannel::setSampleRate (double newRate) noexcept
{
    sampleRate.store (newRate, std::memory_order_relaxed);
    releaseSlowdown = 0.0;
    releaseSlowdownLimit = 0.85;
    releaseSlowdownStep = 1.0 / (newRate * 5.0);
    levelDetector.setSampleRate (newRate);
    levelDetector.setTimeConstant (0.0005);
    gainDetector.setSampleRate (newRate);
    gainDetector.setTimeConstant (0.06);
}

void CompressorChannel::setAttack (double seconds) noexcept
{
    attackCoefficient.store (weightForTime (sampleRate.load (std::memory_order_relaxed), seconds), std::memory_order_relaxed);
}

void CompressorChannel::setRelease (double seconds) noexcept
{
    releaseCoefficient.store (weightForTime (sampleRate.load (std::memory_order_relaxed), seconds), std::memory_order_relaxed);
}

double CompressorChannel::kneeSharpness() const noexcept { return softKnee.load (std::memory_order_relaxed) ? 0.3 : 0.7; }

double CompressorChannel::currentThresholdDb() const noexcept
{
    const double currentThreshold = threshold.load (std::memory_order_relaxed);
    if (currentThreshold != cachedThreshold)
    {
        cachedThreshold = currentThreshold;
        cachedThresholdDb = toDecibelsWithFloor (currentThreshold);
    }
    return cachedThresholdDb;
}

CompressorChannel::BlockState CompressorChannel::beginBlock() noexcept
{
    BlockState s;
    s.levelValue = levelDetector.getValue();
    s.levelCoefficient = levelDetector.getCoefficient();
    s.gainValue = gainDetector.getValue();
    s.gainCoefficient = gainDetector.getCoefficient();
    s.smoothedReductionDb = smoothedReductionDb;
    s.releaseSlowdown = releaseSlowdown;
    s.releaseSlowdownStep = releaseSlowdownStep;
    s.releaseSlowdownLimit = releaseSlowdownLimit;
    s.heavyReduction = heavyReduction;
    s.gain = gain;
    s.attack = attackCoefficient.load (std::memory_order_relaxed);
    s.release = releaseCoefficient.load (std::memory_order_relaxed);
    s.ratio = ratio.load (std::memory_order_relaxed);
    s.knee = kneeSharpness();
    s.thresholdDb = currentThresholdDb();
    return s;
}

void CompressorChannel::endBlock (const BlockState& s) noexcept
{
    levelDetector.setValue (s.levelValue);
    gainDetector.setValue (s.gainValue);
    smoothedReductionDb = s.smoothedReductionDb;
    releaseSlowdown = s.releaseSlowdown;
    heavyReduction = s.heavyReduction;
    gain = s.gain;
}

double CompressorChannel::computeGainReduction (double levelDb) const noexcept
{
    const double k = kneeSharpness();

    if (! (levelDb > floorDb))
        return 0.0;

    const double thresholdDb = currentThresholdDb();
    return -((std::log (std::exp ((levelDb - thresholdDb) * k) + 1.0) / k) * ratio.load (std::memory_order_relaxed));
}

double CompressorChannel::process (double input, double sideChain) noexcept
{
    levelDetector.process (sideChain);
    const double levelDb = toDecibelsWithFloor (levelDetector.getValue());
    const double target = computeGainReduction (levelDb);

    // The release slows down the longer reduction deeper than 1 dB lasts.
    if (target < -1.0)
    {
        if (heavyReduction)
        {
            releaseSlowdown = std::min (releaseSlowdown + releaseSlowdownStep, releaseSlowdownLimit);
        }
        else
        {
            releaseSlowdown = 0.0;
            heavyReduction = true;
        }
    }
    else
    {
        heavyReduction = false;
    }

    const double previous = smoothedReductionDb;
    const double difference = target - previous;
    double smoothed = previous;

    if (difference > 0.0)
        smoothed = (1.0 - releaseSlowdown) * (difference * releaseCoefficient.load (std::memory_order_relaxed)) + previous;
    else if (difference < 0.0)
        smoothed = difference * attackCoefficient.load (std::memory_order_relaxed) + previous;

    // A deepening reduction jumps 60 % of the remaining way at once.
    double jump = 0.6 * (smoothed - target);
    if (! (jump > 0.0))
        jump = 0.0;
    const double applied = smoothed - jump;

    double newGain = 0.0;
    if (applied > floorDb)
        newGain = static_cast<double> (std::pow (10.0f, static_cast<float> (applied * 0.05)));

    gain = newGain;
    smoothedReductionDb = smoothed;
    gainDetector.process (newGain);

    return input * newGain;
}

void CompressorChannel::recoverFromNonFiniteState() noexcept
{
    if (! std::isfinite (levelDetector.getValue()))
        levelDetector.resetValue();

    if (! std::isfinite (gainDetector.getValue()))
        gainDetector.resetValue();

    if (! std::isfinite (smoothedReductionDb))
        smoothedReductionDb = 0.0;

    if (! std::isfinite (gain))
        gain = 1.0;
}

} // namespace vantoril

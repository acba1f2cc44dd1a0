#include "CompressorChannel.h"
#include "Drive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using vantoril::CompressorChannel;

namespace
{
constexpr double rate = 44100.0;

// A channel prepared the way the processor prepares it.
std::unique_ptr<CompressorChannel> makeChannel (double threshold, double ratio, bool softKnee, double attack = 0.027,
                                                double release = 0.3)
{
    auto channel = std::make_unique<CompressorChannel>();
    channel->setSampleRate (rate);
    channel->setAttack (attack);
    channel->setRelease (release);
    channel->threshold = threshold;
    channel->ratio = ratio;
    channel->softKnee = softKnee;
    return channel;
}

double toDb (double x) { return 20.0 * std::log10 (x); }
} // namespace

TEST (RmsDetector, DefaultWeightAndNewtonFixedPoint)
{
    vantoril::RmsDetector detector;
    EXPECT_NEAR (detector.getCoefficient(), 0.5 * (1.0 - std::exp (-1.0 / (44100.0 * 0.0005))), 1e-15);
    EXPECT_NEAR (detector.getCoefficient(), 0.022, 0.001);

    for (int i = 0; i < 20000; ++i)
        detector.process (i % 2 == 0 ? 0.5 : -0.5);
    EXPECT_NEAR (detector.getValue(), 0.5, 1e-9);
}

TEST (CompressorChannel, SilenceFromFreshChannel)
{
    auto channel = makeChannel (0.1, 0.5, true);
    channel->process (0.0, 0.0);
    EXPECT_NEAR (channel->getLevelDetectorValue(), 0.0224, 0.0005);
    EXPECT_NEAR (toDb (channel->getLevelDetectorValue()), -33.1, 0.1);

    for (int i = 0; i < 44100; ++i)
        channel->process (0.0, 0.0);
    EXPECT_NEAR (channel->getLevelDetectorValue(), std::sqrt (1e-5), 1e-12);
    const double settledTarget = channel->computeGainReduction (toDb (channel->getLevelDetectorValue()));
    EXPECT_NEAR (settledTarget, -2.1e-4, 0.1e-4);
}

TEST (CompressorChannel, FullScaleFirstSampleTransient)
{
    auto channel = makeChannel (0.1, 0.5, true);
    channel->process (1.0, 1.0);
    EXPECT_NEAR (channel->getLevelDetectorValue(), 2217.0, 5.0);
    EXPECT_NEAR (toDb (channel->getLevelDetectorValue()), 66.9, 0.1);
    EXPECT_LT (channel->getGain(), 0.1);

    // A constant side chain of 1.0 brings the detector back within 1 % of 1 in about 10 ms.
    int samples = 1;
    while (std::abs (channel->getLevelDetectorValue() - 1.0) > 0.01 && samples < 44100)
    {
        channel->process (1.0, 1.0);
        ++samples;
    }
    EXPECT_NEAR (samples / rate, 0.010, 0.002);
}

TEST (CompressorChannel, RatioZeroPassesInputAndShowsMeterExcursion)
{
    auto channel = makeChannel (0.1, 0.0, true);
    const double out = channel->process (0.7, 0.7);
    EXPECT_EQ (out, 0.7);
    EXPECT_EQ (channel->getGain(), 1.0);
    EXPECT_NEAR (channel->getSmoothedGain(), 18.9, 0.1);

    int samples = 1;
    while (std::abs (channel->getSmoothedGain() - 1.0) > 0.01 && samples < 10 * 44100)
    {
        EXPECT_EQ (channel->process (-0.3, -0.3), -0.3);
        ++samples;
    }
    EXPECT_NEAR (samples / rate, 0.6, 0.1);
}

TEST (CompressorChannel, StaticCurve)
{
    struct Case
    {
        bool soft;
        double ratio, levelDb, expected, tolerance;
    };
    const Case cases[] = {
        { true, 0.5, -20.0, -0.5 * std::log (2.0) / 0.3, 1e-12 }, // at threshold, soft: about -1.16 dB
        { false, 0.5, -20.0, -0.5 * std::log (2.0) / 0.7, 1e-12 }, // at threshold, hard: about -0.50 dB
        { true, 0.0, 0.0, 0.0, 0.0 }, // ratio 0: never any reduction
        { true, 1.0, 0.0, -20.0, 0.01 }, // ratio 1 limits to the threshold
        { false, 0.75, 10.0, -22.5, 1e-6 }, // 4:1 far above threshold
        { true, 0.5, -100.0, 0.0, 0.0 }, // floor level: no reduction
        { true, 0.5, -200.0, 0.0, 0.0 },
    };

    for (const auto& c : cases)
    {
        auto channel = makeChannel (0.1, c.ratio, c.soft);
        EXPECT_NEAR (channel->computeGainReduction (c.levelDb), c.expected, c.tolerance)
            << "soft " << c.soft << " ratio " << c.ratio << " level " << c.levelDb;
    }

    EXPECT_NEAR (makeChannel (0.1, 0.5, true)->computeGainReduction (-20.0), -1.16, 0.005);
    EXPECT_NEAR (makeChannel (0.1, 0.5, false)->computeGainReduction (-20.0), -0.50, 0.005);

    // A threshold of 0 counts as -100 dB.
    auto zeroThreshold = makeChannel (0.0, 1.0, false);
    EXPECT_NEAR (zeroThreshold->computeGainReduction (-50.0), -50.0, 1e-6);
}

TEST (CompressorChannel, AttackZeroReachesTargetOnSameSample)
{
    auto channel = makeChannel (0.1, 0.5, true, 0.0, 0.3);
    EXPECT_EQ (channel->getAttackCoefficient(), 1.0);
    channel->process (0.5, 0.5);
    const double level = toDb (channel->getLevelDetectorValue());
    const double target = channel->computeGainReduction (level);
    EXPECT_EQ (channel->getSmoothedReductionDb(), target);
    EXPECT_EQ (channel->getGain(), static_cast<double> (std::pow (10.0f, static_cast<float> (target * 0.05))));
}

TEST (CompressorChannel, AttackJumpAppliesSixtyPercentOfTheRemainingWay)
{
    auto channel = makeChannel (0.1, 0.5, true, 0.01, 0.3);
    channel->process (0.5, 0.5);
    const double target = channel->computeGainReduction (toDb (channel->getLevelDetectorValue()));
    const double smoothed = channel->getSmoothedReductionDb();
    ASSERT_GT (smoothed, target);
    const double applied = 0.4 * smoothed + 0.6 * target;
    EXPECT_NEAR (toDb (channel->getGain()), applied, 1e-5);
}

TEST (CompressorChannel, ReleaseSlowdownGrowsResetsAndLimits)
{
    auto channel = makeChannel (0.01, 1.0, false, 0.0, 0.3);

    // 4.25 s of reduction deeper than 1 dB brings the slowdown to its limit.
    const int samples = static_cast<int> (4.25 * rate) + 10;
    for (int i = 0; i < samples; ++i)
        channel->process (0.5, (i % 2) ? 0.5 : -0.5);
    EXPECT_DOUBLE_EQ (channel->getReleaseSlowdown(), 0.85);

    // After one second the slowdown stands at 0.2.
    auto fresh = makeChannel (0.01, 1.0, false, 0.0, 0.3);
    for (int i = 0; i < static_cast<int> (rate) + 1; ++i)
        fresh->process (0.5, 0.5);
    EXPECT_NEAR (fresh->getReleaseSlowdown(), 0.2, 1e-4);

    // A shallow stretch keeps the slowdown; the next deep sample restarts it from 0.
    auto shallowThenDeep = makeChannel (0.01, 1.0, false, 0.0, 0.3);
    for (int i = 0; i < 1000; ++i)
        shallowThenDeep->process (0.5, 0.5);
    const double before = shallowThenDeep->getReleaseSlowdown();
    EXPECT_GT (before, 0.0);
    shallowThenDeep->threshold = 1.0;
    shallowThenDeep->ratio = 0.0; // target 0: shallower than -1 dB
    shallowThenDeep->process (0.5, 0.5);
    EXPECT_EQ (shallowThenDeep->getReleaseSlowdown(), before);
    shallowThenDeep->threshold = 0.01;
    shallowThenDeep->ratio = 1.0;
    shallowThenDeep->process (0.5, 0.5);
    EXPECT_EQ (shallowThenDeep->getReleaseSlowdown(), 0.0);
}

TEST (CompressorChannel, ReleaseWeightIsScaledBySlowdown)
{
    auto channel = makeChannel (0.01, 1.0, false, 0.0, 0.3);
    for (int i = 0; i < static_cast<int> (4.3 * rate); ++i)
        channel->process (0.5, 0.5);
    ASSERT_DOUBLE_EQ (channel->getReleaseSlowdown(), 0.85);

    // Release: the side chain drops to silence, the target rises towards 0.
    const double before = channel->getSmoothedReductionDb();
    channel->threshold = 1.0;
    channel->process (0.0, 0.0);
    const double target = channel->computeGainReduction (toDb (channel->getLevelDetectorValue()));
    const double expected = (1.0 - 0.85) * ((target - before) * channel->getReleaseCoefficient()) + before;
    EXPECT_DOUBLE_EQ (channel->getSmoothedReductionDb(), expected);
}

TEST (CompressorChannel, ReductionAtFloorGivesSilence)
{
    auto channel = makeChannel (1e-6, 1.0, true, 0.0, 0.3);
    for (int i = 0; i < 100; ++i)
        channel->process (1.0, 1.0);
    EXPECT_EQ (channel->getGain(), 0.0);
    EXPECT_EQ (channel->process (1.0, 1.0), 0.0);
}

TEST (CompressorChannel, SetSampleRateKeepsSignalState)
{
    auto channel = makeChannel (0.1, 0.5, true);
    for (int i = 0; i < 500; ++i)
        channel->process (0.9, 0.9);
    const double level = channel->getLevelDetectorValue();
    const double smoothed = channel->getSmoothedReductionDb();
    channel->setSampleRate (96000.0);
    EXPECT_EQ (channel->getLevelDetectorValue(), level);
    EXPECT_EQ (channel->getSmoothedReductionDb(), smoothed);
    EXPECT_EQ (channel->getReleaseSlowdown(), 0.0);
}

TEST (Drive, CurveValues)
{
    using vantoril::applyDrive;
    using vantoril::driveMakeupScale;

    // An input of 0.6 leaves the stage at 0.6 whatever the amount.
    for (float amount = 0.0f; amount <= 1.0f; amount += 0.05f)
        EXPECT_NEAR (applyDrive (0.6f, amount, 0.5f, driveMakeupScale (amount)), 0.6f, 1e-6f) << amount;

    // Silence gives the constant 0.25 a e^-5.
    EXPECT_NEAR (applyDrive (0.0f, 0.25f, 0.5f, driveMakeupScale (0.25f)), 0.25f * 0.25f * std::exp (-5.0f), 1e-9f);

    // Drive 0 is almost linear; drive 1 saturates asymmetrically.
    const float s0 = driveMakeupScale (0.0f);
    EXPECT_NEAR ((applyDrive (0.01f, 0.0f, 0.5f, s0) - applyDrive (-0.01f, 0.0f, 0.5f, s0)) / 0.02f, 1.0003f, 0.001f);
    EXPECT_NEAR (applyDrive (1.0f, 0.0f, 0.5f, s0), 0.9995f, 0.0005f);
    const float s1 = driveMakeupScale (1.0f);
    EXPECT_NEAR (applyDrive (1.0f, 1.0f, 0.5f, s1), 0.603f, 0.001f);
    EXPECT_NEAR (applyDrive (-1.0f, 1.0f, 0.5f, s1), -0.353f, 0.001f);
    EXPECT_NEAR (applyDrive (0.0f, 1.0f, 0.5f, s1), 0.0017f, 0.0001f);

    // Without bias there is no bump.
    EXPECT_EQ (applyDrive (0.0f, 1.0f, 0.0f, 1.0f), 0.0f);
}

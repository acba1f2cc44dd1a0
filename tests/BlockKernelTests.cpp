// The block kernels against the per-sample path: same input, same parameters,
// outputs within 1e-6 and the recursions' state equal up to rounding.
#include "ProcessorFixture.h"

#include "BlockKernel.h"

#include <cfloat>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace
{

struct NamedKernel
{
    const char* name;
    vantoril::BlockKernel kernel;
    bool runs;
    vantoril::FloatFunction expf, pow10f;
};

std::vector<NamedKernel> kernels()
{
    using namespace vantoril;
    return { { "avx2", avx2BlockKernel(), cpuRunsAvx2(), avx2Expf(), avx2Pow10f() },
             { "avx512", avx512BlockKernel(), cpuRunsAvx512(), avx512Expf(), avx512Pow10f() },
             { "neon", neonBlockKernel(), cpuRunsNeon(), neonExpf(), neonPow10f() },
             { "sse2", sse2BlockKernel(), cpuRunsSse2(), sse2Expf(), sse2Pow10f() },
             // What the processor picks (on AVX-512: the AVX2 kernel for short mono blocks).
             { "selected", selectBlockKernel(), selectBlockKernel() != nullptr, nullptr, nullptr } };
}

using Signal = std::function<float (int channel, long index)>;

// Full-scale material with loud and quiet passages, different per channel.
Signal programme (double rate, unsigned seed)
{
    auto noise = std::make_shared<std::vector<float>>();
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> uniform (-1.0f, 1.0f);
    for (int i = 0; i < 1 << 16; ++i)
        noise->push_back (uniform (random));
    return [noise, rate] (int ch, long k)
    {
        const double t = static_cast<double> (k) / rate;
        const double envelope = (static_cast<long> (t * 7.0 + ch) % 3 == 0) ? 0.02 : 1.0;
        const double tone = std::sin (2.0 * juce::MathConstants<double>::pi * (55.0 + 40.0 * ch) * t);
        const double value = envelope * (0.6 * tone + 0.4 * (*noise)[static_cast<size_t> (k + 977 * ch) & 0xffff]);
        return static_cast<float> (juce::jlimit (-1.0, 1.0, value));
    };
}

// Runs the same blocks through a per-sample processor and a kernel processor.
struct PathPair
{
    PathPair (vantoril::BlockKernel kernel, int channels, double rate, int block)
        : reference (channels, rate, block),
          fast (channels, rate, block)
    {
        reference.processor.setBlockKernel (nullptr);
        fast.processor.setBlockKernel (kernel);
    }

    void set (int index, float value)
    {
        reference.processor.setNormalisedValue (index, value);
        fast.processor.setNormalisedValue (index, value);
    }

    // Processes numBlocks blocks and returns the largest output difference.
    double run (int numBlocks, const Signal& signal)
    {
        const int channels = reference.processor.getTotalNumInputChannels();
        juce::AudioBuffer<float> a (channels, reference.blockSize), b (channels, reference.blockSize);
        double largest = 0.0;
        for (int n = 0; n < numBlocks; ++n)
        {
            for (int ch = 0; ch < channels; ++ch)
                for (int k = 0; k < reference.blockSize; ++k)
                    a.setSample (ch, k, signal (ch, position + k));
            b.makeCopyOf (a);
            juce::MidiBuffer midi;
            reference.processor.processBlock (a, midi);
            fast.processor.processBlock (b, midi);
            for (int ch = 0; ch < channels; ++ch)
                for (int k = 0; k < reference.blockSize; ++k)
                {
                    const double d = std::abs (static_cast<double> (a.getSample (ch, k)) - b.getSample (ch, k));
                    largest = std::max (largest, std::isnan (d) ? 1.0 : d);
                }
            position += reference.blockSize;
        }
        return largest;
    }

    void expectSameState (const std::string& where) const
    {
        const auto& r = reference.processor;
        const auto& f = fast.processor;
        ASSERT_EQ (r.getNumChannelEntries(), f.getNumChannelEntries());
        for (int ch = 0; ch < r.getNumChannelEntries(); ++ch)
        {
            const auto* rc = r.getChannelEntry (ch);
            const auto* fc = f.getChannelEntry (ch);
            // The level detector sees bit-identical input; the kernel rounds its
            // step in another order (one fused operation), so only the last bits differ.
            EXPECT_NEAR (rc->getLevelDetectorValue(), fc->getLevelDetectorValue(), 1e-12 * rc->getLevelDetectorValue())
                << where << " channel " << ch;
            EXPECT_EQ (rc->getReleaseSlowdown(), fc->getReleaseSlowdown()) << where << " channel " << ch;
            EXPECT_NEAR (rc->getSmoothedReductionDb(), fc->getSmoothedReductionDb(), 1e-9) << where << " channel " << ch;
            EXPECT_NEAR (rc->getSmoothedGain(), fc->getSmoothedGain(), 1e-9 * std::max (1.0, rc->getSmoothedGain()))
                << where << " channel " << ch;
        }
        EXPECT_NEAR (r.getGainMeterValue(), f.getGainMeterValue(), 1e-6) << where;
        EXPECT_NEAR (r.getPeakMeterValue(), f.getPeakMeterValue(), 1e-6) << where;
    }

    ProcessorFixture reference, fast;
    long position = 0;
};

class BlockKernelTest : public ::testing::TestWithParam<NamedKernel>
{
protected:
    void SetUp() override
    {
        if (! GetParam().runs)
            GTEST_SKIP() << "this processor does not run the " << GetParam().name << " kernel";
    }
};

std::string kernelName (const ::testing::TestParamInfo<NamedKernel>& info) { return info.param.name; }

} // namespace

// The single-precision functions equal the C library's for every float tried:
// a stride through all bit patterns in the ranges the signal path uses.
TEST_P (BlockKernelTest, FloatFunctionsEqualTheLibrary)
{
    const auto expf = GetParam().expf;
    const auto pow10f = GetParam().pow10f;
    if (expf == nullptr || pow10f == nullptr)
        GTEST_SKIP() << "the kernels' own entries test their functions";

    std::vector<float> in, out;
    for (std::uint64_t u = 0; u < 0x100000000ULL; u += 257)
    {
        float x;
        const auto bits = static_cast<std::uint32_t> (u);
        std::memcpy (&x, &bits, sizeof (x));
        if (std::abs (x) < 100.0f || ! std::isfinite (x))
            in.push_back (x);
    }
    for (float x : { 0.0f, -0.0f, 88.0f, -88.0f, 88.72f, -103.9f, FLT_MAX, -FLT_MAX, INFINITY, -INFINITY })
        in.push_back (x);

    out.resize (in.size());
    expf (in.data(), out.data(), static_cast<int> (in.size()));
    long mismatches = 0;
    for (size_t i = 0; i < in.size(); ++i)
    {
        const float expected = std::exp (in[i]);
        if (std::memcmp (&out[i], &expected, sizeof (float)) != 0 && ! std::isnan (in[i]))
            ++mismatches;
    }
    EXPECT_EQ (mismatches, 0) << "expf over " << in.size() << " inputs";

    std::vector<float> exponents;
    for (std::uint32_t bits = 0x80000000u; bits <= 0xc0c00000u; bits += 101) // -0 to -6
    {
        float x;
        std::memcpy (&x, &bits, sizeof (x));
        exponents.push_back (x);
    }
    for (float x : { -0.0f, -37.5f, -40.0f, 0.5f, 38.0f })
        exponents.push_back (x);
    out.resize (exponents.size());
    pow10f (exponents.data(), out.data(), static_cast<int> (exponents.size()));
    mismatches = 0;
    for (size_t i = 0; i < exponents.size(); ++i)
    {
        const float expected = std::pow (10.0f, exponents[i]);
        if (std::memcmp (&out[i], &expected, sizeof (float)) != 0)
            ++mismatches;
    }
    EXPECT_EQ (mismatches, 0) << "powf (10, x) over " << exponents.size() << " inputs";
}

// Rates and block sizes, including blocks shorter than a vector and lengths
// that leave partial chunks, with the low cut on and off.
TEST_P (BlockKernelTest, MatchesThePerSamplePathAcrossRatesAndBlocks)
{
    for (int channels : { 1, 2 })
        for (double rate : { 8000.0, 44100.0, 48000.0, 96000.0, 192000.0 })
            for (int block : { 1, 3, 32, 64, 65, 127, 512, 1000, 4096 })
                for (float lowCut : { 0.0f, 0.3f, 1.0f })
                {
                    PathPair pair (GetParam().kernel, channels, rate, block);
                    pair.set (vantoril::params::threshold, 0.35f);
                    pair.set (vantoril::params::ratio, 0.8f);
                    pair.set (vantoril::params::lowCut, lowCut);
                    pair.set (vantoril::params::drive, 0.3f);
                    const std::string where = std::to_string (channels) + " channels, " + std::to_string (rate) + " Hz, block " +
                        std::to_string (block) + ", low cut " + std::to_string (lowCut);
                    const int blocks = std::max (2, static_cast<int> (0.25 * rate) / block);
                    EXPECT_LE (pair.run (blocks, programme (rate, 7)), 1e-6) << where;
                    pair.expectSameState (where);
                }
}

// Every corner of the nine parameters (bypass excluded): each at its lowest
// and highest setting, on loud material and then on silence.
TEST_P (BlockKernelTest, MatchesThePerSamplePathAtAllParameterCorners)
{
    for (int corner = 0; corner < 1 << 9; ++corner)
    {
        PathPair pair (GetParam().kernel, 2, 48000.0, 256);
        for (int index = 0; index < 9; ++index)
            pair.set (index, (corner >> index) & 1 ? 1.0f : 0.0f);
        const std::string where = "corner " + std::to_string (corner);
        EXPECT_LE (pair.run (40, programme (48000.0, 11)), 1e-6) << where;
        EXPECT_LE (pair.run (10, [] (int, long) { return 0.0f; }), 1e-6) << where;
        pair.expectSameState (where);
    }
}

// Parameters change between blocks (the host's automation), to random values.
TEST_P (BlockKernelTest, MatchesThePerSamplePathWhileParametersChange)
{
    for (int channels : { 1, 2 })
    {
        PathPair pair (GetParam().kernel, channels, 44100.0, 128);
        std::mt19937 random (3);
        std::uniform_real_distribution<float> unit (0.0f, 1.0f);
        const auto signal = programme (44100.0, 5);
        for (int round = 0; round < 400; ++round)
        {
            const int index = static_cast<int> (random() % 9);
            pair.set (index, index == vantoril::params::knee ? std::round (unit (random)) : unit (random));
            EXPECT_LE (pair.run (3, signal), 1e-6) << channels << " channels, round " << round;
        }
        pair.expectSameState (std::to_string (channels) + " channels");
    }
}

// Non-finite and extreme samples: both paths treat them as silence and stay
// finite, with the low cut overflowing on FLT_MAX.
TEST_P (BlockKernelTest, MatchesThePerSamplePathOnNonFiniteAndExtremeInput)
{
    for (float lowCut : { 0.0f, 0.5f })
    {
        PathPair pair (GetParam().kernel, 2, 44100.0, 100);
        pair.set (vantoril::params::lowCut, lowCut);
        pair.set (vantoril::params::drive, 0.7f);
        // 1.9e38 overflows the low cut's history to infinity (FLT_MAX to NaN),
        // so the filter's next output is infinite.
        const float specials[] = {
            std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, FLT_MAX, -FLT_MAX, 1e30f, 1.9e38f
        };
        const auto clean = programme (44100.0, 9);
        const Signal dirty = [&] (int ch, long k)
        {
            if (k % 97 == 13 + ch)
                return specials[(k / 97) % 7];
            return clean (ch, k);
        };
        EXPECT_LE (pair.run (60, dirty), 1e-6) << "low cut " << lowCut;
        // Right after the overflows (the detectors still far from their resting values).
        pair.expectSameState ("dirty, low cut " + std::to_string (lowCut));
        EXPECT_LE (pair.run (60, clean), 1e-6) << "low cut " << lowCut;
        pair.expectSameState ("low cut " + std::to_string (lowCut));
    }

    // Far above full scale the drive stage's exponentials leave their table
    // range (at large and at small drive amounts).
    for (float drive : { 0.05f, 0.7f })
    {
        PathPair pair (GetParam().kernel, 2, 48000.0, 256);
        pair.set (vantoril::params::drive, drive);
        pair.set (vantoril::params::ratio, 0.0f);
        const auto clean = programme (48000.0, 4);
        EXPECT_LE (pair.run (40, [&] (int ch, long k) { return 12.0f * clean (ch, k); }), 1e-6) << "drive " << drive;
        pair.expectSameState ("loud, drive " + std::to_string (drive));
    }
}

INSTANTIATE_TEST_SUITE_P (Kernels, BlockKernelTest, ::testing::ValuesIn (kernels()), kernelName);

#include "AllocationCounter.h"
#include "Drive.h"
#include "ProcessorFixture.h"

#include <limits>

using namespace vantoril;

TEST (Processor, NewProcessorValuesAndTexts)
{
    ProcessorFixture f;
    auto& p = f.processor;

    EXPECT_EQ (p.getParameters().size(), 10);
    const float values[] = { 0.646330f, 0.391487f, 0.5f, 0.5f, 1.0f, 0.0f, 0.25f, 0.5f, 1.0f, 0.0f };
    const char* texts[] = {
        "27.001 ms", "301 ms", "-20.00 dB", "2.00:1", "SOFT KNEE", "20 Hz", "25 %", "+0.00 dB", "wet", "OFF"
    };
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_NEAR (p.getNormalisedValue (i), values[i], 1e-6f) << i;
        EXPECT_EQ (p.getDisplayText (i), texts[i]) << i;
        // The framework's parameter objects show the same.
        auto* parameter = p.getParameters()[i];
        EXPECT_EQ (parameter->getValue(), p.getNormalisedValue (i));
        EXPECT_EQ (parameter->getCurrentValueAsText(), texts[i]);
        EXPECT_EQ (parameter->getName (100), params::name (i));
        EXPECT_TRUE (parameter->isAutomatable());
        EXPECT_FALSE (parameter->isMetaParameter());
        EXPECT_EQ (parameter->getLabel(), "");
    }
    EXPECT_EQ (p.getName(), "Vantoril");
    EXPECT_EQ (p.getNumPrograms(), 0);
    EXPECT_EQ (p.getProgramName (0), "");
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
}

TEST (Processor, IndicesOutsideRangeAreNeutral)
{
    ProcessorFixture f;
    auto& p = f.processor;
    juce::MemoryBlock before;
    p.getStateInformation (before);
    for (int index : { -1, 10, 1000 })
    {
        EXPECT_EQ (p.getNormalisedValue (index), 0.0f);
        EXPECT_STREQ (params::name (index), "");
        EXPECT_EQ (p.getDisplayText (index), "0 %");
        p.setNormalisedValue (index, 0.9f);
    }
    juce::MemoryBlock after;
    p.getStateInformation (after);
    EXPECT_EQ (before, after);
}

TEST (Processor, HostValuesAreClampedAndNaNIgnored)
{
    ProcessorFixture f;
    auto& p = f.processor;

    p.setNormalisedValue (params::attack, 2.0f);
    EXPECT_EQ (p.getNormalisedValue (params::attack), 1.0f);
    EXPECT_EQ (p.getDisplayText (params::attack), "100.001 ms");
    p.setNormalisedValue (params::attack, -3.0f);
    EXPECT_EQ (p.getNormalisedValue (params::attack), 0.0f);
    p.setNormalisedValue (params::ratio, 1.5f);
    EXPECT_EQ (p.getNormalisedValue (params::ratio), 1.0f);
    p.setNormalisedValue (params::level, std::numeric_limits<float>::infinity());
    EXPECT_EQ (p.getDisplayText (params::level), "+15.00 dB");

    p.setNormalisedValue (params::mix, 0.5f);
    p.setNormalisedValue (params::mix, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (p.getNormalisedValue (params::mix), 0.5f);
    p.setNormalisedValue (params::knee, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (p.getNormalisedValue (params::knee), 1.0f);
}

TEST (Processor, SwitchesReadBackExactly)
{
    ProcessorFixture f;
    auto& p = f.processor;
    for (int index : { (int) params::knee, (int) params::bypass })
    {
        p.setNormalisedValue (index, 0.5f);
        EXPECT_EQ (p.getNormalisedValue (index), 1.0f);
        p.setNormalisedValue (index, 0.4999f);
        EXPECT_EQ (p.getNormalisedValue (index), 0.0f);
    }
}

TEST (Processor, ParameterWritesReachTheChannelsAtTheNextBlock)
{
    ProcessorFixture f;
    auto& p = f.processor;
    p.setNormalisedValue (params::threshold, 0.25f); // -30 dB
    p.setNormalisedValue (params::ratio, 0.75f);
    p.setNormalisedValue (params::knee, 0.0f);
    p.setNormalisedValue (params::attack, 0.0f);

    // Only the audio thread touches the channels: nothing changes before a block.
    EXPECT_EQ (p.getChannelEntry (0)->ratio.load(), 0.5);
    f.run (1, [] (int, long) { return 0.0f; });
    for (int ch = 0; ch < 2; ++ch)
    {
        const auto* channel = p.getChannelEntry (ch);
        EXPECT_FLOAT_EQ ((float) channel->threshold.load(), std::pow (10.0f, -1.5f));
        EXPECT_EQ (channel->ratio.load(), 0.75);
        EXPECT_FALSE (channel->softKnee.load());
        EXPECT_EQ (channel->getAttackCoefficient(), 1.0);
    }
}

TEST (Processor, BypassLeavesBufferAndMetersUntouched)
{
    ProcessorFixture f;
    f.run (20, [&] (int, long k) { return ProcessorFixture::sine (220.0, 0.9, f.sampleRate, k); });
    const float gain = f.processor.getGainMeterValue();
    const float peak = f.processor.getPeakMeterValue();

    f.processor.setNormalisedValue (params::bypass, 1.0f);
    auto input = noiseBuffer (2, f.blockSize, 1.0f);
    auto buffer = input;
    juce::MidiBuffer midi;
    f.processor.processBlock (buffer, midi);
    EXPECT_TRUE (bitIdentical (buffer, input));
    EXPECT_EQ (f.processor.getGainMeterValue(), gain);
    EXPECT_EQ (f.processor.getPeakMeterValue(), peak);
}

TEST (Processor, MixZeroOutputsTheInputExactly)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::mix, 0.0f);
    f.processor.setNormalisedValue (params::drive, 1.0f);
    f.processor.setNormalisedValue (params::lowCut, 0.5f);
    for (int b = 0; b < 10; ++b)
    {
        auto input = noiseBuffer (2, f.blockSize, 1.0f, (unsigned) b);
        auto buffer = input;
        juce::MidiBuffer midi;
        f.processor.processBlock (buffer, midi);
        EXPECT_TRUE (bitIdentical (buffer, input));
    }
    EXPECT_LT (f.processor.getGainMeterValue(), 0.9f); // the compressor keeps running
}

TEST (Processor, SilentInputGivesTheDriveConstant)
{
    ProcessorFixture f;
    const auto out = f.run (4, [] (int, long) { return 0.0f; });
    const float expected = 0.25f * 0.25f * std::exp (-5.0f);
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < f.blockSize; ++k)
            ASSERT_NEAR (out.getSample (ch, k), expected, 1e-9f);
    EXPECT_NEAR (expected, 0.00042f, 0.00001f);
}

TEST (Processor, OutputMatchesTheSignalPathFormula)
{
    // The processor's output equals channel, drive, level and mix applied by hand.
    ProcessorFixture f (1);
    auto& p = f.processor;
    p.setNormalisedValue (params::drive, 0.6f);
    p.setNormalisedValue (params::level, 0.7f);
    p.setNormalisedValue (params::mix, 0.8f);
    p.setNormalisedValue (params::threshold, 0.3f);
    p.prepareToPlay (f.sampleRate, f.blockSize);

    CompressorChannel reference;
    reference.setSampleRate (f.sampleRate);
    reference.setAttack (std::pow (0.646330416f, 3.0f) * 0.1f);
    reference.setAttack (0.027f);
    reference.setRelease (0.3f);
    reference.threshold = (double) params::toStored (params::threshold, 0.3f);
    reference.ratio = 0.5;
    reference.softKnee = true;

    auto input = noiseBuffer (1, f.blockSize, 0.8f, 7);
    auto buffer = input;
    juce::MidiBuffer midi;
    p.processBlock (buffer, midi);

    const float drive = 0.6f, level = params::toStored (params::level, 0.7f), mix = 0.8f;
    const float scale = driveMakeupScale (drive);
    for (int k = 0; k < f.blockSize; ++k)
    {
        const float x = input.getSample (0, k);
        const auto y = (float) reference.process (x, x);
        const float d = applyDrive (y, drive, 0.5f, scale);
        const float expected = ((d * level) * mix) + ((1.0f - mix) * x);
        ASSERT_EQ (buffer.getSample (0, k), expected) << k;
    }
}

TEST (Processor, PeakMeterFallsPerBlock)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::drive, 0.0f);
    f.processor.setNormalisedValue (params::mix, 0.0f); // output = input
    f.run (1, [] (int, long k) { return k == 5 ? 1.0f : 0.0f; });
    EXPECT_EQ (f.processor.getPeakMeterValue(), 1.0f);

    f.run (1, [] (int, long) { return 0.0f; });
    EXPECT_NEAR (1.0f - f.processor.getPeakMeterValue(), 50.0 / 44100.0, 1e-6);

    int blocks = 1;
    while (f.processor.getPeakMeterValue() > 0.0f && blocks < 2000)
    {
        f.run (1, [] (int, long) { return 0.0f; });
        ++blocks;
    }
    EXPECT_NEAR (blocks, 882, 1);
}

TEST (Processor, ChannelsCompressIndependently)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::threshold, 0.25f);
    f.run (40, [&] (int ch, long k) { return ch == 0 ? ProcessorFixture::sine (200.0, 0.9, f.sampleRate, k) : 0.0f; });
    EXPECT_LT (f.processor.getChannelEntry (0)->getGain(), 0.5);
    EXPECT_GT (f.processor.getChannelEntry (1)->getGain(), 0.999);
    EXPECT_LT (f.processor.getGainMeterValue(), 0.5f);
}

TEST (Processor, LowCutTakesBassOutOfTheSideChain)
{
    auto reductionWith = [] (float lowCut)
    {
        ProcessorFixture f;
        f.processor.setNormalisedValue (params::threshold, 0.25f);
        f.processor.setNormalisedValue (params::lowCut, lowCut);
        f.run (60, [&] (int, long k) { return ProcessorFixture::sine (50.0, 0.9, f.sampleRate, k); });
        return f.processor.getGainMeterValue();
    };
    EXPECT_LT (reductionWith (0.0f), 0.5f);
    EXPECT_GT (reductionWith (1.0f), 0.95f);
    EXPECT_GT (reductionWith (0.5f), reductionWith (0.0f));
}

TEST (Processor, MetersBeforePrepareAndAfterRelease)
{
    auto owned = std::unique_ptr<juce::AudioProcessor> (createPluginFilter());
    auto& p = dynamic_cast<VantorilAudioProcessor&> (*owned);
    EXPECT_EQ (p.getGainMeterValue(), 1.0f);
    EXPECT_EQ (p.getPeakMeterValue(), 0.0f);
    p.setNormalisedValue (params::attack, 0.2f); // no channels: nothing to touch
    EXPECT_EQ (p.getNumChannelEntries(), 0);

    ProcessorFixture f;
    f.run (10, [&] (int, long k) { return ProcessorFixture::sine (100.0, 0.9, f.sampleRate, k); });
    EXPECT_NE (f.processor.getGainMeterValue(), 1.0f);
    f.processor.releaseResources();
    EXPECT_EQ (f.processor.getNumChannelEntries(), 0);
    EXPECT_EQ (f.processor.getGainMeterValue(), 1.0f);
    EXPECT_EQ (f.processor.getPeakMeterValue(), 0.0f);
}

TEST (Processor, BusLayouts)
{
    ProcessorFixture f;
    using Set = juce::AudioChannelSet;
    auto layout = [] (Set in, Set out)
    {
        juce::AudioProcessor::BusesLayout l;
        l.inputBuses.add (in);
        l.outputBuses.add (out);
        return l;
    };
    EXPECT_TRUE (f.processor.checkBusesLayoutSupported (layout (Set::mono(), Set::mono())));
    EXPECT_TRUE (f.processor.checkBusesLayoutSupported (layout (Set::stereo(), Set::stereo())));
    EXPECT_FALSE (f.processor.checkBusesLayoutSupported (layout (Set::stereo(), Set::mono())));
    EXPECT_FALSE (f.processor.checkBusesLayoutSupported (layout (Set::mono(), Set::stereo())));
    EXPECT_FALSE (f.processor.checkBusesLayoutSupported (layout (Set::create5point1(), Set::create5point1())));
    EXPECT_FALSE (f.processor.checkBusesLayoutSupported (layout (Set::disabled(), Set::stereo())));
}

//==============================================================================
// Robustness: long blocks, the life cycle, non-finite input

TEST (ProcessorRobustness, NoAllocationOnTheAudioThread)
{
    ProcessorFixture f (2, 48000.0, 256);
    f.processor.setNormalisedValue (params::lowCut, 0.3f);
    auto buffer = noiseBuffer (2, 256, 0.9f);
    juce::MidiBuffer midi;
    f.processor.processBlock (buffer, midi); // warm up

    allocation_counter::start();
    for (int i = 0; i < 50; ++i)
        f.processor.processBlock (buffer, midi);
    EXPECT_EQ (allocation_counter::stop(), 0);

    // A block longer than announced runs in pieces of the prepared size.
    auto longBuffer = noiseBuffer (2, 1000, 0.9f);
    allocation_counter::start();
    f.processor.processBlock (longBuffer, midi);
    EXPECT_EQ (allocation_counter::stop(), 0);
    for (int k = 0; k < 1000; ++k)
        ASSERT_TRUE (std::isfinite (longBuffer.getSample (1, k)));
}

TEST (ProcessorRobustness, LongBlocksEqualPiecesOfThePreparedSize)
{
    for (bool perSample : { false, true })
    {
        ProcessorFixture whole (2, 48000.0, 256), pieces (2, 48000.0, 256);
        for (auto* p : { &whole.processor, &pieces.processor })
        {
            p->setNormalisedValue (params::lowCut, 0.3f);
            p->setNormalisedValue (params::threshold, 0.2f);
            if (perSample)
                p->setBlockKernel (nullptr);
        }
        const auto input = noiseBuffer (2, 1000, 0.9f);
        auto a = input;
        juce::MidiBuffer midi;
        whole.processor.processBlock (a, midi);

        auto b = input;
        for (int start = 0; start < 1000; start += 256)
        {
            juce::AudioBuffer<float> piece (b.getArrayOfWritePointers(), 2, start, std::min (256, 1000 - start));
            pieces.processor.processBlock (piece, midi);
        }
        EXPECT_TRUE (bitIdentical (a, b)) << perSample;
        EXPECT_EQ (whole.processor.getPeakMeterValue(), pieces.processor.getPeakMeterValue());
    }
}

TEST (ProcessorRobustness, UnusableSampleRatesAndBlockSizes)
{
    // A rate that is not positive and finite counts as 44.1 kHz; any block size works.
    ProcessorFixture reference (2, 44100.0, 64);
    const auto input = noiseBuffer (2, 64, 0.9f);
    auto expected = input;
    juce::MidiBuffer midi;
    reference.processor.processBlock (expected, midi);

    for (double rate : { 0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() })
        for (int block : { 0, -5, 64 })
        {
            ProcessorFixture f (2, 44100.0, 64);
            f.processor.prepareToPlay (rate, block);
            auto buffer = input;
            f.processor.processBlock (buffer, midi);
            for (int ch = 0; ch < 2; ++ch)
                for (int k = 0; k < 64; ++k)
                    ASSERT_NEAR (buffer.getSample (ch, k), expected.getSample (ch, k), 1e-6f) << rate << " " << block;
        }

    for (double rate : { 1.0, 8000.0, 384000.0, 1.0e7 })
    {
        ProcessorFixture f (2, rate, 1);
        f.processor.setNormalisedValue (params::lowCut, 1.0f);
        auto buffer = noiseBuffer (2, 3000, 1.0f);
        f.processor.processBlock (buffer, midi);
        for (int k = 0; k < 3000; ++k)
            ASSERT_TRUE (std::isfinite (buffer.getSample (0, k)) && std::abs (buffer.getSample (0, k)) < 10.0f) << rate;
    }
}

TEST (ProcessorRobustness, PreparingTwiceKeepsOneEntryPerChannel)
{
    ProcessorFixture f;
    f.run (10, [&] (int, long k) { return ProcessorFixture::sine (100.0, 0.9, f.sampleRate, k); });
    const double smoothed = f.processor.getChannelEntry (0)->getSmoothedReductionDb();
    ASSERT_LT (smoothed, -1.0);

    for (int i = 0; i < 5; ++i)
        f.processor.prepareToPlay (48000.0, 512);
    EXPECT_EQ (f.processor.getNumChannelEntries(), 2);
    // The entries keep their signal state and get the new rate and parameters.
    EXPECT_EQ (f.processor.getChannelEntry (0)->getSmoothedReductionDb(), smoothed);
    EXPECT_DOUBLE_EQ (f.processor.getChannelEntry (0)->getAttackCoefficient(), 1.0 - std::exp (-4.0 / (48000.0 * 0.027f)));

    f.setChannels (1);
    f.processor.prepareToPlay (48000.0, 512);
    EXPECT_EQ (f.processor.getNumChannelEntries(), 1);
    f.setChannels (2);
    f.processor.prepareToPlay (48000.0, 512);
    EXPECT_EQ (f.processor.getNumChannelEntries(), 2);
}

TEST (ProcessorRobustness, ChannelsWithoutBankEntryPassThrough)
{
    // Prepared for mono, then handed a stereo block without a new prepare.
    ProcessorFixture f (1);
    f.setChannels (2);
    auto input = noiseBuffer (2, f.blockSize, 0.9f);
    auto buffer = input;
    juce::MidiBuffer midi;
    f.processor.processBlock (buffer, midi);
    EXPECT_EQ (std::memcmp (buffer.getReadPointer (1), input.getReadPointer (1), sizeof (float) * (size_t) f.blockSize), 0);
    EXPECT_NE (std::memcmp (buffer.getReadPointer (0), input.getReadPointer (0), sizeof (float) * (size_t) f.blockSize), 0);
}

TEST (ProcessorRobustness, LowCutStaysBoundedAtEveryRate)
{
    for (double rate : { 8000.0, 11025.0, 22050.0, 32000.0, 44100.0, 96000.0, 192000.0, 384000.0 })
    {
        ProcessorFixture f (2, rate, 256);
        f.processor.setNormalisedValue (params::lowCut, 1.0f);
        f.processor.setNormalisedValue (params::threshold, 0.0f);
        float maxOut = 0.0f;
        for (int b = 0; b < 100; ++b)
        {
            auto buffer = noiseBuffer (2, 256, 1.0f, (unsigned) b);
            juce::MidiBuffer midi;
            f.processor.processBlock (buffer, midi);
            maxOut = std::max (maxOut, buffer.getMagnitude (0, 256));
        }
        EXPECT_TRUE (std::isfinite (maxOut)) << rate;
        EXPECT_LT (maxOut, 2.0f) << rate;
        const double level = f.processor.getChannelEntry (0)->getLevelDetectorValue();
        EXPECT_TRUE (std::isfinite (level)) << rate;
        EXPECT_LT (level, 10.0) << rate;
        EXPECT_TRUE (std::isfinite (f.processor.getGainMeterValue())) << rate;
    }
    EXPECT_EQ (VantorilAudioProcessor::lowCutDesignFrequency (1.0f, 44100.0), (double) params::lowCutFrequency (1.0f));
    EXPECT_LT (VantorilAudioProcessor::lowCutDesignFrequency (1.0f, 32000.0), 16000.0);
}

TEST (ProcessorRobustness, RecoversFromNonFiniteInput)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float bad : { inf, -inf, nan, std::numeric_limits<float>::max() })
    {
        ProcessorFixture f;
        f.processor.setNormalisedValue (params::lowCut, 0.4f);
        f.processor.setNormalisedValue (params::threshold, 0.25f);
        auto corrupted = f.run (3, [&] (int, long k) { return (k % 7 == 0) ? bad : 0.5f; });
        for (int k = 0; k < f.blockSize; ++k)
            ASSERT_TRUE (std::isfinite (corrupted.getSample (0, k))) << bad;

        // On finite material the compressor works as before.
        ProcessorFixture clean;
        clean.processor.setNormalisedValue (params::lowCut, 0.4f);
        clean.processor.setNormalisedValue (params::threshold, 0.25f);
        auto sine = [&] (int, long k) { return ProcessorFixture::sine (300.0, 0.9, 44100.0, k); };
        f.run (100, sine);
        clean.run (100, sine);
        EXPECT_TRUE (std::isfinite (f.processor.getGainMeterValue())) << bad;
        EXPECT_NEAR (f.processor.getGainMeterValue(), clean.processor.getGainMeterValue(), 0.02f) << bad;
        EXPECT_NEAR (f.processor.getChannelEntry (0)->getGain(), clean.processor.getChannelEntry (0)->getGain(), 0.01) << bad;
        EXPECT_TRUE (std::isfinite (f.processor.getPeakMeterValue())) << bad;
    }
}

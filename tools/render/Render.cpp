#include "Render.h"

#include "CompressorChannel.h"
#include "Drive.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantoril::render
{

Statistics measure (const juce::AudioBuffer<float>& samples)
{
    double sumSquares = 0.0;
    float peak = 0.0f;
    const int channels = samples.getNumChannels(), length = samples.getNumSamples();
    for (int ch = 0; ch < channels; ++ch)
        for (int k = 0; k < length; ++k)
        {
            const float s = samples.getSample (ch, k);
            peak = std::max (peak, std::abs (s));
            sumSquares += (double) s * s;
        }
    const double count = std::max (1.0, (double) channels * length);
    return { params::gainToDecibels (peak), params::gainToDecibels ((float) std::sqrt (sumSquares / count)) };
}

RenderResult renderThrough (VantorilAudioProcessor& processor, const juce::AudioBuffer<float>& input, double sampleRate,
                            int blockSize, const std::function<void (double)>& progress)
{
    const int channels = input.getNumChannels(), length = input.getNumSamples();
    processor.setPlayConfigDetails (channels, channels, sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);

    RenderResult result;
    result.blockSize = blockSize;
    result.output.makeCopyOf (input);
    result.gainReductionDb.reserve ((size_t) (length / blockSize + 1));

    juce::AudioBuffer<float> block (channels, blockSize);
    juce::MidiBuffer midi;
    for (int start = 0; start < length; start += blockSize)
    {
        const int n = std::min (blockSize, length - start);
        // A host hands the last, shorter block in a buffer of its own length.
        block.setSize (channels, n, false, false, true);
        for (int ch = 0; ch < channels; ++ch)
            block.copyFrom (ch, 0, result.output, ch, start, n);
        processor.processBlock (block, midi);
        for (int ch = 0; ch < channels; ++ch)
            result.output.copyFrom (ch, start, block, ch, 0, n);

        result.gainReductionDb.push_back (params::gainToDecibels (processor.getGainMeterValue()));
        if (progress && (start / blockSize) % 64 == 0)
            progress ((double) start / std::max (1, length));
    }
    processor.releaseResources();
    if (progress)
        progress (1.0);
    return result;
}

float staticOutputDb (VantorilAudioProcessor& processor, float inputDb)
{
    // A steady input of amplitude a settles the RMS detector at a; the smoothed
    // reduction then equals the static curve's value.
    CompressorChannel channel;
    channel.threshold = (double) params::toStored (params::threshold, processor.getNormalisedValue (params::threshold));
    channel.ratio = (double) processor.getNormalisedValue (params::ratio);
    channel.softKnee = processor.getNormalisedValue (params::knee) != 0.0f;
    const float amplitude = std::pow (10.0f, inputDb / 20.0f);
    const double reduction = channel.computeGainReduction ((double) inputDb);
    const float gain = reduction > -100.0 ? std::pow (10.0f, (float) (reduction * 0.05)) : 0.0f;

    const float drive = processor.getNormalisedValue (params::drive);
    const float level = params::toStored (params::level, processor.getNormalisedValue (params::level));
    const float mix = processor.getNormalisedValue (params::mix);
    const bool bypassed = processor.getNormalisedValue (params::bypass) != 0.0f;
    if (bypassed)
        return inputDb;
    const float wet = applyDrive (amplitude * gain, drive, 0.5f, driveMakeupScale (drive)) * level;
    return params::gainToDecibels (std::abs (wet * mix + (1.0f - mix) * amplitude));
}

std::string parameterListing (VantorilAudioProcessor& processor)
{
    std::string out;
    char line[128];
    for (int i = 0; i < params::count; ++i)
    {
        // The shortest text that reads back as the same float.
        char value[32] = {};
        std::to_chars (value, value + sizeof (value) - 1, processor.getNormalisedValue (i));
        std::snprintf (line, sizeof (line), "%-10s %-12s %s\n", params::name (i), value,
                       processor.getDisplayText (i).toRawUTF8());
        out += line;
    }
    return out;
}

bool applySetting (VantorilAudioProcessor& processor, const std::string& assignment, std::string& error)
{
    const auto equals = assignment.find ('=');
    if (equals == std::string::npos || equals == 0)
    {
        error = "--set expects NAME=VALUE, got \"" + assignment + "\"";
        return false;
    }
    const juce::String name (assignment.substr (0, equals));
    const std::string value = assignment.substr (equals + 1);

    for (int i = 0; i < params::count; ++i)
    {
        if (! name.trim().equalsIgnoreCase (params::name (i)))
            continue;
        if (const auto normalised = params::parseValueText (i, value))
        {
            processor.setNormalisedValue (i, *normalised);
            return true;
        }
        error = std::string ("invalid value \"") + value + "\" for " + params::name (i) + ": expected " +
            params::rangeDescription (i);
        return false;
    }

    std::string names;
    for (int i = 0; i < params::count; ++i)
        names += std::string (i == 0 ? "" : ", ") + params::name (i);
    error = "unknown parameter \"" + name.toStdString() + "\" (parameters: " + names + ")";
    return false;
}

} // namespace vantoril::render

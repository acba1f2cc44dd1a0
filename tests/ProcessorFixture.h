#pragma once

#include "processor/VantorilAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

// A processor made through the plug-in's factory, prepared for a rate and a
// channel count, with helpers to run blocks of a signal through it.
struct ProcessorFixture
{
    explicit ProcessorFixture (int channels = 2, double rate = 44100.0, int block = 512)
        : owned (createPluginFilter()),
          processor (dynamic_cast<VantorilAudioProcessor&> (*owned)),
          sampleRate (rate),
          blockSize (block)
    {
        setChannels (channels);
        processor.prepareToPlay (sampleRate, blockSize);
    }

    void setChannels (int channels) { processor.setPlayConfigDetails (channels, channels, sampleRate, blockSize); }

    // Runs numBlocks blocks of fill(channel, sampleIndex) and returns the last block.
    template <typename Fill> juce::AudioBuffer<float> run (int numBlocks, Fill fill, int channels = -1)
    {
        if (channels < 0)
            channels = processor.getTotalNumInputChannels();
        juce::AudioBuffer<float> buffer (channels, blockSize);
        for (int b = 0; b < numBlocks; ++b)
        {
            for (int ch = 0; ch < channels; ++ch)
                for (int k = 0; k < blockSize; ++k)
                    buffer.setSample (ch, k, fill (ch, position + k));
            juce::MidiBuffer midi;
            processor.processBlock (buffer, midi);
            position += blockSize;
        }
        return buffer;
    }

    static float sine (double frequency, double amplitude, double rate, long index)
    {
        return static_cast<float> (
            amplitude * std::sin (2.0 * juce::MathConstants<double>::pi * frequency * static_cast<double> (index) / rate));
    }

    std::unique_ptr<juce::AudioProcessor> owned;
    VantorilAudioProcessor& processor;
    double sampleRate;
    int blockSize;
    long position = 0;
};

inline juce::AudioBuffer<float> noiseBuffer (int channels, int samples, float amplitude, unsigned seed = 1)
{
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> distribution (-amplitude, amplitude);
    juce::AudioBuffer<float> buffer (channels, samples);
    for (int ch = 0; ch < channels; ++ch)
        for (int k = 0; k < samples; ++k)
            buffer.setSample (ch, k, distribution (random));
    return buffer;
}

inline bool bitIdentical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        if (std::memcmp (a.getReadPointer (ch), b.getReadPointer (ch), sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;
    return true;
}

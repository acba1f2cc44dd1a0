#pragma once

#include "processor/VantorilAudioProcessor.h"

#include <functional>
#include <string>
#include <vector>

// Runs the plug-in's processor over a whole buffer, the way a host does at a
// fixed block size, and keeps what the report needs.
namespace vantoril::render
{

struct Statistics
{
    float peakDb = -100.0f;
    float rmsDb = -100.0f;
};

Statistics measure (const juce::AudioBuffer<float>& samples);

struct RenderResult
{
    juce::AudioBuffer<float> output;
    std::vector<float> gainReductionDb; // from the processor's gain feed, one value per block
    int blockSize = 512;
};

// Processes input in place of a copy. progress (0..1) is called now and then.
RenderResult renderThrough (VantorilAudioProcessor& processor, const juce::AudioBuffer<float>& input, double sampleRate,
                            int blockSize, const std::function<void (double)>& progress = {});

// The static curve of the current settings: output level against a steady input
// level, both in dBFS (drive, level and mix included).
float staticOutputDb (VantorilAudioProcessor& processor, float inputDb);

// One line per parameter: name, normalised value, display text.
std::string parameterListing (VantorilAudioProcessor& processor);

// Applies NAME=VALUE (name case-insensitive; a bare number is the normalised
// value, a number with a unit goes through the inverse mapping).
bool applySetting (VantorilAudioProcessor& processor, const std::string& assignment, std::string& error);

} // namespace vantoril::render

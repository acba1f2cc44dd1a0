#pragma once

#include "Render.h"

#include <juce_graphics/juce_graphics.h>

#include <string>

namespace vantoril::render
{

struct ReportInput
{
    std::string title;
    const juce::AudioBuffer<float>* input = nullptr;
    const RenderResult* result = nullptr;
    double sampleRate = 44100.0;
};

// One picture: input and output envelopes over time, the gain reduction over
// time, and the static transfer curve of the current settings.
juce::Image drawReport (VantorilAudioProcessor& processor, const ReportInput& report);

// The short text summary: peaks, RMS and gain reduction.
std::string summaryText (const juce::AudioBuffer<float>& input, const RenderResult& result);

} // namespace vantoril::render

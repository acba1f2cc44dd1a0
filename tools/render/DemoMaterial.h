#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <string>
#include <vector>

namespace vantoril::render
{

// About ten seconds of stereo program material, synthesised deterministically:
// drums, a bass line and a pad; a loud groove, a quiet passage, a loud ending.
juce::AudioBuffer<float> makeDemoMaterial (double sampleRate);

// The demo's preset, as --set assignments: clear compression with some drive.
std::vector<std::string> demoSettings();

} // namespace vantoril::render

#pragma once

#include "AudioDecoder.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <string>

// Reading WAV and AIFF files (see AudioDecoder.h for the encodings) and
// writing WAV and AIFF files (16/24/32-bit integer or 32-bit float) through a
// temporary file that is renamed into place only when complete.
namespace vantoril::render
{

struct SampleFormat
{
    Container container = Container::wav;
    int bitsPerSample = 16;
    bool isFloat = false;

    std::string describe() const;
};

struct AudioFile
{
    juce::AudioBuffer<float> samples;
    double sampleRate = 0.0;
    SampleFormat format; // the input's format, or 32-bit float where the writer has no such format
    std::string formatNote; // says so in that case, empty otherwise
};

// Reads the whole file. On failure returns false and sets error to one line:
// "no such file", "not a WAV or AIFF file", "unsupported encoding: ...",
// "damaged or truncated file: ...".
bool readAudioFile (const juce::File& file, AudioFile& result, std::string& error);

// The container an output name asks for, from its extension.
bool containerForFile (const juce::File& file, Container& container);

// Writes samples in the given format: to a temporary file beside the target,
// renamed over the target at the end. Nothing is left behind on failure.
bool writeAudioFile (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                     const SampleFormat& format, std::string& error);

// Writes bytes the same way (used for state files); a full disk is reported
// as "disk full".
bool writeFileAtomically (const juce::File& file, const void* data, size_t size, std::string& error);

} // namespace vantoril::render

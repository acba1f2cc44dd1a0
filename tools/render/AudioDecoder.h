#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reading WAV and AIFF/AIFC files held in memory: the header is checked
// against the bytes that are actually there before anything is allocated, a
// file that ends early is refused, and the sound data is decoded to floats.
// Free of framework code, so that the fuzzer can drive it on its own.
namespace vantoril::render
{

enum class Container
{
    wav,
    aiff
};

enum class Encoding
{
    integer, // two's complement, 16, 24 or 32 bits (8 bits in AIFF)
    unsigned8, // WAV's 8-bit samples, offset by 128
    float32,
    float64,
    aLaw, // G.711, 8 bits
    muLaw // G.711, 8 bits
};

// Where a file's sound data is and how it is encoded.
struct SoundData
{
    Container container = Container::wav;
    Encoding encoding = Encoding::integer;
    int bytesPerSample = 2;
    bool bigEndian = false;
    int numChannels = 0;
    std::int64_t numFrames = 0;
    double sampleRate = 0.0;
    const std::uint8_t* samples = nullptr; // numFrames * numChannels * bytesPerSample bytes, interleaved
};

enum class ReadProblem
{
    none,
    notAudio, // neither a WAV nor an AIFF file
    unsupported, // a valid file in an encoding or layout the renderer does not take
    damaged // the file contradicts itself or ends early
};

struct ReadOutcome
{
    ReadProblem problem = ReadProblem::none;
    std::string detail; // what exactly, for the message
};

// Finds and checks the sound data of a file held in bytes[0, size). Accepts
// mono and stereo PCM (8, 16, 24, 32 bits, also in WAVE_FORMAT_EXTENSIBLE),
// 32- and 64-bit float, A-law and mu-law, at 1 Hz to 10 MHz.
ReadOutcome findSoundData (const std::uint8_t* bytes, std::size_t size, SoundData& result);

// Decodes the sound data into one float array per channel (numFrames each);
// integers are scaled so that full scale is 1.0.
void decodeSamples (const SoundData& sound, float* const* channels);

// A short description of the encoding, e.g. "24-bit integer" or "A-law".
std::string describeEncoding (Encoding encoding, int bytesPerSample);

} // namespace vantoril::render

// Fuzzes the renderer's audio-file decoder: any bytes are either refused or
// give sound data that lies inside them and decodes to numbers.
#include "AudioDecoder.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    using namespace vantoril::render;
    SoundData sound;
    if (findSoundData (data, size, sound).problem != ReadProblem::none)
        return 0;

    const auto bytes = static_cast<std::size_t> (sound.numFrames) * static_cast<std::size_t> (sound.numChannels) *
        static_cast<std::size_t> (sound.bytesPerSample);
    if (sound.numChannels < 1 || sound.numChannels > 2 || bytes > size ||
        (bytes > 0 && (sound.samples < data || sound.samples + bytes > data + size)))
        std::abort();

    std::vector<float> left (static_cast<std::size_t> (sound.numFrames)), right (left.size());
    float* channels[2] = { left.data(), right.data() };
    decodeSamples (sound, channels);
    return 0;
}

// The renderer's audio-file reader: every encoding it takes, and the truth
// about files that are damaged, cut short, or in an encoding it does not take.
#include "AudioFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace vantoril::render;

namespace
{
using Bytes = std::vector<std::uint8_t>;

void put (Bytes& b, std::uint32_t value, int size, bool bigEndian)
{
    for (int i = 0; i < size; ++i)
        b.push_back (static_cast<std::uint8_t> (value >> (8 * (bigEndian ? size - 1 - i : i))));
}
void tag (Bytes& b, const char* t) { b.insert (b.end(), t, t + 4); }

void chunk (Bytes& file, const char* name, const Bytes& body, bool bigEndian)
{
    tag (file, name);
    put (file, static_cast<std::uint32_t> (body.size()), 4, bigEndian);
    file.insert (file.end(), body.begin(), body.end());
    if (body.size() % 2 == 1)
        file.push_back (0);
}

// A WAV file; formatTag 0xFFFE writes the extensible layout with subFormat.
Bytes wav (int formatTag, int channels, int bits, const Bytes& data, int subFormat = 1, std::uint32_t rate = 48000)
{
    Bytes fmt;
    const int blockAlign = channels * ((bits + 7) / 8);
    put (fmt, (std::uint32_t) formatTag, 2, false);
    put (fmt, (std::uint32_t) channels, 2, false);
    put (fmt, rate, 4, false);
    put (fmt, rate * (std::uint32_t) blockAlign, 4, false);
    put (fmt, (std::uint32_t) blockAlign, 2, false);
    put (fmt, (std::uint32_t) bits, 2, false);
    if (formatTag == 0xFFFE)
    {
        put (fmt, 22, 2, false);
        put (fmt, (std::uint32_t) bits, 2, false);
        put (fmt, channels == 1 ? 4 : 3, 4, false);
        put (fmt, (std::uint32_t) subFormat, 2, false);
        const std::uint8_t tail[14] = { 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71 };
        fmt.insert (fmt.end(), tail, tail + 14);
    }
    Bytes body;
    tag (body, "WAVE");
    chunk (body, "fmt ", fmt, false);
    chunk (body, "data", data, false);
    Bytes file;
    chunk (file, "RIFF", body, false);
    return file;
}

// An AIFF file, or an AIFC file when compression is given.
Bytes aiff (const char* compression, int channels, int bits, std::uint32_t frames, const Bytes& data)
{
    Bytes comm;
    put (comm, (std::uint32_t) channels, 2, true);
    put (comm, frames, 4, true);
    put (comm, (std::uint32_t) bits, 2, true);
    const std::uint8_t rate48k[10] = { 0x40, 0x0E, 0xBB, 0x80, 0, 0, 0, 0, 0, 0 };
    comm.insert (comm.end(), rate48k, rate48k + 10);
    if (compression != nullptr)
    {
        tag (comm, compression);
        put (comm, 0, 2, true); // empty name, padded
    }
    Bytes ssnd;
    put (ssnd, 0, 4, true);
    put (ssnd, 0, 4, true);
    ssnd.insert (ssnd.end(), data.begin(), data.end());

    Bytes body;
    tag (body, compression != nullptr ? "AIFC" : "AIFF");
    chunk (body, "COMM", comm, true);
    chunk (body, "SSND", ssnd, true);
    Bytes file;
    chunk (file, "FORM", body, true);
    return file;
}

// IEEE samples (float or double) in the given byte order (from a little-endian machine).
template <typename Sample> Bytes ieee (std::initializer_list<Sample> values, bool bigEndian)
{
    Bytes b;
    for (Sample v : values)
    {
        unsigned char raw[sizeof (Sample)];
        std::memcpy (raw, &v, sizeof (Sample));
        for (size_t i = 0; i < sizeof (Sample); ++i)
            b.push_back (raw[bigEndian ? sizeof (Sample) - 1 - i : i]);
    }
    return b;
}
Bytes floats (std::initializer_list<float> values, bool bigEndian) { return ieee (values, bigEndian); }
Bytes doubles (std::initializer_list<double> values, bool bigEndian) { return ieee (values, bigEndian); }

// The decoder on an exact-size heap copy (reads past the end are caught by the sanitizers).
ReadOutcome decode (const Bytes& file, SoundData& sound, std::vector<std::vector<float>>& channels)
{
    auto copy = std::make_unique<std::uint8_t[]> (file.size());
    std::copy (file.begin(), file.end(), copy.get());
    auto outcome = findSoundData (copy.get(), file.size(), sound);
    if (outcome.problem == ReadProblem::none)
    {
        channels.assign ((size_t) sound.numChannels, std::vector<float> ((size_t) sound.numFrames));
        float* pointers[2] = { channels[0].data(), sound.numChannels > 1 ? channels[1].data() : nullptr };
        decodeSamples (sound, pointers);
    }
    return outcome;
}

struct TempFile
{
    juce::TemporaryFile holder { ".wav" };
    juce::File file = holder.getFile();
    explicit TempFile (const Bytes& bytes) { file.replaceWithData (bytes.data(), bytes.size()); }
};
} // namespace

TEST (AudioReader, EveryEncodingDecodesExactly)
{
    const float a = 1.0f / 32768.0f;
    struct Case
    {
        const char* what;
        Bytes file;
        std::vector<float> expected; // mono samples
        const char* note; // how the renderer writes it back ("" = the same format)
    };
    const Case cases[] = {
        { "WAV 8-bit", wav (1, 1, 8, { 0, 128, 255 }), { -1.0f, 0.0f, 127.0f / 128.0f }, "8-bit integer" },
        { "WAV 16-bit", wav (1, 1, 16, { 0x00, 0x80, 0, 0, 0xff, 0x7f }), { -1.0f, 0.0f, 32767 * a }, "" },
        { "WAV 24-bit", wav (1, 1, 24, { 0, 0, 0x80, 1, 0, 0 }), { -1.0f, 1.0f / 8388608.0f }, "" },
        { "WAV 32-bit", wav (1, 1, 32, { 0, 0, 0, 0x80, 0, 0, 0, 0x40 }), { -1.0f, 0.5f }, "" },
        { "WAV extensible 24-bit", wav (0xFFFE, 1, 24, { 0, 0, 0x80, 0, 0, 0x40 }), { -1.0f, 0.5f }, "" },
        { "WAV extensible float", wav (0xFFFE, 1, 32, floats ({ 0.25f, -0.75f }, false), 3), { 0.25f, -0.75f }, "" },
        { "WAV 32-bit float", wav (3, 1, 32, floats ({ 0.25f, -0.75f }, false)), { 0.25f, -0.75f }, "" },
        { "WAV 64-bit float", wav (3, 1, 64, doubles ({ 0.25, -0.75 }, false)), { 0.25f, -0.75f }, "64-bit float" },
        { "WAV A-law", wav (6, 1, 8, { 0xD5, 0x55, 0xAA }), { 8 * a, -8 * a, 32256 * a }, "A-law" },
        { "WAV mu-law", wav (7, 1, 8, { 0xFF, 0x80, 0x00 }), { 0.0f, 32124 * a, -32124 * a }, "mu-law" },
        { "WAV extensible mu-law", wav (0xFFFE, 1, 8, { 0x80 }, 7), { 32124 * a }, "mu-law" },
        { "AIFF 16-bit", aiff (nullptr, 1, 16, 2, { 0x80, 0x00, 0x40, 0x00 }), { -1.0f, 0.5f }, "" },
        { "AIFF 8-bit", aiff (nullptr, 1, 8, 2, { 0x80, 0x40 }), { -1.0f, 0.5f }, "8-bit integer" },
        { "AIFC sowt", aiff ("sowt", 1, 16, 2, { 0x00, 0x80, 0x00, 0x40 }), { -1.0f, 0.5f }, "" },
        { "AIFC fl32", aiff ("fl32", 1, 32, 2, floats ({ 0.25f, -0.75f }, true)), { 0.25f, -0.75f }, "" },
        { "AIFC fl64", aiff ("fl64", 1, 64, 2, doubles ({ 0.25, -0.75 }, true)), { 0.25f, -0.75f }, "64-bit float" },
        { "AIFC ulaw", aiff ("ulaw", 1, 16, 1, { 0x80 }), { 32124 * a }, "mu-law" },
        { "AIFC alaw", aiff ("alaw", 1, 16, 1, { 0xAA }), { 32256 * a }, "A-law" },
    };
    for (const auto& c : cases)
    {
        SoundData sound;
        std::vector<std::vector<float>> channels;
        const auto outcome = decode (c.file, sound, channels);
        ASSERT_EQ (outcome.problem, ReadProblem::none) << c.what << ": " << outcome.detail;
        EXPECT_EQ (sound.sampleRate, 48000.0) << c.what;
        ASSERT_EQ (channels.size(), 1u) << c.what;
        EXPECT_EQ (channels[0], c.expected) << c.what;

        // Through the file reader: the format it will be written in.
        TempFile temp (c.file);
        AudioFile audio;
        std::string error;
        ASSERT_TRUE (readAudioFile (temp.file, audio, error)) << c.what << ": " << error;
        EXPECT_EQ (audio.formatNote.empty(), std::string (c.note).empty()) << c.what;
        EXPECT_NE (audio.formatNote.find (c.note), std::string::npos) << c.what;
        if (! audio.formatNote.empty())
        {
            EXPECT_TRUE (audio.format.isFloat && audio.format.bitsPerSample == 32) << c.what;
        }
    }

    // Stereo frames are interleaved.
    SoundData sound;
    std::vector<std::vector<float>> channels;
    ASSERT_EQ (decode (wav (1, 2, 16, { 0, 0x80, 0, 0x40, 0, 0, 0, 0xC0 }), sound, channels).problem, ReadProblem::none);
    EXPECT_EQ (channels[0], (std::vector<float> { -1.0f, 0.0f }));
    EXPECT_EQ (channels[1], (std::vector<float> { 0.5f, -0.5f }));
}

TEST (AudioReader, FilesThatEndEarlyAreErrors)
{
    // Every cut of a complete file is refused, never padded.
    Bytes stereo;
    for (int k = 0; k < 101; ++k)
    {
        put (stereo, (std::uint32_t) (k * 300), 2, false);
        put (stereo, (std::uint32_t) (k * 200), 2, false);
    }
    const Bytes files[] = { wav (1, 2, 16, stereo), wav (0xFFFE, 2, 16, stereo), aiff (nullptr, 2, 16, 101, stereo),
                            aiff ("sowt", 2, 16, 101, stereo) };
    for (const auto& file : files)
        for (size_t size = 0; size < file.size(); ++size)
        {
            SoundData sound;
            std::vector<std::vector<float>> channels;
            const Bytes cut (file.begin(), file.begin() + (std::ptrdiff_t) size);
            const auto outcome = decode (cut, sound, channels);
            ASSERT_NE (outcome.problem, ReadProblem::none) << size << " of " << file.size();
            ASSERT_EQ (outcome.problem, size < 12 ? ReadProblem::notAudio : ReadProblem::damaged) << size;
        }

    // A small file that claims 4 GB of sound data.
    auto huge = wav (1, 2, 16, { 0, 0, 0, 0 });
    for (int i = 0; i < 4; ++i)
        huge[huge.size() - 8 + (size_t) i] = 0xff;
    SoundData sound;
    std::vector<std::vector<float>> channels;
    const auto outcome = decode (huge, sound, channels);
    EXPECT_EQ (outcome.problem, ReadProblem::damaged);
    EXPECT_NE (outcome.detail.find ("4294967295"), std::string::npos) << outcome.detail;

    // An AIFF whose frame count exceeds its sound chunk.
    EXPECT_EQ (decode (aiff (nullptr, 1, 16, 3, { 0, 1, 0, 2 }), sound, channels).problem, ReadProblem::damaged);
}

TEST (AudioReader, ProblemsAreToldApart)
{
    struct Case
    {
        const char* what;
        Bytes file;
        ReadProblem problem;
    };
    Bytes text = { 't', 'h', 'i', 's', ' ', 'i', 's', ' ', 'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o' };
    auto wrongAlign = wav (1, 2, 16, { 0, 0, 0, 0 });
    auto noData = wav (1, 1, 16, {});
    noData.resize (noData.size() - 8);
    wrongAlign[32] = 3; // block align
    const Case cases[] = {
        { "text", text, ReadProblem::notAudio },
        { "ADPCM", wav (2, 1, 4, { 0, 0 }), ReadProblem::unsupported },
        { "12 channels", wav (1, 12, 16, Bytes (24, 0)), ReadProblem::unsupported },
        { "zero channels", wav (1, 0, 16, {}), ReadProblem::unsupported },
        { "48-bit integer", wav (1, 1, 48, Bytes (6, 0)), ReadProblem::unsupported },
        { "16-bit float", wav (3, 1, 16, Bytes (2, 0)), ReadProblem::unsupported },
        { "rate 0", wav (1, 1, 16, { 0, 0 }, 1, 0), ReadProblem::unsupported },
        { "AIFC ima4", aiff ("ima4", 1, 16, 1, { 0, 0 }), ReadProblem::unsupported },
        { "frame size contradicts the format", wrongAlign, ReadProblem::damaged },
        { "no data chunk", noData, ReadProblem::damaged },
    };
    for (const auto& c : cases)
    {
        SoundData sound;
        std::vector<std::vector<float>> channels;
        EXPECT_EQ (decode (c.file, sound, channels).problem, c.problem) << c.what;
    }
}

#include "AudioFiles.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace vantoril::render
{

namespace
{
constexpr juce::int64 maxFileBytes = juce::int64 (2) << 30;
} // namespace

std::string SampleFormat::describe() const
{
    return std::string (container == Container::wav ? "WAV" : "AIFF") + ", " + std::to_string (bitsPerSample) + "-bit " +
        (isFloat ? "float" : "integer");
}

bool containerForFile (const juce::File& file, Container& container)
{
    const auto extension = file.getFileExtension().toLowerCase();
    if (extension == ".wav" || extension == ".wave")
        container = Container::wav;
    else if (extension == ".aif" || extension == ".aiff" || extension == ".aifc")
        container = Container::aiff;
    else
        return false;
    return true;
}

bool readAudioFile (const juce::File& file, AudioFile& result, std::string& error)
{
    const auto name = file.getFullPathName().toStdString();
    if (! file.existsAsFile())
    {
        error = "cannot open " + name + ": no such file";
        return false;
    }

    // The whole file in memory: every size in its header is then checked
    // against the bytes that are really there.
    const auto size = file.getSize();
    if (size > maxFileBytes)
    {
        error = "cannot read " + name + ": files over 2 GB are not supported";
        return false;
    }
    std::vector<std::uint8_t> bytes (static_cast<std::size_t> (size));
    {
        juce::FileInputStream stream (file);
        if (! stream.openedOk() || stream.read (bytes.data(), static_cast<int> (bytes.size())) != static_cast<int> (bytes.size()))
        {
            error = "cannot read " + name + ": " +
                (stream.openedOk() ? std::string ("read error") : stream.getStatus().getErrorMessage().toStdString());
            return false;
        }
    }

    SoundData sound;
    const auto outcome = findSoundData (bytes.data(), bytes.size(), sound);
    switch (outcome.problem)
    {
        case ReadProblem::notAudio: error = "cannot read " + name + ": not a WAV or AIFF file"; return false;
        case ReadProblem::unsupported: error = "cannot read " + name + ": unsupported encoding: " + outcome.detail; return false;
        case ReadProblem::damaged: error = "cannot read " + name + ": damaged or truncated file: " + outcome.detail; return false;
        case ReadProblem::none: break;
    }

    result.sampleRate = sound.sampleRate;
    result.samples.setSize (sound.numChannels, static_cast<int> (sound.numFrames));
    decodeSamples (sound, result.samples.getArrayOfWritePointers());

    // Written back in the same sample format where the writer has it, else as
    // 32-bit float.
    const int bits = 8 * sound.bytesPerSample;
    result.format.container = sound.container;
    result.format.isFloat = sound.encoding != Encoding::integer;
    result.format.bitsPerSample = bits;
    result.formatNote.clear();
    const bool writable =
        (sound.encoding == Encoding::integer && (bits == 16 || bits == 24 || bits == 32)) || sound.encoding == Encoding::float32;
    if (! writable)
    {
        result.format.isFloat = true;
        result.format.bitsPerSample = 32;
        result.formatNote = describeEncoding (sound.encoding, sound.bytesPerSample) + " input, written as 32-bit float";
    }
    return true;
}

namespace
{
// Little helpers for the two byte orders.
struct Bytes
{
    juce::MemoryOutputStream out;
    bool bigEndian = false;

    void tag (const char* fourChars) { out.write (fourChars, 4); }
    void u16 (juce::uint16 v) { bigEndian ? out.writeShortBigEndian ((short) v) : out.writeShort ((short) v); }
    void u32 (juce::uint32 v) { bigEndian ? out.writeIntBigEndian ((int) v) : out.writeInt ((int) v); }
};

juce::int32 quantise (float sample, int bits)
{
    const double scale = std::ldexp (1.0, bits - 1) - 1.0;
    const double clamped = juce::jlimit (-1.0, 1.0, (double) sample);
    return (juce::int32) std::llround (clamped * scale);
}

void writeSample (Bytes& b, float sample, const SampleFormat& format)
{
    if (format.isFloat)
    {
        juce::uint32 bits;
        std::memcpy (&bits, &sample, 4);
        b.u32 (bits);
        return;
    }
    const auto v = (juce::uint32) quantise (sample, format.bitsPerSample);
    const int bytes = format.bitsPerSample / 8;
    for (int i = 0; i < bytes; ++i)
    {
        const int shift = b.bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        b.out.writeByte ((char) ((v >> shift) & 0xff));
    }
}

// The 80-bit IEEE extended number AIFF uses for the sample rate.
void writeExtended (Bytes& b, double value)
{
    int exponent = 0;
    double mantissa = std::frexp (value, &exponent); // value = mantissa * 2^exponent, 0.5 <= m < 1
    const auto significand = (juce::uint64) std::ldexp (mantissa, 64);
    const auto biased = (juce::uint16) (exponent - 1 + 16383);
    b.u16 (biased);
    b.u32 ((juce::uint32) (significand >> 32));
    b.u32 ((juce::uint32) (significand & 0xffffffff));
}

juce::MemoryBlock encode (const juce::AudioBuffer<float>& samples, double sampleRate, const SampleFormat& format)
{
    const auto channels = (juce::uint32) samples.getNumChannels();
    const auto frames = (juce::uint32) samples.getNumSamples();
    const auto bytesPerSample = (juce::uint32) format.bitsPerSample / 8;
    const auto dataBytes = channels * frames * bytesPerSample;

    Bytes b;
    if (format.container == Container::wav)
    {
        const juce::uint32 fmtSize = format.isFloat ? 18 : 16;
        const juce::uint32 factSize = format.isFloat ? 12 : 0;
        b.tag ("RIFF");
        b.u32 (4 + (8 + fmtSize) + factSize + 8 + dataBytes + (dataBytes & 1));
        b.tag ("WAVE");
        b.tag ("fmt ");
        b.u32 (fmtSize);
        b.u16 (format.isFloat ? 3 : 1);
        b.u16 ((juce::uint16) channels);
        b.u32 ((juce::uint32) std::lround (sampleRate));
        b.u32 ((juce::uint32) std::lround (sampleRate) * channels * bytesPerSample);
        b.u16 ((juce::uint16) (channels * bytesPerSample));
        b.u16 ((juce::uint16) format.bitsPerSample);
        if (format.isFloat)
        {
            b.u16 (0);
            b.tag ("fact");
            b.u32 (4);
            b.u32 (frames);
        }
        b.tag ("data");
        b.u32 (dataBytes);
    }
    else
    {
        b.bigEndian = true;
        const juce::uint32 commSize = format.isFloat ? 18 + 4 + 14 : 18;
        const juce::uint32 fverSize = format.isFloat ? 12 : 0;
        b.tag ("FORM");
        b.u32 (4 + fverSize + (8 + commSize) + (8 + 8 + dataBytes) + (dataBytes & 1));
        b.tag (format.isFloat ? "AIFC" : "AIFF");
        if (format.isFloat)
        {
            b.tag ("FVER");
            b.u32 (4);
            b.u32 (0xA2805140); // AIFC version 1
        }
        b.tag ("COMM");
        b.u32 (commSize);
        b.u16 ((juce::uint16) channels);
        b.u32 (frames);
        b.u16 ((juce::uint16) format.bitsPerSample);
        writeExtended (b, sampleRate);
        if (format.isFloat)
        {
            b.tag ("fl32");
            const char name[14] = "\x0c"
                                  "32-bit float"; // Pascal string, padded to an even length
            b.out.write (name, 14);
        }
        b.tag ("SSND");
        b.u32 (8 + dataBytes);
        b.u32 (0);
        b.u32 (0);
    }

    for (juce::uint32 k = 0; k < frames; ++k)
        for (juce::uint32 ch = 0; ch < channels; ++ch)
            writeSample (b, samples.getSample ((int) ch, (int) k), format);
    if (dataBytes & 1)
        b.out.writeByte (0);
    return b.out.getMemoryBlock();
}
} // namespace

bool writeFileAtomically (const juce::File& file, const void* data, size_t size, std::string& error)
{
    const auto name = file.getFullPathName().toStdString();
    if (! file.getParentDirectory().isDirectory())
    {
        error = "cannot write " + name + ": no such directory";
        return false;
    }
    if (file.isDirectory())
    {
        error = "cannot write " + name + ": it is a directory";
        return false;
    }

    const auto temporary = file.getSiblingFile ("." + file.getFileName() + ".partial-" +
                                                juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));
    const auto temporaryName = temporary.getFullPathName().toStdString();

    // Written with the system's calls, so that a full disk can be told from
    // a missing permission.
    int failure = 0;
    const int fd = ::open (temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        failure = errno;
    else
    {
        const auto* p = static_cast<const char*> (data);
        for (size_t left = size; left > 0 && failure == 0;)
        {
            const auto written = ::write (fd, p, left);
            if (written < 0 && errno != EINTR)
                failure = errno;
            else if (written > 0)
            {
                p += written;
                left -= static_cast<size_t> (written);
            }
        }
        if (failure == 0 && ::fsync (fd) != 0 && errno != EINVAL)
            failure = errno;
        if (::close (fd) != 0 && failure == 0)
            failure = errno;
        if (failure == 0 && ! temporary.moveFileTo (file))
            failure = EACCES;
    }

    if (failure != 0)
    {
        temporary.deleteFile();
        if (failure == ENOSPC || failure == EDQUOT)
            error = "cannot write " + name + ": disk full";
        else
            error = "cannot write " + name + ": the file or its directory is not writable (" + std::strerror (failure) + ")";
        return false;
    }
    return true;
}

bool writeAudioFile (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                     const SampleFormat& format, std::string& error)
{
    const auto bytes = encode (samples, sampleRate, format);
    return writeFileAtomically (file, bytes.getData(), bytes.getSize(), error);
}

} // namespace vantoril::render

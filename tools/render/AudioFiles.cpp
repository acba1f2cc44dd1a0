#include "AudioFiles.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <cstring>

namespace vantoril::render
{

std::string SampleFormat::describe() const
{
    return std::string (container == Container::wav ? "WAV" : "AIFF") + ", " + std::to_string (bitsPerSample) + "-bit "
           + (isFloat ? "float" : "integer");
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

    juce::AudioFormatManager formats;
    formats.registerFormat (new juce::WavAudioFormat(), true);
    formats.registerFormat (new juce::AiffAudioFormat(), false);

    std::unique_ptr<juce::AudioFormatReader> reader;
    if (auto stream = file.createInputStream())
    {
        for (auto* format : { formats.getKnownFormat (0), formats.getKnownFormat (1) })
        {
            stream->setPosition (0);
            if (auto* r = format->createReaderFor (stream.get(), false))
            {
                stream.release();
                reader.reset (r);
                break;
            }
        }
    }
    if (reader == nullptr)
    {
        error = "cannot read " + name + ": not a WAV or AIFF file";
        return false;
    }

    const bool isAiff = reader->getFormatName().containsIgnoreCase ("AIFF");
    result.format = { isAiff ? Container::aiff : Container::wav, (int) reader->bitsPerSample, reader->usesFloatingPointData };
    const bool supported = (result.format.isFloat && result.format.bitsPerSample == 32)
                           || (! result.format.isFloat && (result.format.bitsPerSample == 16 || result.format.bitsPerSample == 24
                                                           || result.format.bitsPerSample == 32));
    if (! supported)
    {
        error = "cannot read " + name + ": " + std::to_string (reader->bitsPerSample) + "-bit "
                + (result.format.isFloat ? "float" : "integer") + " samples are not supported (16/24/32-bit integer or 32-bit float)";
        return false;
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = "cannot read " + name + ": " + std::to_string (reader->numChannels) + " channels (mono or stereo only)";
        return false;
    }
    if (reader->sampleRate <= 0.0 || reader->lengthInSamples > (juce::int64) std::numeric_limits<int>::max())
    {
        error = "cannot read " + name + ": invalid sample rate or length";
        return false;
    }

    result.sampleRate = reader->sampleRate;
    result.samples.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
    if (! reader->read (&result.samples, 0, (int) reader->lengthInSamples, 0, true, true))
    {
        error = "cannot read " + name + ": the file is truncated or damaged";
        return false;
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
            const char name[14] = "\x0c" "32-bit float"; // Pascal string, padded to an even length
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

    const auto temporary = file.getSiblingFile ("." + file.getFileName() + ".partial-"
                                                + juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));
    bool ok = false;
    {
        juce::FileOutputStream stream (temporary);
        ok = stream.openedOk() && stream.write (data, size);
        if (ok)
        {
            stream.flush();
            ok = stream.getStatus().wasOk();
        }
    }
    if (ok)
        ok = temporary.moveFileTo (file);
    if (! ok)
    {
        temporary.deleteFile();
        error = "cannot write " + name + ": the file or its directory is not writable";
    }
    return ok;
}

bool writeAudioFile (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                     const SampleFormat& format, std::string& error)
{
    const auto bytes = encode (samples, sampleRate, format);
    return writeFileAtomically (file, bytes.getData(), bytes.getSize(), error);
}

} // namespace vantoril::render

#include "AudioDecoder.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vantoril::render
{

namespace
{
constexpr std::int64_t maxFrames = std::numeric_limits<int>::max();

std::uint32_t le16 (const std::uint8_t* p) { return static_cast<std::uint32_t> (p[0] | p[1] << 8); }
std::uint32_t le32 (const std::uint8_t* p) { return le16 (p) | le16 (p + 2) << 16; }
std::uint32_t be16 (const std::uint8_t* p) { return static_cast<std::uint32_t> (p[0] << 8 | p[1]); }
std::uint32_t be32 (const std::uint8_t* p) { return be16 (p) << 16 | be16 (p + 2); }

bool tagIs (const std::uint8_t* p, const char* tag) { return std::memcmp (p, tag, 4) == 0; }

ReadOutcome damaged (std::string detail) { return { ReadProblem::damaged, std::move (detail) }; }
ReadOutcome unsupported (std::string detail) { return { ReadProblem::unsupported, std::move (detail) }; }

// A file's chunks, one after the other, each checked against the bytes left.
class ChunkReader
{
public:
    ChunkReader (const std::uint8_t* begin, const std::uint8_t* finish, bool isBigEndian)
        : p (begin),
          end (finish),
          bigEndian (isBigEndian)
    {
    }

    // Moves to the next chunk; false at the end of the file or on damage.
    bool next (ReadOutcome& outcome)
    {
        const auto left = static_cast<std::size_t> (end - p);
        if (left == 0 || (left == 1 && *p == 0)) // a final pad byte is tolerated
            return false;
        if (left < 8)
        {
            outcome = damaged ("a chunk header is cut off");
            return false;
        }
        tag = p;
        size = bigEndian ? be32 (p + 4) : le32 (p + 4);
        body = p + 8;
        if (size > static_cast<std::size_t> (end - body))
        {
            outcome = damaged (std::string ("the '") + std::string (reinterpret_cast<const char*> (tag), 4) + "' chunk needs " +
                               std::to_string (size) + " bytes, the file has " + std::to_string (end - body) + " left");
            return false;
        }
        // Chunks are padded to an even length; a missing final pad byte is tolerated.
        p = body + size;
        if ((size & 1) != 0 && p != end)
            ++p;
        return true;
    }

    const std::uint8_t* tag = nullptr;
    const std::uint8_t* body = nullptr;
    std::size_t size = 0;

private:
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool bigEndian;
};

// Frames the sound data holds, checked against the channel layout.
ReadOutcome checkLayout (SoundData& s, std::size_t dataBytes)
{
    if (s.numChannels < 1 || s.numChannels > 2)
        return unsupported (std::to_string (s.numChannels) + " channels (mono or stereo only)");
    if (! (s.sampleRate >= 1.0 && s.sampleRate <= 1.0e7))
        return unsupported ("a sample rate of " + std::to_string (s.sampleRate) + " Hz");
    const auto frameBytes = static_cast<std::size_t> (s.numChannels * s.bytesPerSample);
    if (dataBytes / frameBytes > static_cast<std::size_t> (maxFrames))
        return unsupported ("more than " + std::to_string (maxFrames) + " frames");
    return {};
}

ReadOutcome readWav (const std::uint8_t* bytes, std::size_t size, SoundData& s)
{
    s.container = Container::wav;
    s.bigEndian = false;
    ChunkReader chunks (bytes + 12, bytes + size, false);
    ReadOutcome outcome;
    bool haveFormat = false;
    const std::uint8_t* sound = nullptr;
    std::size_t soundBytes = 0;

    while (chunks.next (outcome))
    {
        if (tagIs (chunks.tag, "fmt "))
        {
            if (chunks.size < 16)
                return damaged ("the format chunk is too short");
            const auto* f = chunks.body;
            std::uint32_t formatTag = le16 (f);
            s.numChannels = static_cast<int> (le16 (f + 2));
            s.sampleRate = le32 (f + 4);
            const auto blockAlign = le16 (f + 12);
            const auto bits = le16 (f + 14);

            if (formatTag == 0xFFFE) // WAVE_FORMAT_EXTENSIBLE: the real tag is in the sub-format GUID
            {
                static const std::uint8_t guidTail[14] = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };
                if (chunks.size < 40 || le16 (f + 16) < 22)
                    return damaged ("the extensible format chunk is too short");
                if (std::memcmp (f + 26, guidTail, sizeof (guidTail)) != 0)
                    return unsupported ("an extensible sub-format that is not PCM, float, A-law or mu-law");
                formatTag = le16 (f + 24);
            }

            s.bytesPerSample = static_cast<int> ((bits + 7) / 8);
            switch (formatTag)
            {
                case 1:
                    if (bits < 8 || bits > 32)
                        return unsupported (std::to_string (bits) + "-bit integer samples");
                    s.encoding = s.bytesPerSample == 1 ? Encoding::unsigned8 : Encoding::integer;
                    break;
                case 3:
                    if (bits != 32 && bits != 64)
                        return unsupported (std::to_string (bits) + "-bit float samples");
                    s.encoding = bits == 32 ? Encoding::float32 : Encoding::float64;
                    break;
                case 6:
                case 7:
                    if (bits != 8)
                        return unsupported (std::to_string (bits) + "-bit G.711 samples");
                    s.encoding = formatTag == 6 ? Encoding::aLaw : Encoding::muLaw;
                    break;
                default: return unsupported ("WAV format tag " + std::to_string (formatTag) + " (compressed audio)");
            }
            if (s.numChannels >= 1 && blockAlign != static_cast<std::uint32_t> (s.numChannels * s.bytesPerSample))
                return damaged ("the frame size does not match the channels and sample size");
            haveFormat = true;
        }
        else if (tagIs (chunks.tag, "data"))
        {
            if (! haveFormat)
                return damaged ("the sound data comes before its format");
            sound = chunks.body;
            soundBytes = chunks.size;
        }
    }
    if (outcome.problem != ReadProblem::none)
        return outcome;
    if (! haveFormat)
        return damaged ("the format chunk is missing");
    if (sound == nullptr)
        return damaged ("the sound data is missing");
    if (auto layout = checkLayout (s, soundBytes); layout.problem != ReadProblem::none)
        return layout;
    // A partial frame at the end of the data is left out.
    s.samples = sound;
    s.numFrames = static_cast<std::int64_t> (soundBytes / static_cast<std::size_t> (s.numChannels * s.bytesPerSample));
    return {};
}

// The 80-bit extended-precision number AIFF keeps the sample rate in.
double readExtended (const std::uint8_t* p)
{
    const int exponent = static_cast<int> (be16 (p) & 0x7fff);
    const std::uint64_t mantissa = static_cast<std::uint64_t> (be32 (p + 2)) << 32 | be32 (p + 6);
    if (exponent == 0x7fff)
        return std::numeric_limits<double>::quiet_NaN();
    const double magnitude = std::ldexp (static_cast<double> (mantissa), exponent - 16383 - 63);
    return (be16 (p) & 0x8000) != 0 ? -magnitude : magnitude;
}

ReadOutcome readAiff (const std::uint8_t* bytes, std::size_t size, bool compressed, SoundData& s)
{
    s.container = Container::aiff;
    s.bigEndian = true;
    ChunkReader chunks (bytes + 12, bytes + size, true);
    ReadOutcome outcome;
    bool haveFormat = false;
    std::uint32_t frames = 0;
    const std::uint8_t* sound = nullptr;
    std::size_t soundBytes = 0;

    while (chunks.next (outcome))
    {
        if (tagIs (chunks.tag, "COMM"))
        {
            if (chunks.size < (compressed ? 22u : 18u))
                return damaged ("the common chunk is too short");
            const auto* c = chunks.body;
            s.numChannels = static_cast<int> (be16 (c));
            frames = be32 (c + 2);
            const auto bits = be16 (c + 6);
            s.sampleRate = readExtended (c + 8);
            s.bytesPerSample = static_cast<int> ((bits + 7) / 8);
            s.encoding = Encoding::integer;
            s.bigEndian = true;

            const std::string compression = compressed ? std::string (reinterpret_cast<const char*> (c + 18), 4) : "NONE";
            if (compression == "NONE" || compression == "twos" || compression == "sowt")
            {
                if (bits < 8 || bits > 32)
                    return unsupported (std::to_string (bits) + "-bit integer samples");
                s.bigEndian = compression != "sowt";
            }
            else if (compression == "fl32" || compression == "FL32")
            {
                s.encoding = Encoding::float32;
                s.bytesPerSample = 4;
            }
            else if (compression == "fl64" || compression == "FL64")
            {
                s.encoding = Encoding::float64;
                s.bytesPerSample = 8;
            }
            else if (compression == "alaw" || compression == "ALAW" || compression == "ulaw" || compression == "ULAW")
            {
                s.encoding = (compression == "alaw" || compression == "ALAW") ? Encoding::aLaw : Encoding::muLaw;
                s.bytesPerSample = 1;
            }
            else
            {
                std::string printable;
                for (char ch : compression)
                    printable += (ch >= 32 && ch < 127) ? ch : '?';
                return unsupported ("AIFC compression '" + printable + "'");
            }
            haveFormat = true;
        }
        else if (tagIs (chunks.tag, "SSND"))
        {
            if (chunks.size < 8)
                return damaged ("the sound chunk is too short");
            const std::uint32_t offset = be32 (chunks.body);
            if (offset > chunks.size - 8)
                return damaged ("the sound chunk's offset points past its end");
            sound = chunks.body + 8 + offset;
            soundBytes = chunks.size - 8 - offset;
        }
    }
    if (outcome.problem != ReadProblem::none)
        return outcome;
    if (! haveFormat)
        return damaged ("the common chunk is missing");
    if (frames > 0 && sound == nullptr)
        return damaged ("the sound data is missing");

    const auto frameBytes = static_cast<std::size_t> (s.numChannels) * static_cast<std::size_t> (s.bytesPerSample);
    if (auto layout = checkLayout (s, soundBytes); layout.problem != ReadProblem::none)
        return layout;
    if (static_cast<std::uint64_t> (frames) * frameBytes > soundBytes)
        return damaged ("the sound data ends after " + std::to_string (soundBytes / frameBytes) + " of " +
                        std::to_string (frames) + " frames");
    s.samples = sound;
    s.numFrames = frames;
    return {};
}

float fromALaw (std::uint8_t a)
{
    a ^= 0x55;
    int t = (a & 0x0f) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0)
        t += 8;
    else
        t = (t + 0x108) << (segment - 1);
    return static_cast<float> ((a & 0x80) != 0 ? t : -t) / 32768.0f;
}

float fromMuLaw (std::uint8_t u)
{
    u = static_cast<std::uint8_t> (~u);
    int t = ((u & 0x0f) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<float> ((u & 0x80) != 0 ? 0x84 - t : t - 0x84) / 32768.0f;
}

float decodeOne (const SoundData& s, const std::uint8_t* p)
{
    switch (s.encoding)
    {
        case Encoding::unsigned8: return static_cast<float> (static_cast<int> (*p) - 128) / 128.0f;
        case Encoding::aLaw: return fromALaw (*p);
        case Encoding::muLaw: return fromMuLaw (*p);
        case Encoding::float32:
        {
            const std::uint32_t bits = s.bigEndian ? be32 (p) : le32 (p);
            float v;
            std::memcpy (&v, &bits, 4);
            return v;
        }
        case Encoding::float64:
        {
            const std::uint64_t bits = s.bigEndian ? (static_cast<std::uint64_t> (be32 (p)) << 32 | be32 (p + 4))
                                                   : (static_cast<std::uint64_t> (le32 (p + 4)) << 32 | le32 (p));
            double v;
            std::memcpy (&v, &bits, 8);
            return static_cast<float> (v);
        }
        case Encoding::integer:
        default:
        {
            // The sample's bytes, most significant first, into the top of 32 bits.
            std::uint32_t value = 0;
            for (int i = 0; i < s.bytesPerSample; ++i)
            {
                const std::uint8_t byte = s.bigEndian ? p[i] : p[s.bytesPerSample - 1 - i];
                value |= static_cast<std::uint32_t> (byte) << (24 - 8 * i);
            }
            return static_cast<float> (static_cast<double> (static_cast<std::int32_t> (value)) / 2147483648.0);
        }
    }
}
} // namespace

ReadOutcome findSoundData (const std::uint8_t* bytes, std::size_t size, SoundData& result)
{
    result = SoundData();
    if (bytes == nullptr || size < 12)
        return { ReadProblem::notAudio, "too short for a WAV or AIFF header" };

    if (tagIs (bytes, "RIFF") && tagIs (bytes + 8, "WAVE"))
        return readWav (bytes, size, result);
    if (tagIs (bytes, "FORM") && (tagIs (bytes + 8, "AIFF") || tagIs (bytes + 8, "AIFC")))
        return readAiff (bytes, size, tagIs (bytes + 8, "AIFC"), result);
    if (tagIs (bytes, "RIFX") || tagIs (bytes, "RF64") || tagIs (bytes, "BW64"))
        return unsupported ("the " + std::string (reinterpret_cast<const char*> (bytes), 4) + " variant of WAV");
    return { ReadProblem::notAudio, "not a WAV or AIFF file" };
}

void decodeSamples (const SoundData& s, float* const* channels)
{
    const auto step = static_cast<std::size_t> (s.bytesPerSample);
    const std::uint8_t* p = s.samples;
    for (std::int64_t frame = 0; frame < s.numFrames; ++frame)
        for (int ch = 0; ch < s.numChannels; ++ch, p += step)
            channels[ch][frame] = decodeOne (s, p);
}

std::string describeEncoding (Encoding encoding, int bytesPerSample)
{
    switch (encoding)
    {
        case Encoding::unsigned8: return "8-bit integer";
        case Encoding::float32: return "32-bit float";
        case Encoding::float64: return "64-bit float";
        case Encoding::aLaw: return "A-law";
        case Encoding::muLaw: return "mu-law";
        case Encoding::integer:
        default: return std::to_string (8 * bytesPerSample) + "-bit integer";
    }
}

} // namespace vantoril::render

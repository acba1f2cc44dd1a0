// Loads the built VST 2.4 library and checks what a host sees through the raw
// binary interface.
#include "VstHost.h"

#include "CompressorChannel.h"
#include "Drive.h"
#include "ParameterMapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <thread>

namespace
{
const VstLibrary& library()
{
    static VstLibrary instance (VANTORIL_VST_PATH);
    return instance;
}

class VstHostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE (library().isLoaded()) << dlerror();
        hostState() = {};
    }
};
} // namespace

TEST_F (VstHostTest, ExportsAndLegacyEntries)
{
    for (const char* name : { "VSTPluginMain", "main", "NewPlugIn", "_PI_GetRoutineDescriptor" })
        EXPECT_NE (library().symbol (name), nullptr) << name;
    EXPECT_EQ (library().symbol ("juceVstPluginMain"), nullptr);

    using Legacy = void* (*) ();
    EXPECT_EQ (reinterpret_cast<Legacy> (library().symbol ("NewPlugIn"))(), nullptr);
    EXPECT_EQ (reinterpret_cast<Legacy> (library().symbol ("_PI_GetRoutineDescriptor"))(), nullptr);
}

TEST_F (VstHostTest, RefusesHostThatAnswersVersionZero)
{
    hostState().versionAnswer = 0;
    EXPECT_EQ (library().instantiate(), nullptr);
}

TEST_F (VstHostTest, EffectIdentity)
{
    VstInstance plugin (library());
    ASSERT_NE (plugin.effect, nullptr);
    const AEffect& e = *plugin.effect;
    EXPECT_EQ (e.magic, 0x56737450);
    EXPECT_EQ (e.numParams, 10);
    EXPECT_EQ (e.numPrograms, 0);
    EXPECT_EQ (e.numInputs, 2);
    EXPECT_EQ (e.numOutputs, 2);
    EXPECT_EQ (e.flags, 0x231);
    EXPECT_EQ (e.uniqueID, 0x584B5041);
    EXPECT_EQ (e.version, 66560);
    EXPECT_EQ (e.initialDelay, 0);

    EXPECT_EQ (plugin.text (vst::getEffectName), "Vantoril");
    EXPECT_EQ (plugin.text (vst::getProductString), "Vantoril");
    EXPECT_EQ (plugin.text (vst::getVendorString), "ZAZuziza");
    EXPECT_EQ (plugin.dispatch (vst::getVendorVersion), 66560);
    EXPECT_EQ (plugin.dispatch (vst::getPlugCategory), 1);
    EXPECT_EQ (plugin.dispatch (vst::getVstVersion), 2400);
    EXPECT_EQ (plugin.dispatch (vst::getTailSize), 0);

    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ (plugin.text (vst::getParamName, i), vantoril::params::name (i));
        EXPECT_EQ (plugin.text (vst::getParamLabel, i), "");
        EXPECT_EQ (plugin.dispatch (vst::canBeAutomated, i), 1) << i;
    }

    // No programs: the program name queries answer nothing.
    EXPECT_EQ (plugin.text (vst::getProgramName), "");
    EXPECT_EQ (plugin.dispatch (vst::getProgramNameIndexed, 0, 0, std::vector<char> (64).data()), 0);
}

TEST_F (VstHostTest, CapabilityReplies)
{
    VstInstance plugin (library());
    for (const auto& [query, reply] : vst::expectedCanDoReplies)
        EXPECT_EQ (plugin.dispatch (vst::canDo, 0, 0, const_cast<char*> (query)), reply) << '"' << query << '"';
}

// Older hosts look up "main": it must give the same plug-in, through the same
// entry adapter (no programs, the same capability answers, pass-through while
// suspended, the same audio).
TEST_F (VstHostTest, LegacyMainEntryIsTheSamePlugin)
{
    VstInstance modern (library());
    VstInstance legacy (library(), hostCallback, "main");
    ASSERT_NE (legacy.effect, nullptr);
    ASSERT_NE (modern.effect, nullptr);
    EXPECT_NE (legacy.effect, modern.effect);

    const auto identity = [] (const AEffect* e)
    {
        return std::vector<long long> { e->magic,      e->numPrograms, e->numParams, e->numInputs,
                                        e->numOutputs, e->flags,       e->uniqueID,  e->version };
    };
    EXPECT_EQ (identity (legacy.effect), identity (modern.effect));
    EXPECT_EQ (legacy.effect->dispatcher, modern.effect->dispatcher);
    EXPECT_EQ (legacy.effect->processReplacing, modern.effect->processReplacing);
    for (const auto& [query, reply] : vst::expectedCanDoReplies)
        EXPECT_EQ (legacy.dispatch (vst::canDo, 0, 0, const_cast<char*> (query)), reply) << '"' << query << '"';

    // Suspended: the input passes through untouched.
    std::vector<float> left (64, 0.5f), right (64, -0.25f), outLeft (64), outRight (64);
    float* in[] = { left.data(), right.data() };
    float* out[] = { outLeft.data(), outRight.data() };
    legacy.process (in, out, 64);
    EXPECT_EQ (outLeft, left);
    EXPECT_EQ (outRight, right);

    // Resumed: both entries give the same audio.
    for (auto* plugin : { &modern, &legacy })
    {
        plugin->effect->setParameter (plugin->effect, vantoril::params::threshold, 0.2f);
        plugin->resume (48000.0f, 64);
    }
    std::vector<float> modernLeft (64), modernRight (64);
    float* modernOut[] = { modernLeft.data(), modernRight.data() };
    modern.process (in, modernOut, 64);
    legacy.process (in, out, 64);
    EXPECT_EQ (outLeft, modernLeft);
    EXPECT_EQ (outRight, modernRight);
    EXPECT_NE (outLeft, left);
}

TEST_F (VstHostTest, ParametersThroughTheInterface)
{
    VstInstance plugin (library());
    AEffect* e = plugin.effect;
    const char* texts[] = {
        "27.001 ms", "301 ms", "-20.00 dB", "2.00:1", "SOFT KNEE", "20 Hz", "25 %", "+0.00 dB", "wet", "OFF"
    };
    const float values[] = { 0.646330f, 0.391487f, 0.5f, 0.5f, 1.0f, 0.0f, 0.25f, 0.5f, 1.0f, 0.0f };
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_NEAR (e->getParameter (e, i), values[i], 1e-6f) << i;
        EXPECT_EQ (plugin.text (vst::getParamDisplay, i), texts[i]) << i;
    }

    e->setParameter (e, vantoril::params::ratio, 0.75f);
    e->setParameter (e, vantoril::params::mix, 0.53f);
    e->setParameter (e, vantoril::params::bypass, 0.5f);
    e->setParameter (e, vantoril::params::level, 1.7f);
    EXPECT_EQ (e->getParameter (e, vantoril::params::ratio), 0.75f);
    EXPECT_EQ (plugin.text (vst::getParamDisplay, vantoril::params::ratio), "4.00:1");
    EXPECT_EQ (plugin.text (vst::getParamDisplay, vantoril::params::mix), "52 %");
    EXPECT_EQ (e->getParameter (e, vantoril::params::bypass), 1.0f);
    EXPECT_EQ (plugin.text (vst::getParamDisplay, vantoril::params::level), "+15.00 dB");

    // Host writes are not echoed back to the host as automation.
    EXPECT_TRUE (hostState().events.empty());
}

TEST_F (VstHostTest, ChunksThroughTheInterface)
{
    VstInstance a (library());
    for (int isProgram : { 0, 1 })
    {
        void* data = nullptr;
        const auto size = a.dispatch (vst::getChunk, isProgram, 0, &data);
        ASSERT_EQ (size, 163) << isProgram;
        ASSERT_NE (data, nullptr);
        const auto* bytes = static_cast<const unsigned char*> (data);
        EXPECT_EQ (std::vector<unsigned char> (bytes, bytes + 8),
                   (std::vector<unsigned char> { 0x56, 0x43, 0x32, 0x21, 0x99, 0, 0, 0 }));
    }

    a.effect->setParameter (a.effect, vantoril::params::threshold, 0.3f);
    a.effect->setParameter (a.effect, vantoril::params::knee, 0.0f);
    void* data = nullptr;
    const auto size = a.dispatch (vst::getChunk, 0, 0, &data);
    const std::vector<char> saved (static_cast<char*> (data), static_cast<char*> (data) + size);

    for (int isProgram : { 0, 1 })
    {
        VstInstance b (library());
        std::vector<char> copy = saved;
        b.dispatch (vst::setChunk, isProgram, (VstIntPtr) copy.size(), copy.data());
        EXPECT_EQ (b.text (vst::getParamDisplay, vantoril::params::threshold), "-28.00 dB");
        EXPECT_EQ (b.text (vst::getParamDisplay, vantoril::params::knee), "HARD KNEE");
        for (int i = 0; i < 10; ++i)
            EXPECT_NEAR (b.effect->getParameter (b.effect, i), a.effect->getParameter (a.effect, i), 1e-6f) << i;
    }
}

TEST_F (VstHostTest, SpeakerArrangementsAndPins)
{
    VstInstance plugin (library());

    VstPinProperties pin {};
    for (int opcode : { (int) vst::getInputProperties, (int) vst::getOutputProperties })
    {
        EXPECT_EQ (plugin.dispatch (opcode, 0, 0, &pin), 1);
        EXPECT_EQ (plugin.dispatch (opcode, 1, 0, &pin), 1);
        EXPECT_EQ (plugin.dispatch (opcode, 2, 0, &pin), 0);
    }

    const std::pair<int, int> refused[] = { { 2, 1 }, { 1, 2 }, { 6, 6 }, { 0, 2 } };
    for (const auto& [in, out] : refused)
    {
        SpeakerArrangement input (in), output (out);
        EXPECT_EQ (plugin.dispatch (vst::setSpeakerArrangement, 0, (VstIntPtr) input.get(), output.get()), 0) << in << "/" << out;
    }

    SpeakerArrangement stereoIn (2), stereoOut (2);
    EXPECT_EQ (plugin.dispatch (vst::setSpeakerArrangement, 0, (VstIntPtr) stereoIn.get(), stereoOut.get()), 1);
    SpeakerArrangement monoIn (1), monoOut (1);
    EXPECT_EQ (plugin.dispatch (vst::setSpeakerArrangement, 0, (VstIntPtr) monoIn.get(), monoOut.get()), 1);
}

namespace
{
// The signal path computed from the DSP core: default settings except those given.
std::vector<float> expectedOutput (const std::vector<float>& input, double rate, float thresholdNormalised, float drive)
{
    using namespace vantoril;
    CompressorChannel channel;
    channel.setSampleRate (rate);
    channel.setAttack (params::initialStoredValue (params::attack));
    channel.setRelease (params::initialStoredValue (params::release));
    channel.threshold = (double) params::toStored (params::threshold, thresholdNormalised);
    channel.ratio = (double) params::initialStoredValue (params::ratio);
    channel.softKnee = true;
    const float scale = driveMakeupScale (drive);

    std::vector<float> out;
    for (float x : input)
    {
        const auto y = (float) channel.process (x, x);
        const float d = applyDrive (y, drive, 0.5f, scale);
        out.push_back (((d * 1.0f) * 1.0f) + ((1.0f - 1.0f) * x));
    }
    return out;
}

std::vector<float> testSignal (int channel, int length)
{
    std::vector<float> s ((size_t) length);
    for (int k = 0; k < length; ++k)
        s[(size_t) k] =
            (float) ((channel == 0 ? 0.8 : 0.3) * std::sin (0.013 * k * (channel + 1)) * std::exp (-0.0004 * (k % 3000)));
    return s;
}
} // namespace

TEST_F (VstHostTest, ProcessesStereoAndMonoExactly)
{
    for (int channels : { 2, 1 })
    {
        VstInstance plugin (library());
        AEffect* e = plugin.effect;
        if (channels == 1)
        {
            SpeakerArrangement in (1), out (1);
            ASSERT_EQ (plugin.dispatch (vst::setSpeakerArrangement, 0, (VstIntPtr) in.get(), out.get()), 1);
        }
        e->setParameter (e, vantoril::params::threshold, 0.35f);
        e->setParameter (e, vantoril::params::drive, 0.6f);
        plugin.resume (48000.0f, 256);

        constexpr int length = 256 * 40;
        std::vector<std::vector<float>> input, output;
        for (int ch = 0; ch < channels; ++ch)
        {
            input.push_back (testSignal (ch, length));
            output.emplace_back ((size_t) length, 0.0f);
        }

        for (int start = 0; start < length; start += 256)
        {
            float* in[2] = {};
            float* out[2] = {};
            std::vector<std::vector<float>> blockIn;
            for (int ch = 0; ch < channels; ++ch)
            {
                blockIn.emplace_back (input[(size_t) ch].begin() + start, input[(size_t) ch].begin() + start + 256);
                in[ch] = blockIn.back().data();
                out[ch] = output[(size_t) ch].data() + start;
            }
            e->processReplacing (e, in, out, 256);
        }

        for (int ch = 0; ch < channels; ++ch)
        {
            const auto expected = expectedOutput (input[(size_t) ch], 48000.0, 0.35f, 0.6f);
            for (int k = 0; k < length; ++k)
                ASSERT_EQ (output[(size_t) ch][(size_t) k], expected[(size_t) k])
                    << "channels " << channels << " ch " << ch << " k " << k;
        }
        plugin.suspend();
    }
}

TEST_F (VstHostTest, EditorRectangle)
{
    VstInstance plugin (library());
    ERect* rect = nullptr;
    plugin.dispatch (vst::editGetRect, 0, 0, &rect);
    ASSERT_NE (rect, nullptr);
    EXPECT_EQ (rect->right - rect->left, 900);
    EXPECT_EQ (rect->bottom - rect->top, 300);
}

// Hosts that scale plug-in editors say so with the content-scale request
// (vendor-specific 'PreS' 'AeCs' with the factor); the editor grows with it.
TEST_F (VstHostTest, EditorFollowsTheHostsScaleFactor)
{
    VstInstance plugin (library());
    const auto fourCharacters = [] (const char* text)
    {
        return (VstIntPtr) (((unsigned) text[0] << 24) | ((unsigned) text[1] << 16) | ((unsigned) text[2] << 8) |
                            (unsigned) text[3]);
    };
    for (const auto& [scale, width, height] :
         { std::tuple { 2.0f, 1800, 600 }, std::tuple { 1.5f, 1350, 450 }, std::tuple { 1.0f, 900, 300 } })
    {
        EXPECT_EQ (plugin.dispatch (vst::vendorSpecific, (int) fourCharacters ("PreS"), fourCharacters ("AeCs"), nullptr, scale),
                   1);
        ERect* rect = nullptr;
        plugin.dispatch (vst::editGetRect, 0, 0, &rect);
        ASSERT_NE (rect, nullptr);
        EXPECT_EQ (rect->right - rect->left, width) << scale;
        EXPECT_EQ (rect->bottom - rect->top, height) << scale;
    }
}

//==============================================================================
// The process path and the host's structures, as a careless host uses them.

namespace
{
// Two channels of test signal in host-owned buffers.
struct StereoBlock
{
    explicit StereoBlock (int frames) : left (testSignal (0, frames)), right (testSignal (1, frames)) {}
    std::vector<float> left, right;
    float* in[2] = { left.data(), right.data() };
};

// The output of an instance resumed at 48 kHz with the given block size, for
// input fed in blocks of feedSize frames.
std::vector<std::vector<float>> processed (int announced, int frames, int feedSize)
{
    VstInstance plugin (library());
    plugin.effect->setParameter (plugin.effect, vantoril::params::threshold, 0.3f);
    plugin.effect->setParameter (plugin.effect, vantoril::params::lowCut, 0.2f);
    plugin.resume (48000.0f, announced);
    StereoBlock input (frames);
    std::vector<std::vector<float>> out (2, std::vector<float> ((size_t) frames));
    for (int start = 0; start < frames; start += feedSize)
    {
        float* in[2] = { input.left.data() + start, input.right.data() + start };
        float* o[2] = { out[0].data() + start, out[1].data() + start };
        plugin.process (in, o, std::min (feedSize, frames - start));
    }
    return out;
}
} // namespace

TEST_F (VstHostTest, ProcessingWhileSuspendedPassesTheInputThrough)
{
    VstInstance plugin (library());
    StereoBlock block (300);
    std::vector<float> outL (300, 7.0f), outR (300, 7.0f);
    float* out[2] = { outL.data(), outR.data() };

    plugin.process (block.in, out, 300); // never resumed
    EXPECT_EQ (outL, block.left);
    EXPECT_EQ (outR, block.right);

    plugin.resume (44100.0f, 128);
    plugin.process (block.in, out, 300);
    EXPECT_NE (outL, block.left);
    plugin.suspend();
    plugin.process (block.in, out, 300); // after suspend
    EXPECT_EQ (outL, block.left);

    // In place, and with no input at all (silence out).
    auto inPlace = block.left;
    float* same[2] = { inPlace.data(), block.right.data() };
    plugin.process (same, same, 300);
    EXPECT_EQ (inPlace, block.left);
    float* missing[2] = { nullptr, nullptr };
    plugin.process (missing, out, 300);
    EXPECT_EQ (outL, std::vector<float> (300, 0.0f));
    plugin.process (nullptr, out, 300);
    plugin.process (block.in, nullptr, 300);
}

TEST_F (VstHostTest, BlocksOfAnyLengthEqualBlocksOfTheAnnouncedSize)
{
    // Longer than twice the announced size: processed in pieces of that size.
    const auto reference = processed (64, 3000, 64);
    for (int feed : { 3000, 640 })
        EXPECT_EQ (processed (64, 3000, feed), reference) << feed;
    // Other splits differ only where block-wide values are read.
    for (int feed : { 129, 1 })
    {
        const auto out = processed (64, 3000, feed);
        for (size_t ch = 0; ch < 2; ++ch)
            for (size_t k = 0; k < 3000; ++k)
                ASSERT_NEAR (out[ch][k], reference[ch][k], 1e-6f) << feed;
    }
}

TEST_F (VstHostTest, NullAndSharedChannelPointersInLongBlocks)
{
    VstInstance plugin (library());
    plugin.resume (48000.0f, 32);
    constexpr int frames = 32 * 5 + 3;
    StereoBlock block (frames);
    std::vector<float> shared (frames), outL (frames), outR (frames);

    const std::vector<std::pair<std::array<float*, 2>, std::array<float*, 2>>> layouts = {
        { { block.in[0], block.in[1] }, { shared.data(), shared.data() } }, // one buffer for both outputs
        { { block.in[0], block.in[1] }, { outL.data(), nullptr } }, // a missing output
        { { nullptr, block.in[1] }, { outL.data(), outR.data() } }, // a missing input
        { { block.in[0], block.in[0] }, { block.in[0], outR.data() } }, // input shared and in place
    };
    for (auto layout : layouts)
    {
        plugin.process (layout.first.data(), layout.second.data(), frames);
        for (float* out : layout.second)
        {
            if (out == nullptr)
                continue;
            for (int k = 0; k < frames; ++k)
                ASSERT_TRUE (std::isfinite (out[k]) && std::abs (out[k]) < 4.0f);
        }
    }
    // Zero and negative lengths write nothing.
    std::vector<float> untouched (8, 5.0f);
    float* out[2] = { untouched.data(), untouched.data() };
    plugin.process (block.in, out, 0);
    plugin.process (block.in, out, -8);
    EXPECT_EQ (untouched, std::vector<float> (8, 5.0f));
}

TEST_F (VstHostTest, NothingIsWrittenPastTheHostsStructures)
{
    VstInstance plugin (library());
    struct
    {
        VstPinProperties pin;
        unsigned char canary[32];
    } guarded;
    for (int opcode : { (int) vst::getInputProperties, (int) vst::getOutputProperties })
        for (int index = 0; index < 2; ++index)
        {
            std::memset (&guarded, 0xAB, sizeof (guarded));
            ASSERT_EQ (plugin.dispatch (opcode, index, 0, &guarded.pin), 1);
            EXPECT_NE (std::memchr (guarded.pin.shortLabel, 0, sizeof (guarded.pin.shortLabel)), nullptr);
            for (unsigned char c : guarded.canary)
                ASSERT_EQ (c, 0xAB);
        }

    // Calls that need the host's pointer get 0 when it is null.
    for (int opcode : { (int) vst::getParamName, (int) vst::getParamDisplay, (int) vst::getParamLabel, (int) vst::getChunk,
                        (int) vst::setChunk, (int) vst::getEffectName, (int) vst::getVendorString, (int) vst::getProductString,
                        (int) vst::getInputProperties, (int) vst::getOutputProperties, (int) vst::editGetRect,
                        (int) vst::setSpeakerArrangement, (int) vst::getProgramName, (int) vst::getProgramNameIndexed })
        EXPECT_EQ (plugin.dispatch (opcode, 0, 100, nullptr), 0) << opcode;
}

TEST_F (VstHostTest, EachThreadGetsItsOwnChunk)
{
    VstInstance plugin (library());
    plugin.effect->setParameter (plugin.effect, vantoril::params::mix, 0.25f);
    const auto expected = plugin.chunk();
    ASSERT_FALSE (expected.empty());

    void* mine = nullptr;
    const auto size = plugin.dispatch (vst::getChunk, 0, 0, &mine);
    void* theirs = nullptr;
    std::thread ([&] { plugin.dispatch (vst::getChunk, 0, 0, &theirs); }).join();
    ASSERT_NE (mine, theirs);
    EXPECT_EQ (std::vector<char> ((const char*) mine, (const char*) mine + size), expected);
}

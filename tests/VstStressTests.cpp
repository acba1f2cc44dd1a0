// A hostile host over the raw VST 2.4 interface: random and adversarial call
// sequences (life cycle, unusable sample rates and block sizes, bad indices and
// values, random chunks, odd channel pointers), several threads on one
// instance, many instances, and many create/destroy cycles. The plug-in must
// neither crash nor produce non-finite audio. Meant to run under the sanitizers.
#include "VstHost.h"

#include "StateChunk.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

namespace
{
const VstLibrary& library()
{
    static VstLibrary instance (VANTORIL_VST_PATH);
    return instance;
}

// A callback that is safe from any thread and answers only the version query.
VstIntPtr quietHost (AEffect*, int opcode, int, VstIntPtr, void*, float) { return opcode == vst::hostVersion ? 2400 : 0; }

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

// Sequences are shorter under the sanitizers, which run many times slower.
int scaled (int count) { return sanitized ? count / 4 : count; }

long residentKilobytes()
{
    std::ifstream status ("/proc/self/status");
    std::string line;
    while (std::getline (status, line))
        if (line.rfind ("VmRSS:", 0) == 0)
            return std::stol (line.substr (6));
    return 0;
}

// Random host calls on one instance.
class HostileHost
{
public:
    HostileHost (VstInstance& instance, unsigned seed) : plugin (instance), random (seed)
    {
        for (auto& b : buffers)
            b.resize (maxFrames + 16);
        validChunk = plugin.chunk();
    }

    // Calls that a host makes from its user-interface or worker threads.
    void controlStep()
    {
        switch (pick (8))
        {
            case 0: plugin.effect->setParameter (plugin.effect, index(), value()); break;
            case 1:
            {
                const float v = plugin.effect->getParameter (plugin.effect, index());
                if (! (v >= 0.0f && v <= 1.0f))
                    failures.fetch_add (1);
                break;
            }
            case 2:
            {
                char text[256] = {};
                const int opcodes[] = { vst::getParamName,   vst::getParamDisplay,      vst::getParamLabel,
                                        vst::getEffectName,  vst::getVendorString,      vst::getProductString,
                                        vst::getProgramName, vst::getProgramNameIndexed };
                plugin.dispatch (opcodes[pick (8)], index(), 0, text);
                if (std::memchr (text, 0, sizeof (text)) == nullptr)
                    failures.fetch_add (1);
                break;
            }
            case 3: setChunk(); break;
            case 4:
            {
                const auto chunk = plugin.chunk (pick (2));
                if (! vantoril::state::readStateChunk (chunk.data(), chunk.size()))
                    failures.fetch_add (1);
                break;
            }
            case 5:
            {
                static const char* queries[] = { "bypass", "receiveVstTimeInfo", "", "x", "openCloseAnyThread" };
                plugin.dispatch (effCanDo, 0, 0, const_cast<char*> (queries[pick (5)]));
                plugin.dispatch (effCanDo, 0, 0, nullptr);
                break;
            }
            case 6:
            {
                VstPinProperties pin {};
                plugin.dispatch (pick (2) ? vst::getInputProperties : vst::getOutputProperties, index(), 0, &pin);
                break;
            }
            default:
            {
                // Harmless opcodes with odd arguments.
                const int opcodes[] = { effGetProgram,  effSetProgram,       effGetVstVersion,   effGetPlugCategory,
                                        effGetTailSize, effGetVendorVersion, effStartProcess,    effStopProcess,
                                        effSetBypass,   effCanBeAutomated,   effBeginSetProgram, effEndSetProgram };
                plugin.dispatch (opcodes[pick (12)], index(), (VstIntPtr) pick (3) - 1, nullptr, value());
                break;
            }
        }
        ++steps;
    }

    // Life cycle, configuration and processing: the host's audio side.
    void audioStep()
    {
        switch (pick (10))
        {
            case 0:
            {
                const float rates[] = { 0.0f, 1.0f, 8000.0f, 44100.0f, 48000.0f, 384000.0f, 1.0e7f, NAN, -1.0f, INFINITY };
                plugin.dispatch (vst::setSampleRate, 0, 0, nullptr, rates[pick (10)]);
                break;
            }
            case 1:
            {
                const VstIntPtr sizes[] = { 0, 1, 7, 64, 512, 4096, 1 << 20, -3, INT_MAX };
                plugin.dispatch (vst::setBlockSize, 0, sizes[pick (9)]);
                break;
            }
            case 2: plugin.dispatch (vst::mainsChanged, 0, pick (2)); break;
            case 3:
            {
                const int channels[][2] = { { 1, 1 }, { 2, 2 }, { 2, 1 }, { 0, 0 }, { 6, 6 } };
                const auto& c = channels[pick (5)];
                SpeakerArrangement in (c[0]), out (c[1]);
                plugin.dispatch (vst::setSpeakerArrangement, 0, (VstIntPtr) in.get(), out.get());
                break;
            }
            default: process(); break;
        }
        ++steps;
    }

    std::atomic<long> failures { 0 };
    long steps = 0;

private:
    static constexpr int maxFrames = 1 << 14;

    int pick (int n) { return (int) (random() % (unsigned) n); }
    int index() { return pick (16) - 3; }

    float value()
    {
        switch (pick (8))
        {
            case 0: return NAN;
            case 1: return INFINITY;
            case 2: return -INFINITY;
            case 3: return -1.0f;
            case 4: return 2.0f;
            default: return (float) (random() % 10001) / 10000.0f;
        }
    }

    void setChunk()
    {
        std::vector<char> chunk;
        switch (pick (4))
        {
            case 0: // random bytes
                chunk.resize ((size_t) pick (300));
                for (auto& c : chunk)
                    c = (char) random();
                break;
            case 1: // a valid chunk with a few bytes changed, or cut short
                chunk = validChunk;
                for (int k = pick (4); k > 0 && ! chunk.empty(); --k)
                    chunk[(size_t) pick ((int) chunk.size())] = (char) random();
                chunk.resize ((size_t) pick ((int) chunk.size() + 1));
                break;
            case 2: // a valid chunk with a wrong length field
                chunk = validChunk;
                for (int k = 4; k < 8; ++k)
                    chunk[(size_t) k] = (char) random();
                break;
            default: chunk = validChunk; break;
        }
        // An exact-size heap block, so that reading past it is caught.
        auto exact = std::make_unique<char[]> (chunk.size() + 1);
        std::copy (chunk.begin(), chunk.end(), exact.get());
        plugin.dispatch (vst::setChunk, pick (2), (VstIntPtr) chunk.size(), chunk.empty() ? nullptr : exact.get());
    }

    void process()
    {
        const int lengths[] = { 0, 1, 17, 64, 513, 4096, maxFrames, -1 };
        const int frames = lengths[pick (8)];
        const int n = std::max (frames, 0);
        for (int ch = 0; ch < 4; ++ch)
            for (int k = 0; k < n; ++k)
                buffers[(size_t) ch][(size_t) k] = (float) ((int) (random() % 2001) - 1000) / 1000.0f;

        float* in[2] = { buffers[0].data(), buffers[1].data() };
        float* out[2] = { buffers[2].data(), buffers[3].data() };
        switch (pick (6))
        {
            case 0:
                out[0] = in[0];
                out[1] = in[1];
                break; // in place
            case 1: out[1] = out[0]; break; // one output buffer for both
            case 2: out[pick (2)] = nullptr; break; // a missing output
            case 3: in[pick (2)] = nullptr; break; // a missing input
            case 4:
                in[1] = in[0];
                out[0] = in[0];
                break; // shared input, in place
            default: break;
        }
        plugin.process (pick (50) == 0 ? nullptr : in, out, frames);

        for (float* o : out)
        {
            if (o == nullptr)
                continue;
            for (int k = 0; k < n; ++k)
                if (! std::isfinite (o[k]))
                {
                    failures.fetch_add (1);
                    return;
                }
        }
    }

    VstInstance& plugin;
    std::mt19937 random;
    std::array<std::vector<float>, 4> buffers;
    std::vector<char> validChunk;
};

class VstStressTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE (library().isLoaded()) << dlerror(); }
};
} // namespace

TEST_F (VstStressTest, RandomSequencesOnOneThread)
{
    long steps = 0;
    const int sequences = scaled (200);
    for (int sequence = 0; sequence < sequences; ++sequence)
    {
        VstInstance plugin (library(), quietHost);
        ASSERT_NE (plugin.effect, nullptr);
        HostileHost host (plugin, (unsigned) sequence);
        for (int step = 0; step < 200; ++step)
            (step % 2 == 0) ? host.audioStep() : host.controlStep();
        ASSERT_EQ (host.failures.load(), 0) << "sequence " << sequence;
        steps += host.steps;
    }
    std::cout << sequences << " sequences, " << steps << " calls\n";
}

TEST_F (VstStressTest, AutomationAndStateRequestsWhileAnotherThreadProcesses)
{
    VstInstance plugin (library(), quietHost);
    ASSERT_NE (plugin.effect, nullptr);
    HostileHost audio (plugin, 1), control (plugin, 2), state (plugin, 3);
    std::atomic<bool> running { true };

    std::thread audioThread (
        [&]
        {
            while (running.load())
                audio.audioStep();
        });
    std::thread stateThread (
        [&]
        {
            while (running.load())
                state.controlStep();
        });

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (sanitized ? 15 : 5);
    while (std::chrono::steady_clock::now() < deadline)
        control.controlStep();
    running = false;
    audioThread.join();
    stateThread.join();

    EXPECT_EQ (audio.failures.load() + control.failures.load() + state.failures.load(), 0);
    EXPECT_GT (audio.steps, 100);
    std::cout << audio.steps << " audio-side, " << control.steps + state.steps << " control calls\n";
}

TEST_F (VstStressTest, HundredsOfInstances)
{
    std::vector<std::unique_ptr<VstInstance>> instances;
    for (int i = 0; i < 300; ++i)
    {
        instances.push_back (std::make_unique<VstInstance> (library(), quietHost));
        ASSERT_NE (instances.back()->effect, nullptr) << i;
        instances.back()->resume (48000.0f, 64);
    }
    std::vector<float> left (64, 0.5f), right (64, -0.5f);
    for (auto& instance : instances)
    {
        float* io[2] = { left.data(), right.data() };
        instance->process (io, io, 64);
        ASSERT_TRUE (std::isfinite (left[0]));
    }
    instances.clear();
}

TEST_F (VstStressTest, CreateAndDestroyKeepsMemoryFlat)
{
    auto cycle = []
    {
        VstInstance plugin (library(), quietHost);
        plugin.resume (44100.0f, 512);
        std::vector<float> left (512, 0.25f), right (512, 0.25f);
        float* io[2] = { left.data(), right.data() };
        plugin.process (io, io, 512);
        (void) plugin.chunk();
        plugin.suspend();
    };
    for (int i = 0; i < 100; ++i)
        cycle();
    const long before = residentKilobytes();
    for (int i = 0; i < 1000; ++i)
        cycle();
    const long growth = residentKilobytes() - before;
    std::cout << "resident memory grew by " << growth << " kB over 1000 cycles\n";
    if (! sanitized) // the sanitizers hold freed memory back on purpose
    {
        EXPECT_LT (growth, 4096);
    }
}

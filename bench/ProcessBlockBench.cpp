// Cost of VantorilAudioProcessor::processBlock, per frame, for the rates and
// block sizes hosts use, each signal path in mono and stereo; plus how many stereo instances one core runs in
// real time. A program, not a test: CI only runs it briefly.
#include "processor/VantorilAudioProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
enum Mode
{
    lowCutOff,
    lowCutOn,
    bypassed
};

// Which signal path runs: the one the processor picks, or a given one.
enum Path
{
    fastest,
    perSample,
    avx2Kernel,
    avx512Kernel,
    neonKernel,
    sse2Kernel
};

struct PathKernel
{
    bool runs;
    vantoril::BlockKernel kernel;
};

PathKernel kernelFor (Path path)
{
    using namespace vantoril;
    if (path == avx2Kernel)
        return { cpuRunsAvx2(), avx2BlockKernel() };
    if (path == avx512Kernel)
        return { cpuRunsAvx512(), avx512BlockKernel() };
    if (path == neonKernel)
        return { cpuRunsNeon(), neonBlockKernel() };
    if (path == sse2Kernel)
        return { cpuRunsSse2(), sse2BlockKernel() };
    return { true, path == perSample ? nullptr : selectBlockKernel() };
}

void runBlocks (benchmark::State& state, double rate, int block, Mode mode, Path path, int numChannels = 2)
{
    std::unique_ptr<juce::AudioProcessor> owned (createPluginFilter());
    auto& p = dynamic_cast<VantorilAudioProcessor&> (*owned);
    if (path != fastest)
    {
        const auto [runs, kernel] = kernelFor (path);
        if (! runs)
        {
            state.SkipWithError ("this processor does not run the kernel");
            return;
        }
        p.setBlockKernel (kernel);
    }
    // Compression clearly active: about -24 dB, 4:1, 10 ms / 100 ms.
    p.setNormalisedValue (vantoril::params::threshold, 0.4f);
    p.setNormalisedValue (vantoril::params::ratio, 0.75f);
    p.setNormalisedValue (vantoril::params::attack, 0.464f);
    p.setNormalisedValue (vantoril::params::release, 0.271f);
    p.setNormalisedValue (vantoril::params::lowCut, mode == lowCutOn ? 0.3f : 0.0f);
    p.setNormalisedValue (vantoril::params::bypass, mode == bypassed ? 1.0f : 0.0f);
    p.setPlayConfigDetails (numChannels, numChannels, rate, block);
    p.prepareToPlay (rate, block);

    // One second of program-like material, played in a loop.
    const int length = (int) rate;
    juce::AudioBuffer<float> material (2, length);
    std::mt19937 random (7);
    std::normal_distribution<float> noise (0.0f, 0.1f);
    for (int k = 0; k < length; ++k)
    {
        const double t = k / rate;
        const float beat = (float) std::exp (-std::fmod (t, 0.25) * 12.0);
        for (int ch = 0; ch < 2; ++ch)
            material.setSample (ch, k, beat * (0.6f * (float) std::sin (6.2831853 * 80.0 * t) + noise (random)));
    }

    // Blocks are processed in place in a scratch copy, which is refreshed (with
    // the clock stopped) once it has been used up.
    juce::AudioBuffer<float> scratch (material);
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
    int position = 0;
    for (auto _ : state)
    {
        if (position + block > length)
        {
            state.PauseTiming();
            scratch.makeCopyOf (material, true);
            position = 0;
            state.ResumeTiming();
        }
        float* channels[2] = { scratch.getWritePointer (0, position), scratch.getWritePointer (1, position) };
        buffer.setDataToReferTo (channels, numChannels, block);
        p.processBlock (buffer, midi);
        benchmark::DoNotOptimize (channels[0][0]);
        position += block;
    }

    const double frames = (double) state.iterations() * block;
    state.counters["ns_per_frame"] =
        benchmark::Counter (frames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["instances_per_core"] = benchmark::Counter (frames / rate, benchmark::Counter::kIsRate);
}

void processBlockCost (benchmark::State& state)
{
    runBlocks (state, (double) state.range (0), (int) state.range (1), (Mode) state.range (2), fastest);
}

// The signal paths side by side: 48 kHz, low cut on, mono and stereo.
void signalPathCost (benchmark::State& state)
{
    runBlocks (state, 48000.0, (int) state.range (2), lowCutOn, (Path) state.range (0), (int) state.range (1));
}
} // namespace

BENCHMARK (processBlockCost)
    ->ArgNames ({ "rate", "block", "mode" })
    ->ArgsProduct ({ { 44100, 48000, 96000 }, { 32, 64, 512, 4096 }, { lowCutOff, lowCutOn, bypassed } })
    ->Unit (benchmark::kMicrosecond);

BENCHMARK (signalPathCost)
    ->ArgNames ({ "path", "channels", "block" })
    ->ArgsProduct ({ benchmark::CreateDenseRange (perSample, sse2Kernel, 1), { 1, 2 }, { 32, 64, 512 } })
    ->Unit (benchmark::kMicrosecond);

// Restoring a 1 MB state chunk: one valid element with many extra attributes
// (the shape that made an XML parser quadratic), and 1 MB of nested children.
void restoreLargeChunk (benchmark::State& state)
{
    std::string text = "<ZDQXKPASETTINGS Ratio=\"0.75\"";
    if (state.range (0) == 0)
    {
        for (int i = 0; text.size() < (1u << 20); ++i)
            text += " A" + std::to_string (i) + "=\"0.5\"";
        text += "/>";
    }
    else
    {
        text += ">";
        while (text.size() < (1u << 20))
            text += "<a>";
        while (text.size() < (2u << 20) - 20)
            text += "</a>";
        text += "</ZDQXKPASETTINGS>";
    }
    std::vector<char> chunk (8 + text.size() + 2, 0);
    const std::uint32_t header[2] = { 0x21324356, static_cast<std::uint32_t> (text.size()) };
    std::memcpy (chunk.data(), header, 8);
    std::memcpy (chunk.data() + 8, text.data(), text.size());

    std::unique_ptr<juce::AudioProcessor> owned (createPluginFilter());
    for (auto _ : state)
        owned->setStateInformation (chunk.data(), static_cast<int> (chunk.size()));
    state.SetBytesProcessed (static_cast<std::int64_t> (state.iterations()) * static_cast<std::int64_t> (chunk.size()));
}
BENCHMARK (restoreLargeChunk)->ArgName ("nested")->DenseRange (0, 1)->Unit (benchmark::kMillisecond);

BENCHMARK_MAIN();

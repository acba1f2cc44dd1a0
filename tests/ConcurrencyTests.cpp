// Runs block processing, automation, state save/restore and meter polling on
// four threads at once. Meant to be run under ThreadSanitizer as well.
#include "ProcessorFixture.h"
#include "StateChunk.h"

#include <atomic>
#include <thread>

using namespace vantoril;

TEST (Concurrency, ProcessAutomateSaveRestoreAndPoll)
{
    ProcessorFixture f (2, 48000.0, 256);
    std::atomic<bool> running { true };
    std::atomic<long> blocks { 0 }, writes { 0 }, restores { 0 }, polls { 0 };

    std::thread audio (
        [&]
        {
            auto buffer = noiseBuffer (2, 256, 0.9f);
            juce::MidiBuffer midi;
            while (running.load())
            {
                f.processor.processBlock (buffer, midi);
                for (int ch = 0; ch < 2; ++ch)
                    for (int k = 0; k < 256; ++k)
                        if (! std::isfinite (buffer.getSample (ch, k)))
                            ADD_FAILURE() << "non-finite output";
                buffer = noiseBuffer (2, 256, 0.9f, (unsigned) blocks.fetch_add (1));
            }
        });

    std::thread automation (
        [&]
        {
            unsigned step = 0;
            while (running.load())
            {
                for (int i = 0; i < params::count; ++i)
                    f.processor.setNormalisedValue (
                        i, (float) ((step * 37 + (unsigned) i * 11) % 100) / 99.0f * (i == params::bypass ? 0.4f : 1.0f));
                ++step;
                writes.fetch_add (1);
            }
        });

    std::thread state (
        [&]
        {
            while (running.load())
            {
                juce::MemoryBlock chunk;
                f.processor.getStateInformation (chunk);
                f.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
                restores.fetch_add (1);
            }
        });

    std::thread meters (
        [&]
        {
            while (running.load())
            {
                const float gain = f.processor.getGainMeterValue();
                const float peak = f.processor.getPeakMeterValue();
                if (! std::isfinite (gain) || ! std::isfinite (peak))
                    ADD_FAILURE() << "non-finite meter";
                for (int i = 0; i < params::count; ++i)
                    (void) f.processor.getDisplayText (i);
                polls.fetch_add (1);
            }
        });

    // Stop after enough of each kind of operation has overlapped.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (20);
    while (std::chrono::steady_clock::now() < deadline &&
           (blocks.load() < 1000 || writes.load() < 1000 || restores.load() < 1000 || polls.load() < 1000))
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    running = false;
    audio.join();
    automation.join();
    state.join();
    meters.join();

    EXPECT_GE (blocks.load(), 200);
    EXPECT_GE (restores.load(), 200);
}

TEST (Concurrency, LifeCycleAndRateChangesWhileOtherThreadsWriteAndSave)
{
    // The host's audio side prepares, processes and releases over and over at
    // changing rates while automation and state requests run on other threads.
    ProcessorFixture f (2, 48000.0, 128);
    std::atomic<bool> running { true };
    std::atomic<long> cycles { 0 }, writes { 0 }, requests { 0 };

    std::thread audio (
        [&]
        {
            const double rates[] = { 44100.0, 8000.0, 384000.0, 0.0, 96000.0, 1.0 };
            auto buffer = noiseBuffer (2, 300, 0.9f);
            juce::MidiBuffer midi;
            for (unsigned i = 0; running.load(); ++i)
            {
                f.processor.prepareToPlay (rates[i % 6], (int) (i % 3) * 100);
                for (int b = 0; b < 4; ++b)
                    f.processor.processBlock (buffer, midi);
                f.processor.releaseResources();
                f.processor.processBlock (buffer, midi); // after release: passes through
                for (int k = 0; k < 300; ++k)
                    if (! std::isfinite (buffer.getSample (0, k)))
                        ADD_FAILURE() << "non-finite output";
                buffer = noiseBuffer (2, 300, 0.9f, i);
                cycles.fetch_add (1);
            }
        });

    std::thread automation (
        [&]
        {
            for (unsigned step = 0; running.load(); ++step)
            {
                f.processor.setNormalisedValue ((int) (step % params::count), (float) (step % 97) / 96.0f);
                writes.fetch_add (1);
            }
        });

    // Two threads request and deliver state at once.
    auto stateRequests = [&]
    {
        while (running.load())
        {
            juce::MemoryBlock chunk;
            f.processor.getStateInformation (chunk);
            if (! state::readStateChunk (chunk.getData(), chunk.getSize()))
                ADD_FAILURE() << "torn chunk";
            f.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
            requests.fetch_add (1);
        }
    };
    std::thread stateA (stateRequests), stateB (stateRequests);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (20);
    while (std::chrono::steady_clock::now() < deadline && (cycles.load() < 300 || requests.load() < 1000))
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    running = false;
    for (auto* t : { &audio, &automation, &stateA, &stateB })
        t->join();

    EXPECT_GE (cycles.load(), 50);
    EXPECT_GE (requests.load(), 200);
}

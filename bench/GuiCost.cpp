// What the open editor costs: the plug-in's editor in a window on the display
// (an X server, e.g. Xvfb), fed by an audio thread that runs the processor in
// real time at 48 kHz in 512-frame blocks. Prints the processor time the
// process used besides the audio thread, in percent of one core, with the
// meter moving (a pulsing signal) and with it still (silence), alternating
// for a number of rounds.
//
//   vantoril-gui-cost [--seconds S] [--rounds N]
#include "editor/VantorilAudioProcessorEditor.h"
#include "processor/VantorilAudioProcessor.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace
{
double cpuSeconds (clockid_t clock)
{
    timespec t {};
    clock_gettime (clock, &t);
    return static_cast<double> (t.tv_sec) + static_cast<double> (t.tv_nsec) * 1e-9;
}

// The audio side: blocks of 512 frames at 48 kHz, paced in real time.
class AudioThread
{
public:
    AudioThread (VantorilAudioProcessor& p, bool movingSignal) : processor (p), moving (movingSignal)
    {
        thread = std::thread ([this] { run(); });
    }
    ~AudioThread()
    {
        stop = true;
        thread.join();
    }
    double cpu() const { return cpuUsed.load(); }

private:
    void run()
    {
        constexpr int block = 512;
        constexpr double rate = 48000.0;
        juce::AudioBuffer<float> buffer (2, block);
        juce::MidiBuffer midi;
        long frame = 0;
        auto next = std::chrono::steady_clock::now();
        const double start = cpuSeconds (CLOCK_THREAD_CPUTIME_ID);
        while (! stop)
        {
            for (int i = 0; i < block; ++i, ++frame)
            {
                const double t = static_cast<double> (frame) / rate;
                // A 110 Hz tone pulsing twice a second: the reduction swings all the time.
                const double envelope = moving ? 0.9 * std::pow (std::sin (juce::MathConstants<double>::pi * 2.0 * t), 2.0) : 0.0;
                const auto sample = static_cast<float> (envelope * std::sin (2.0 * juce::MathConstants<double>::pi * 110.0 * t));
                buffer.setSample (0, i, sample);
                buffer.setSample (1, i, sample);
            }
            processor.processBlock (buffer, midi);
            cpuUsed = cpuSeconds (CLOCK_THREAD_CPUTIME_ID) - start;
            next += std::chrono::microseconds (static_cast<long> (1e6 * block / rate));
            std::this_thread::sleep_until (next);
        }
    }

    VantorilAudioProcessor& processor;
    const bool moving;
    std::atomic<bool> stop { false };
    std::atomic<double> cpuUsed { 0.0 };
    std::thread thread;
};

// One measurement: the editor in a window, the audio thread feeding the
// processor; after a settling second, the process's processor time outside
// the audio thread over the given time, in percent of one core.
class Measurement
{
public:
    explicit Measurement (bool movingSignal) : moving (movingSignal)
    {
        processor.setNormalisedValue (vantoril::params::threshold, 0.3f);
        processor.prepareToPlay (48000.0, 512);
        window.setContentOwned (processor.createEditor(), true);
        window.setVisible (true);
        audio = std::make_unique<AudioThread> (processor, moving);
    }

    ~Measurement()
    {
        audio = nullptr;
        window.clearContentComponent();
        processor.releaseResources();
    }

    void start()
    {
        startProcess = cpuSeconds (CLOCK_PROCESS_CPUTIME_ID);
        startAudio = audio->cpu();
        startWall = std::chrono::steady_clock::now();
    }

    double percentOfCore() const
    {
        const double process = cpuSeconds (CLOCK_PROCESS_CPUTIME_ID) - startProcess;
        const double audioCpu = audio->cpu() - startAudio;
        const double wall = std::chrono::duration<double> (std::chrono::steady_clock::now() - startWall).count();
        return 100.0 * (process - audioCpu) / wall;
    }

private:
    const bool moving;
    VantorilAudioProcessor processor;
    juce::DocumentWindow window { "Vantoril", juce::Colours::black, 0 };
    std::unique_ptr<AudioThread> audio;
    double startProcess = 0.0, startAudio = 0.0;
    std::chrono::steady_clock::time_point startWall;
};

// An application, as the standalone program is, so that its windows get what
// the window system expects of an application's windows. Runs the still and
// the moving measurement one after the other on timers.
class GuiCostApplication final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "vantoril-gui-cost"; }
    const juce::String getApplicationVersion() override { return "1"; }

    void initialise (const juce::String& commandLine) override
    {
        const auto args = juce::StringArray::fromTokens (commandLine, true);
        bool valid = args.size() % 2 == 0;
        for (int i = 0; valid && i < args.size(); i += 2)
        {
            if (args[i] == "--seconds")
                seconds = args[i + 1].getDoubleValue();
            else if (args[i] == "--rounds")
                rounds = args[i + 1].getIntValue();
            else
                valid = false;
        }
        if (! valid || seconds <= 0.0 || rounds < 1 || rounds > 100)
        {
            std::fprintf (stderr, "usage: vantoril-gui-cost [--seconds S] [--rounds N]\n");
            setApplicationReturnValue (2);
            quit();
            return;
        }
        run (false);
    }

    void shutdown() override { measurement = nullptr; }

private:
    // Still and moving alternate, so that a slow drift of the machine's load
    // falls on both; the medians are printed.
    void run (bool moving)
    {
        measurement = std::make_unique<Measurement> (moving);
        juce::Timer::callAfterDelay (1000, [this] { measurement->start(); });
        juce::Timer::callAfterDelay (1000 + static_cast<int> (seconds * 1000.0),
                                     [this, moving]
                                     {
                                         const double result = measurement->percentOfCore();
                                         measurement = nullptr;
                                         (moving ? movingResults : stillResults).push_back (result);
                                         std::printf ("round %d, meter %s: %5.2f %%\n",
                                                      static_cast<int> (movingResults.size()) + (moving ? 0 : 1),
                                                      moving ? "moving" : "still ", result);
                                         std::fflush (stdout);
                                         if (static_cast<int> (movingResults.size()) < rounds)
                                         {
                                             run (! moving);
                                             return;
                                         }
                                         report();
                                         quit();
                                     });
    }

    static double median (std::vector<double> values)
    {
        std::sort (values.begin(), values.end());
        const auto n = values.size();
        return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
    }

    void report() const
    {
        std::vector<double> differences;
        for (size_t i = 0; i < movingResults.size(); ++i)
            differences.push_back (movingResults[i] - stillResults[i]);
        const auto [lowest, highest] = std::minmax_element (differences.begin(), differences.end());
        std::printf ("editor open, meter still:  %5.2f %% of a core besides the audio (median of %d)\n", median (stillResults),
                     rounds);
        std::printf ("editor open, meter moving: %5.2f %% of a core besides the audio (median of %d)\n", median (movingResults),
                     rounds);
        std::printf ("moving meter costs:        %5.2f %% of a core (median; %.2f to %.2f)\n", median (differences), *lowest,
                     *highest);
        std::fflush (stdout);
    }

    double seconds = 10.0;
    int rounds = 3;
    std::vector<double> stillResults, movingResults;
    std::unique_ptr<Measurement> measurement;
};
} // namespace

START_JUCE_APPLICATION (GuiCostApplication)

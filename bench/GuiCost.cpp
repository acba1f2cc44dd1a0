// What the open editor costs: the plug-in's editor in a window on the display
// (an X server, e.g. Xvfb), fed by an audio thread that runs the processor in
// real time at 48 kHz in 512-frame blocks. Prints the processor time the
// process used besides the audio thread, in percent of one core, for three
// cases in turn over a number of rounds: a window of the editor's size
// without the editor (what the window system and the framework cost by
// themselves), the editor with the meter still (silence) and the editor with
// the meter moving (a pulsing signal).
//
// With --draw N it instead draws N needle moves of the editor the way a
// window does (the whole editor, clipped to the areas the meter asks to have
// redrawn, into an image), without a display, and prints the processor time
// per move: a repeatable figure for the drawing alone.
//
//   vantoril-gui-cost [--seconds S] [--rounds N] [--only empty-window|meter-still|meter-moving]
//   vantoril-gui-cost --draw N
#include "editor/VantorilAudioProcessorEditor.h"
#include "processor/VantorilAudioProcessor.h"
#include "tests/RepaintAreas.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
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
enum class Case
{
    emptyWindow,
    meterStill,
    meterMoving
};

// A window's content that draws one colour, the editor's size.
struct EmptyContent : juce::Component
{
    EmptyContent()
    {
        setOpaque (true);
        setSize (900, 300);
    }
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::darkgrey); }
};

class Measurement
{
public:
    explicit Measurement (Case c) : moving (c != Case::meterStill)
    {
        processor.setNormalisedValue (vantoril::params::threshold, 0.3f);
        processor.prepareToPlay (48000.0, 512);
        if (c == Case::emptyWindow)
            window.setContentOwned (new EmptyContent(), true);
        else
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

// Draws `moves` needle moves of an editor (a gain meter that swings the
// needle over most of its range) and returns the processor time per move in
// microseconds, the mean redrawn area in pixels and the mean number of
// rectangles (each one a separate image transfer to the window system).
struct DrawingCost
{
    double micros = 0.0, pixels = 0.0, rectangles = 0.0;
};

DrawingCost drawingCost (int moves)
{
    VantorilAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    editor->setVisible (true);
    ZDQVuMeter* meter = nullptr;
    std::function<void (juce::Component&)> find = [&] (juce::Component& c)
    {
        for (auto* child : c.getChildren())
        {
            if (auto* m = dynamic_cast<ZDQVuMeter*> (child))
                meter = m;
            find (*child);
        }
    };
    find (*editor);
    if (meter == nullptr)
        return {};

    juce::Image canvas (juce::Image::ARGB, editor->getWidth(), editor->getHeight(), true);
    const auto origin = editor->getLocalPoint (meter, juce::Point<int>());
    double cpu = 0.0, pixels = 0.0, rectangles = 0.0;
    for (int i = 0; i < moves; ++i)
    {
        juce::RectangleList<int> areas;
        meter->setCachedComponentImage (new RepaintAreas (&areas));
        areas.clear(); // setting the recorder repaints everything
        meter->setLevel (0.7f + 0.6f * std::sin (static_cast<float> (i) * 0.07f));
        meter->setCachedComponentImage (nullptr);
        areas.offsetAll (origin);
        rectangles += areas.getNumRectangles();
        for (const auto& r : areas)
            pixels += r.getWidth() * r.getHeight();

        const double start = cpuSeconds (CLOCK_THREAD_CPUTIME_ID);
        juce::LowLevelGraphicsSoftwareRenderer context (canvas, {}, areas);
        juce::Graphics g (context);
        editor->paintEntireComponent (g, true);
        cpu += cpuSeconds (CLOCK_THREAD_CPUTIME_ID) - start;
    }
    return { 1e6 * cpu / moves, pixels / moves, rectangles / moves };
}

// An application, as the standalone program is, so that its windows get what
// the window system expects of an application's windows. Runs the measurements one after the other on timers.
class GuiCostApplication final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "vantoril-gui-cost"; }
    const juce::String getApplicationVersion() override { return "1"; }

    void initialise (const juce::String& commandLine) override
    {
        const auto args = juce::StringArray::fromTokens (commandLine, true);
        bool valid = args.size() % 2 == 0;
        int drawMoves = 0;
        for (int i = 0; valid && i < args.size(); i += 2)
        {
            if (args[i] == "--draw")
                valid = (drawMoves = args[i + 1].getIntValue()) > 0;
            else if (args[i] == "--seconds")
                seconds = args[i + 1].getDoubleValue();
            else if (args[i] == "--only")
                valid = (onlyCase = juce::StringArray (caseNames, 3).indexOf (args[i + 1].replaceCharacter ('-', ' '))) >= 0;
            else if (args[i] == "--rounds")
                rounds = args[i + 1].getIntValue();
            else
                valid = false;
        }
        if (! valid || seconds <= 0.0 || rounds < 1 || rounds > 100)
        {
            std::fprintf (stderr,
                          "usage: vantoril-gui-cost [--seconds S] [--rounds N] [--only empty-window|meter-still|meter-moving] | "
                          "--draw N\n");
            setApplicationReturnValue (2);
            quit();
            return;
        }
        if (drawMoves > 0)
        {
            const auto cost = drawingCost (drawMoves);
            std::printf (
                "drawing one needle move: %.1f us of processor time, %.0f pixels in %.1f rectangles redrawn (mean of %d)\n",
                cost.micros, cost.pixels, cost.rectangles, drawMoves);
            quit();
            return;
        }
        run (0);
    }

    void shutdown() override { measurement = nullptr; }

private:
    static constexpr const char* caseNames[3] = { "empty window", "meter still", "meter moving" };

    // The three cases take turns, so that a slow drift of the machine's load
    // falls on all of them; the medians are printed.
    void run (int index)
    {
        const int c = onlyCase >= 0 ? onlyCase : index % 3;
        measurement = std::make_unique<Measurement> (static_cast<Case> (c));
        juce::Timer::callAfterDelay (1000, [this] { measurement->start(); });
        juce::Timer::callAfterDelay (1000 + static_cast<int> (seconds * 1000.0),
                                     [this, index, c]
                                     {
                                         const double result = measurement->percentOfCore();
                                         measurement = nullptr;
                                         results[c].push_back (result);
                                         std::printf ("round %d, %-12s %5.2f %%\n", index / (onlyCase >= 0 ? 1 : 3) + 1,
                                                      caseNames[c], result);
                                         std::fflush (stdout);
                                         if (index + 1 < (onlyCase >= 0 ? 1 : 3) * rounds)
                                         {
                                             run (index + 1);
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

    // Per-round differences to the empty window of the same round.
    std::vector<double> beyondWindow (int c) const
    {
        std::vector<double> d;
        for (size_t i = 0; i < results[c].size(); ++i)
            d.push_back (results[c][i] - results[0][i]);
        return d;
    }

    void report() const
    {
        if (const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
            std::printf ("display: %d x %d, refresh rate %s\n", display->totalArea.getWidth(), display->totalArea.getHeight(),
                         display->verticalFrequencyHz ? (juce::String (*display->verticalFrequencyHz, 1) + " Hz").toRawUTF8()
                                                      : "not reported (the framework redraws at up to 100 Hz)");
        if (onlyCase >= 0)
        {
            std::printf ("%-13s %5.2f %% of a core besides the audio (median of %d)\n", caseNames[onlyCase],
                         median (results[onlyCase]), rounds);
            return;
        }
        for (int c = 0; c < 3; ++c)
            std::printf ("%-13s %5.2f %% of a core besides the audio (median of %d)\n", caseNames[c], median (results[c]),
                         rounds);
        for (int c = 1; c < 3; ++c)
        {
            const auto d = beyondWindow (c);
            const auto [lowest, highest] = std::minmax_element (d.begin(), d.end());
            std::printf ("the editor, %-12s %5.2f %% of a core beyond the empty window (median; %.2f to %.2f)\n", caseNames[c],
                         median (d), *lowest, *highest);
        }
        std::fflush (stdout);
    }

    double seconds = 10.0;
    int rounds = 3;
    int onlyCase = -1;
    std::vector<double> results[3];
    std::unique_ptr<Measurement> measurement;
};
} // namespace

START_JUCE_APPLICATION (GuiCostApplication)

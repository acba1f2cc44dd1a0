// vantoril-render: runs the plug-in's processor over audio files.
#include "AudioFiles.h"
#include "DemoMaterial.h"
#include "FactoryPresets.h"
#include "Render.h"
#include "Report.h"
#include "StateChunk.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace vantoril::render;

namespace
{
const char* usage = "usage: vantoril-render [options] INPUT OUTPUT\n"
                    "       vantoril-render [options] -o DIR INPUT...\n"
                    "       vantoril-render --demo [DIR]\n"
                    "       vantoril-render [--state FILE] [--preset NAME] [--set NAME=VALUE]... (--print | --save-state FILE)\n"
                    "       vantoril-render --list-presets\n"
                    "\n"
                    "Runs the Vantoril compressor over WAV or AIFF/AIFC files (mono or stereo;\n"
                    "8/16/24/32-bit integer, 32/64-bit float, A-law or mu-law, also in extensible\n"
                    "WAV) and writes the result in the input's format where that is 16/24/32-bit\n"
                    "integer or 32-bit float, otherwise as 32-bit float (and says so).\n"
                    "\n"
                    "options:\n"
                    "  --set NAME=VALUE   set a parameter; repeatable. NAME: Attack, Release, Threshold,\n"
                    "                     Ratio, Knee, LowCut, Drive, Level, Mix, Bypass (any case).\n"
                    "                     VALUE: a normalised 0..1 as a host sends it, or with a unit:\n"
                    "                     10ms, 1.2s, -24dB, 4:1, 120Hz, 30%, +3dB, soft|hard, on|off\n"
                    "  --state FILE       load a saved state chunk before the --set options\n"
                    "  --preset NAME      start from a factory preset (after --state, before --set)\n"
                    "  --list-presets     list the factory presets\n"
                    "  --save-state FILE  write the state chunk after the --set options\n"
                    "  --print            list the parameters with normalised values and texts\n"
                    "  --report FILE.png  draw envelopes, gain reduction and the static curve; print a summary\n"
                    "  --block N          block size in samples (default 512)\n"
                    "  --float            write 32-bit float whatever the input\n"
                    "  -o DIR             write each INPUT into DIR under its own name (in parallel)\n"
                    "  --demo [DIR]       render the built-in demo into DIR (default: current directory)\n";

struct Options
{
    std::vector<std::string> settings;
    juce::String stateFile, saveStateFile, reportFile, outputDirectory, demoDirectory, preset;
    bool print = false, forceFloat = false, demo = false, help = false, listPresets = false;
    int blockSize = 512;
    std::vector<juce::String> positional;
};

juce::File fileArgument (const juce::String& path) { return juce::File::getCurrentWorkingDirectory().getChildFile (path); }

int fail (const std::string& message, int code = 1)
{
    std::fprintf (stderr, "vantoril-render: %s\n", message.c_str());
    return code;
}

bool parse (int argc, char** argv, Options& o, std::string& error)
{
    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg (argv[i]);
        auto value = [&] (juce::String& target)
        {
            if (i + 1 >= argc)
            {
                error = arg.toStdString() + " needs a value";
                return false;
            }
            target = argv[++i];
            return true;
        };

        if (arg == "--set")
        {
            juce::String v;
            if (! value (v))
                return false;
            o.settings.push_back (v.toStdString());
        }
        else if (arg.startsWith ("--set="))
            o.settings.push_back (arg.fromFirstOccurrenceOf ("=", false, false).toStdString());
        else if (arg == "--state")
        {
            if (! value (o.stateFile))
                return false;
        }
        else if (arg == "--preset")
        {
            if (! value (o.preset))
                return false;
        }
        else if (arg == "--list-presets")
            o.listPresets = true;
        else if (arg == "--save-state")
        {
            if (! value (o.saveStateFile))
                return false;
        }
        else if (arg == "--report")
        {
            if (! value (o.reportFile))
                return false;
        }
        else if (arg == "-o")
        {
            if (! value (o.outputDirectory))
                return false;
        }
        else if (arg == "--block")
        {
            juce::String v;
            if (! value (v))
                return false;
            o.blockSize = v.getIntValue();
            if (! v.containsOnly ("0123456789") || o.blockSize < 1 || o.blockSize > 65536)
            {
                error = "--block expects a number of samples from 1 to 65536, got \"" + v.toStdString() + "\"";
                return false;
            }
        }
        else if (arg == "--print")
            o.print = true;
        else if (arg == "--float")
            o.forceFloat = true;
        else if (arg == "-h" || arg == "--help")
            o.help = true;
        else if (arg == "--demo")
        {
            o.demo = true;
            if (i + 1 < argc && ! juce::String (argv[i + 1]).startsWith ("-"))
                o.demoDirectory = argv[++i];
        }
        else if (arg.startsWith ("-") && arg.length() > 1)
        {
            error = "unknown option " + arg.toStdString() + " (see --help)";
            return false;
        }
        else
            o.positional.push_back (arg);
    }
    return true;
}

// A processor configured from the options: state file first, then the settings.
struct Configured
{
    std::unique_ptr<juce::AudioProcessor> owned;
    VantorilAudioProcessor* processor = nullptr;
};

bool configure (const Options& o, const std::vector<std::string>& extraFirst, Configured& c, std::string& error)
{
    c.owned.reset (createPluginFilter());
    c.processor = dynamic_cast<VantorilAudioProcessor*> (c.owned.get());

    if (o.stateFile.isNotEmpty())
    {
        juce::MemoryBlock chunk;
        const auto file = fileArgument (o.stateFile);
        if (! file.loadFileAsData (chunk))
        {
            error = "cannot read state file " + file.getFullPathName().toStdString();
            return false;
        }
        const bool looksRight = chunk.getSize() > 8 &&
            juce::ByteOrder::littleEndianInt (chunk.getData()) == vantoril::state::magicNumber &&
            juce::String::fromUTF8 (static_cast<const char*> (chunk.getData()) + 8, (int) chunk.getSize() - 8)
                .containsIgnoreCase (vantoril::state::tagName);
        if (! looksRight)
        {
            error = "not a Vantoril state file: " + file.getFullPathName().toStdString();
            return false;
        }
        c.processor->setStateInformation (chunk.getData(), (int) chunk.getSize());
    }

    if (o.preset.isNotEmpty())
    {
        const auto* preset = vantoril::presets::findFactoryPreset (o.preset.toStdString());
        if (preset == nullptr)
        {
            error = "unknown preset \"" + o.preset.toStdString() + "\" (see --list-presets)";
            return false;
        }
        for (int i = 0; i < vantoril::params::count; ++i)
            c.processor->setNormalisedValue (i, preset->values[static_cast<size_t> (i)]);
    }

    for (const auto* list : { &extraFirst, &o.settings })
        for (const auto& setting : *list)
            if (! applySetting (*c.processor, setting, error))
                return false;
    return true;
}

struct Job
{
    juce::File input, output;
};

// Shows a progress bar on a terminal.
struct Progress
{
    bool enabled = false;
    void operator() (double fraction) const
    {
        if (! enabled)
            return;
        const int width = 40, filled = (int) (fraction * width);
        std::fprintf (stderr, "\r[%s%s] %3d%%", std::string ((size_t) filled, '#').c_str(),
                      std::string ((size_t) (width - filled), '.').c_str(), (int) (fraction * 100.0));
        if (fraction >= 1.0)
            std::fprintf (stderr, "\n");
    }
};

bool writeReport (VantorilAudioProcessor& processor, const juce::File& file, const std::string& title, const AudioFile& in,
                  const RenderResult& result, std::string& error)
{
    const auto image = drawReport (processor, { title, &in.samples, &result, in.sampleRate });
    juce::MemoryOutputStream png;
    juce::PNGImageFormat format;
    if (! format.writeImageToStream (image, png))
    {
        error = "cannot encode the report picture";
        return false;
    }
    return writeFileAtomically (file, png.getData(), png.getDataSize(), error);
}

bool runJob (const Options& o, const Job& job, bool showProgress, std::string& error)
{
    AudioFile in;
    if (! readAudioFile (job.input, in, error))
        return false;
    if (! in.formatNote.empty() && ! o.forceFloat)
        std::printf ("%s: %s\n", job.input.getFileName().toRawUTF8(), in.formatNote.c_str());

    SampleFormat format = in.format;
    if (! containerForFile (job.output, format.container))
    {
        error = "cannot write " + job.output.getFullPathName().toStdString() + ": use a .wav or .aif/.aiff name";
        return false;
    }
    if (o.forceFloat)
    {
        format.isFloat = true;
        format.bitsPerSample = 32;
    }

    Configured c;
    if (! configure (o, {}, c, error))
        return false;

    Progress progress { showProgress && in.samples.getNumSamples() > 3.0 * in.sampleRate };
    const auto result = renderThrough (*c.processor, in.samples, in.sampleRate, o.blockSize, progress);
    if (! writeAudioFile (job.output, result.output, in.sampleRate, format, error))
        return false;

    if (o.reportFile.isNotEmpty())
    {
        if (! writeReport (*c.processor, fileArgument (o.reportFile),
                           (job.input.getFileName() + "  ->  " + job.output.getFileName()).toStdString(), in, result, error))
            return false;
        std::printf ("%s", summaryText (in.samples, result).c_str());
    }
    return true;
}

int runDemo (const Options& o)
{
    const auto dir = fileArgument (o.demoDirectory.isEmpty() ? "." : o.demoDirectory);
    if (! dir.isDirectory() && ! dir.createDirectory())
        return fail ("cannot create directory " + dir.getFullPathName().toStdString());

    constexpr double rate = 48000.0;
    AudioFile in;
    in.samples = makeDemoMaterial (rate);
    in.sampleRate = rate;
    in.format = { Container::wav, 24, false };

    std::string error;
    const auto inFile = dir.getChildFile ("demo-in.wav"), outFile = dir.getChildFile ("demo-out.wav"),
               reportFile = dir.getChildFile ("demo-report.png");
    Configured c;
    if (! configure (o, demoSettings(), c, error))
        return fail (error, 2);
    if (! writeAudioFile (inFile, in.samples, rate, in.format, error))
        return fail (error);

    // Render what the file holds, so that demo-out.wav is demo-in.wav processed.
    AudioFile stored;
    if (! readAudioFile (inFile, stored, error))
        return fail (error);
    const auto result = renderThrough (*c.processor, stored.samples, rate, o.blockSize, Progress { isatty (2) != 0 });
    if (! writeAudioFile (outFile, result.output, rate, stored.format, error) ||
        ! writeReport (*c.processor, reportFile, "built-in demo: demo-in.wav  ->  demo-out.wav", stored, result, error))
        return fail (error);

    std::printf ("Vantoril demo, settings:\n%s", parameterListing (*c.processor).c_str());
    std::printf ("%s", summaryText (stored.samples, result).c_str());
    for (const auto& f : { inFile, outFile, reportFile })
        std::printf ("wrote %s\n", f.getFullPathName().toRawUTF8());
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI gui;
    Options o;
    std::string error;
    if (! parse (argc, argv, o, error))
        return fail (error, 2);
    if (o.help)
    {
        std::printf ("%s", usage);
        return 0;
    }
    if (o.listPresets)
    {
        for (const auto& preset : vantoril::presets::factoryPresets())
            std::printf ("%-18s %s\n", preset.name, preset.description);
        return 0;
    }
    if (o.demo)
    {
        if (! o.positional.empty())
            return fail ("--demo takes no input files", 2);
        return runDemo (o);
    }

    // Settings first: a bad value fails before anything is read or written.
    Configured settings;
    if (! configure (o, {}, settings, error))
        return fail (error, 2);
    if (o.print)
        std::printf ("%s", parameterListing (*settings.processor).c_str());
    if (o.saveStateFile.isNotEmpty())
    {
        juce::MemoryBlock chunk;
        settings.processor->getStateInformation (chunk);
        if (! writeFileAtomically (fileArgument (o.saveStateFile), chunk.getData(), chunk.getSize(), error))
            return fail (error);
    }

    std::vector<Job> jobs;
    if (o.outputDirectory.isNotEmpty())
    {
        const auto dir = fileArgument (o.outputDirectory);
        if (! dir.isDirectory())
            return fail ("-o: no such directory: " + dir.getFullPathName().toStdString(), 2);
        for (const auto& input : o.positional)
            jobs.push_back ({ fileArgument (input), dir.getChildFile (fileArgument (input).getFileName()) });
    }
    else if (o.positional.size() == 2)
        jobs.push_back ({ fileArgument (o.positional[0]), fileArgument (o.positional[1]) });
    else if (! o.positional.empty() || (! o.print && o.saveStateFile.isEmpty()))
        return fail (o.positional.size() == 1 ? "missing OUTPUT (see --help)"
                                              : "expected INPUT OUTPUT, or -o DIR INPUT... (see --help)",
                     2);

    if (o.reportFile.isNotEmpty() && jobs.size() != 1)
        return fail ("--report takes exactly one input", 2);
    for (const auto& job : jobs)
        if (job.input == job.output)
            return fail ("refusing to overwrite the input " + job.input.getFullPathName().toStdString(), 2);

    if (jobs.size() == 1)
        return runJob (o, jobs[0], isatty (2) != 0, error) ? 0 : fail (error);

    // Several files: one worker per core.
    std::atomic<size_t> next { 0 };
    std::atomic<int> failures { 0 };
    std::mutex reportLock;
    std::vector<std::thread> workers;
    const auto count = std::max (1u, std::min ((unsigned) jobs.size(), std::thread::hardware_concurrency()));
    for (unsigned w = 0; w < count; ++w)
        workers.emplace_back (
            [&]
            {
                for (size_t i; (i = next.fetch_add (1)) < jobs.size();)
                {
                    std::string jobError;
                    if (! runJob (o, jobs[i], false, jobError))
                    {
                        const std::lock_guard<std::mutex> lock (reportLock);
                        fail (jobError);
                        ++failures;
                    }
                }
            });
    for (auto& worker : workers)
        worker.join();
    return failures.load() == 0 ? 0 : 1;
}

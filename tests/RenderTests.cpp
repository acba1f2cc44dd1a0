// The command-line renderer: its pieces and the program itself.
#include "AudioFiles.h"
#include "DemoMaterial.h"
#include "ProcessorFixture.h"
#include "Render.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

using namespace vantoril;
using namespace vantoril::render;

namespace
{
struct Run
{
    int exitCode;
    std::string output;
};

// Runs vantoril-render with the arguments; stdout and stderr together.
Run runRenderer (const juce::StringArray& arguments)
{
    juce::StringArray command { VANTORIL_RENDER_PATH };
    command.addArray (arguments);
    juce::ChildProcess process;
    if (! process.start (command))
        return { -1, "could not start" };
    const auto output = process.readAllProcessOutput().toStdString();
    process.waitForProcessToFinish (60000);
    return { (int) process.getExitCode(), output };
}

struct TempDir
{
    juce::TemporaryFile holder;
    juce::File dir = holder.getFile();
    TempDir() { dir.createDirectory(); }
    ~TempDir() { dir.deleteRecursively(); }
    juce::String path (const char* name) const { return dir.getChildFile (name).getFullPathName(); }
    juce::File file (const char* name) const { return dir.getChildFile (name); }
    int count() const
    {
        return dir.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*") +
            dir.getNumberOfChildFiles (juce::File::findFiles, ".*");
    }
};

juce::AudioBuffer<float> testMusic (int channels, int samples, double rate)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int ch = 0; ch < channels; ++ch)
        for (int k = 0; k < samples; ++k)
        {
            const double t = k / rate;
            b.setSample (
                ch, k,
                (float) ((0.7 + 0.2 * ch) * std::sin (6.283 * 110.0 * t) * (0.3 + 0.7 * std::exp (-std::fmod (t, 0.4) * 9.0))));
        }
    return b;
}

void writeInput (const juce::File& file, const juce::AudioBuffer<float>& samples, double rate, SampleFormat format)
{
    std::string error;
    ASSERT_TRUE (writeAudioFile (file, samples, rate, format, error)) << error;
}

juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}
} // namespace

TEST (Render, SettingsByNameAndUnit)
{
    ProcessorFixture f;
    std::string error;
    EXPECT_TRUE (applySetting (f.processor, "threshold=-24dB", error)) << error;
    EXPECT_EQ (f.processor.getDisplayText (params::threshold), "-24.00 dB");
    EXPECT_TRUE (applySetting (f.processor, "RATIO=4:1", error));
    EXPECT_EQ (f.processor.getDisplayText (params::ratio), "4.00:1");
    EXPECT_TRUE (applySetting (f.processor, "Mix=0.25", error));
    EXPECT_EQ (f.processor.getNormalisedValue (params::mix), 0.25f);
    EXPECT_TRUE (applySetting (f.processor, "Knee=hard", error));
    EXPECT_EQ (f.processor.getDisplayText (params::knee), "HARD KNEE");

    EXPECT_FALSE (applySetting (f.processor, "Threshold=-50dB", error));
    EXPECT_NE (error.find ("Threshold"), std::string::npos);
    EXPECT_NE (error.find ("-40 to 0 dB"), std::string::npos);
    EXPECT_FALSE (applySetting (f.processor, "Loudness=3", error));
    EXPECT_NE (error.find ("unknown parameter"), std::string::npos);
    EXPECT_FALSE (applySetting (f.processor, "Ratio", error));
    EXPECT_FALSE (applySetting (f.processor, "Attack=12 furlongs", error));
    EXPECT_NE (error.find ("Attack"), std::string::npos);
}

TEST (Render, SampleFormatsRoundTrip)
{
    TempDir tmp;
    const auto samples = testMusic (2, 1000, 44100.0);
    const SampleFormat formats[] = {
        { Container::wav, 16, false },  { Container::wav, 24, false },  { Container::wav, 32, false },
        { Container::wav, 32, true },   { Container::aiff, 16, false }, { Container::aiff, 24, false },
        { Container::aiff, 32, false }, { Container::aiff, 32, true },
    };
    for (const auto& format : formats)
    {
        const auto file = tmp.file (format.container == Container::wav ? "x.wav" : "x.aiff");
        writeInput (file, samples, 44100.0, format);
        AudioFile back;
        std::string error;
        ASSERT_TRUE (readAudioFile (file, back, error)) << format.describe() << ": " << error;
        EXPECT_EQ (back.format.container, format.container) << format.describe();
        EXPECT_EQ (back.format.bitsPerSample, format.bitsPerSample) << format.describe();
        EXPECT_EQ (back.format.isFloat, format.isFloat) << format.describe();
        EXPECT_EQ (back.sampleRate, 44100.0);
        ASSERT_EQ (back.samples.getNumSamples(), 1000);
        const float tolerance =
            format.isFloat ? 0.0f : 1.5f / (float) (1 << (format.bitsPerSample - 1 > 24 ? 24 : format.bitsPerSample - 1));
        for (int k = 0; k < 1000; ++k)
            ASSERT_NEAR (back.samples.getSample (1, k), samples.getSample (1, k), tolerance) << format.describe() << " " << k;
    }
}

TEST (Render, MatchesTheProcessorAtTheSameBlockSize)
{
    TempDir tmp;
    const double rate = 48000.0;
    const auto samples = testMusic (2, 48000, rate);
    writeInput (tmp.file ("in.wav"), samples, rate, { Container::wav, 32, true });
    const auto run = runRenderer ({ "--block", "300", "--set", "Threshold=-30dB", "--set", "lowcut=200Hz", "--set", "Drive=0.6",
                                    tmp.path ("in.wav"), tmp.path ("out.wav") });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    AudioFile out;
    std::string error;
    ASSERT_TRUE (readAudioFile (tmp.file ("out.wav"), out, error)) << error;

    ProcessorFixture direct (2, rate, 300);
    std::string e;
    applySetting (direct.processor, "Threshold=-30dB", e);
    applySetting (direct.processor, "lowcut=200Hz", e);
    applySetting (direct.processor, "Drive=0.6", e);
    direct.processor.prepareToPlay (rate, 300);
    juce::AudioBuffer<float> block (2, 300);
    juce::MidiBuffer midi;
    for (int start = 0; start < 48000; start += 300)
    {
        const int n = std::min (300, 48000 - start);
        block.setSize (2, n, false, false, true);
        for (int ch = 0; ch < 2; ++ch)
            block.copyFrom (ch, 0, samples, ch, start, n);
        direct.processor.processBlock (block, midi);
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < n; ++k)
                ASSERT_EQ (out.samples.getSample (ch, start + k), block.getSample (ch, k)) << ch << " " << start + k;
    }
}

TEST (Render, OutputIsDeterministicAndKeepsTheInputFormat)
{
    TempDir tmp;
    writeInput (tmp.file ("in.aiff"), testMusic (1, 30000, 22050.0), 22050.0, { Container::aiff, 24, false });
    for (const char* out : { "a.aiff", "b.aiff" })
        ASSERT_EQ (runRenderer ({ "--set", "Ratio=10:1", tmp.path ("in.aiff"), tmp.path (out) }).exitCode, 0);
    EXPECT_EQ (bytesOf (tmp.file ("a.aiff")), bytesOf (tmp.file ("b.aiff")));

    AudioFile a;
    std::string error;
    ASSERT_TRUE (readAudioFile (tmp.file ("a.aiff"), a, error));
    EXPECT_EQ (a.format.bitsPerSample, 24);
    EXPECT_FALSE (a.format.isFloat);
    EXPECT_EQ (a.samples.getNumChannels(), 1);
    EXPECT_EQ (a.sampleRate, 22050.0);

    ASSERT_EQ (runRenderer ({ "--float", tmp.path ("in.aiff"), tmp.path ("f.wav") }).exitCode, 0);
    ASSERT_TRUE (readAudioFile (tmp.file ("f.wav"), a, error));
    EXPECT_TRUE (a.format.isFloat);
    EXPECT_EQ (a.format.container, Container::wav);
}

TEST (Render, StateFilesWorkBothWays)
{
    TempDir tmp;
    auto run =
        runRenderer ({ "--set", "Attack=10ms", "--set", "Bypass=on", "--set", "Mix=50%", "--save-state", tmp.path ("s.state") });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    // The plug-in reads the renderer's state...
    ProcessorFixture f;
    const auto chunk = bytesOf (tmp.file ("s.state"));
    f.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
    EXPECT_EQ (f.processor.getDisplayText (params::bypass), "ON");
    EXPECT_EQ (f.processor.getDisplayText (params::mix), "50 %");
    EXPECT_EQ (f.processor.getDisplayText (params::attack), "10.001 ms");

    // ... and the renderer reads the plug-in's.
    f.processor.setNormalisedValue (params::ratio, 0.75f);
    juce::MemoryBlock saved;
    f.processor.getStateInformation (saved);
    tmp.file ("p.state").replaceWithData (saved.getData(), saved.getSize());
    run = runRenderer ({ "--state", tmp.path ("p.state"), "--set", "Drive=1", "--print" });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_NE (run.output.find ("4.00:1"), std::string::npos) << run.output;
    EXPECT_NE (run.output.find ("100 %"), std::string::npos) << run.output;
    EXPECT_NE (run.output.find ("ON"), std::string::npos) << run.output;
}

TEST (Render, ErrorsWriteNothing)
{
    TempDir tmp;
    writeInput (tmp.file ("in.wav"), testMusic (2, 5000, 44100.0), 44100.0, { Container::wav, 16, false });
    tmp.file ("text.wav").replaceWithText ("this is not audio");
    tmp.file ("bad.state").replaceWithText ("nope");
    {
        // A four-channel file, an ADPCM one, and a 16-bit one cut short.
        juce::WavAudioFormat wav;
        auto stream = tmp.file ("quad.wav").createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.release(), 44100.0, 4, 16, {}, 0));
        juce::AudioBuffer<float> b (4, 100);
        b.clear();
        writer->writeFromAudioSampleBuffer (b, 0, 100);
        writer.reset();

        auto adpcm = bytesOf (tmp.file ("in.wav"));
        static_cast<char*> (adpcm.getData())[20] = 2; // format tag
        tmp.file ("adpcm.wav").replaceWithData (adpcm.getData(), adpcm.getSize());
        auto cut = bytesOf (tmp.file ("in.wav"));
        tmp.file ("cut.wav").replaceWithData (cut.getData(), cut.getSize() - 1000);
    }
    const int before = tmp.count();

    struct Case
    {
        juce::StringArray arguments;
        const char* message;
        int exitCode;
    };
    const Case cases[] = {
        { { tmp.path ("missing.wav"), tmp.path ("out.wav") }, "no such file", 1 },
        { { tmp.path ("text.wav"), tmp.path ("out.wav") }, "not a WAV or AIFF file", 1 },
        { { tmp.path ("quad.wav"), tmp.path ("out.wav") }, "unsupported encoding: 4 channels", 1 },
        { { tmp.path ("adpcm.wav"), tmp.path ("out.wav") }, "unsupported encoding: WAV format tag 2", 1 },
        { { tmp.path ("cut.wav"), tmp.path ("out.wav") }, "damaged or truncated file", 1 },
        { { tmp.path ("in.wav"), tmp.path ("nodir/out.wav") }, "no such directory", 1 },
        { { tmp.path ("in.wav"), tmp.path ("out.mp3") }, ".wav or .aif", 1 },
        { { tmp.path ("in.wav"), tmp.dir.getFullPathName() }, "", 1 },
        { { "--set", "Threshold=-60dB", tmp.path ("in.wav"), tmp.path ("out.wav") }, "Threshold", 2 },
        { { "--set", "Nonsense=1", tmp.path ("in.wav"), tmp.path ("out.wav") }, "unknown parameter", 2 },
        { { "--state", tmp.path ("bad.state"), tmp.path ("in.wav"), tmp.path ("out.wav") }, "not a Vantoril state file", 2 },
        { { "--block", "0", tmp.path ("in.wav"), tmp.path ("out.wav") }, "--block", 2 },
        { { "--frobnicate", tmp.path ("in.wav"), tmp.path ("out.wav") }, "unknown option", 2 },
        { { tmp.path ("in.wav") }, "missing OUTPUT", 2 },
        { { tmp.path ("in.wav"), tmp.path ("in.wav") }, "overwrite the input", 2 },
    };
    for (const auto& c : cases)
    {
        const auto run = runRenderer (c.arguments);
        EXPECT_EQ (run.exitCode, c.exitCode) << c.arguments.joinIntoString (" ") << "\n" << run.output;
        EXPECT_NE (run.output.find (c.message), std::string::npos) << run.output;
        EXPECT_EQ (std::count (run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_EQ (tmp.count(), before) << "left a file behind: " << c.arguments.joinIntoString (" ");
    }
}

TEST (Render, ReportAndSummary)
{
    TempDir tmp;
    writeInput (tmp.file ("in.wav"), testMusic (2, 44100, 44100.0), 44100.0, { Container::wav, 16, false });
    const auto run =
        runRenderer ({ "--report", tmp.path ("r.png"), "--set", "Threshold=-30dB", tmp.path ("in.wav"), tmp.path ("out.wav") });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_NE (run.output.find ("gain reduction: max"), std::string::npos);
    EXPECT_NE (run.output.find ("input:  peak"), std::string::npos);
    const auto picture = juce::ImageFileFormat::loadFrom (tmp.file ("r.png"));
    EXPECT_EQ (picture.getWidth(), 1400);
    EXPECT_EQ (picture.getHeight(), 820);
}

TEST (Render, SeveralInputsIntoADirectory)
{
    TempDir tmp;
    tmp.file ("out").createDirectory();
    juce::StringArray arguments { "--set", "Ratio=0.9", "-o", tmp.path ("out") };
    for (int i = 0; i < 4; ++i)
    {
        const auto name = juce::String ("in") + juce::String (i) + ".wav";
        writeInput (tmp.dir.getChildFile (name), testMusic (2, 20000 + 1000 * i, 44100.0), 44100.0,
                    { Container::wav, 24, false });
        arguments.add (tmp.dir.getChildFile (name).getFullPathName());
    }
    const auto run = runRenderer (arguments);
    ASSERT_EQ (run.exitCode, 0) << run.output;
    for (int i = 0; i < 4; ++i)
    {
        const auto name = juce::String ("in") + juce::String (i) + ".wav";
        ASSERT_EQ (runRenderer ({ "--set", "Ratio=0.9", tmp.dir.getChildFile (name).getFullPathName(), tmp.path ("single.wav") })
                       .exitCode,
                   0);
        EXPECT_EQ (bytesOf (tmp.file ("out").getChildFile (name)), bytesOf (tmp.file ("single.wav"))) << i;
    }
}

TEST (Render, DemoWritesItsThreeFiles)
{
    TempDir tmp;
    const auto run = runRenderer ({ "--demo", tmp.path ("demo") });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    for (const char* name : { "demo-in.wav", "demo-out.wav", "demo-report.png" })
    {
        EXPECT_TRUE (tmp.file ("demo").getChildFile (name).existsAsFile()) << name;
        EXPECT_NE (run.output.find (name), std::string::npos);
    }
    AudioFile in;
    std::string error;
    ASSERT_TRUE (readAudioFile (tmp.file ("demo").getChildFile ("demo-in.wav"), in, error));
    EXPECT_NEAR (in.samples.getNumSamples() / in.sampleRate, 10.0, 0.5);
    // The demo compresses clearly.
    const auto gr = run.output.find ("gain reduction: max ");
    ASSERT_NE (gr, std::string::npos);
    EXPECT_GT (std::stof (run.output.substr (gr + 20)), 3.0f);
}

TEST (Render, InputsTheWriterHasNoFormatForBecomeFloat)
{
    TempDir tmp;
    {
        juce::WavAudioFormat wav;
        auto stream = tmp.file ("eight.wav").createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.release(), 44100.0, 1, 8, {}, 0));
        const auto music = testMusic (1, 4410, 44100.0);
        writer->writeFromAudioSampleBuffer (music, 0, 4410);
    }
    const auto run = runRenderer ({ tmp.path ("eight.wav"), tmp.path ("out.wav") });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_NE (run.output.find ("8-bit integer input, written as 32-bit float"), std::string::npos) << run.output;
    AudioFile out;
    std::string error;
    ASSERT_TRUE (readAudioFile (tmp.file ("out.wav"), out, error)) << error;
    EXPECT_TRUE (out.format.isFloat);
    EXPECT_EQ (out.samples.getNumSamples(), 4410);
}

TEST (Render, AFullDiskIsReportedAsSuch)
{
    // A 64 kB file system of its own (needs the right to mount one).
    TempDir tmp;
    const auto mountPoint = tmp.file ("small");
    mountPoint.createDirectory();
    const auto mount = "mount -t tmpfs -o size=64k tmpfs '" + mountPoint.getFullPathName().toStdString() + "' 2>/dev/null";
    if (std::system (mount.c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small file system here";

    writeInput (tmp.file ("in.wav"), testMusic (2, 44100, 44100.0), 44100.0, { Container::wav, 16, false });
    const auto run = runRenderer ({ tmp.path ("in.wav"), mountPoint.getChildFile ("out.wav").getFullPathName() });
    const int filesLeft = mountPoint.getNumberOfChildFiles (juce::File::findFiles, "*") +
        mountPoint.getNumberOfChildFiles (juce::File::findFiles, ".*");
    std::system (("umount '" + mountPoint.getFullPathName().toStdString() + "'").c_str());
    EXPECT_EQ (run.exitCode, 1) << run.output;
    EXPECT_NE (run.output.find ("disk full"), std::string::npos) << run.output;
    EXPECT_EQ (filesLeft, 0);
}

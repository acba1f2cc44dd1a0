// Renders the editor, as a host would show it, into a PNG without a window:
//   vantoril-snapshot OUTPUT.png [NAME=VALUE ...] [--bypass] [--peak] [--signal] [--scale=S]
// NAME=VALUE sets a parameter to a normalised value; --signal runs a loud test
// signal through the processor first so the meter moves; --peak switches the
// meter to the output peak display; --scale=S draws it as a host that scales the
// editor by S (e.g. 2 on a HiDPI display) shows it.
//   vantoril-snapshot --widgets DIRECTORY
// writes pictures of the single widgets: the knob at three values, both switch
// positions and the meter with its peak needle.
#include "editor/VantorilAudioProcessorEditor.h"
#include "processor/VantorilAudioProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
    {
        std::fprintf (stderr, "cannot write %s\n", file.getFullPathName().toRawUTF8());
        return false;
    }
    std::printf ("%s\n", file.getFullPathName().toRawUTF8());
    return true;
}

// Draws components side by side on a piece of the panel's dark background.
juce::Image row (std::initializer_list<juce::Component*> components, int gap, float scale)
{
    int width = gap, height = 0;
    for (auto* c : components)
    {
        width += c->getWidth() + gap;
        height = std::max (height, c->getHeight());
    }
    juce::Image image (juce::Image::ARGB, juce::roundToInt (width * scale), juce::roundToInt ((height + 2 * gap) * scale), true);
    juce::Graphics g (image);
    g.addTransform (juce::AffineTransform::scale (scale));
    g.fillAll (juce::Colour (0xff2e3034));
    int x = gap;
    for (auto* c : components)
    {
        juce::Graphics::ScopedSaveState state (g);
        g.setOrigin (x, gap);
        c->paintEntireComponent (g, false);
        x += c->getWidth() + gap;
    }
    return image;
}

int writeWidgets (const juce::File& dir)
{
    dir.createDirectory();
    bool ok = true;

    ZDQSlider3D k0 ("a"), k1 ("b"), k2 ("c");
    float value = 0.0f;
    for (auto* k : { &k0, &k1, &k2 })
    {
        k->setRange (0.0, 1.0, 0.0);
        k->setValue (value, juce::dontSendNotification);
        k->capOffsetX = 0.03f;
        k->capOffsetY = 0.01f;
        value += 0.5f;
    }
    ok &= writePng (row ({ &k0, &k1, &k2 }, 10, 1.0f), dir.getChildFile ("widget-knob.png"));

    ZDQMicroSwitch off, on;
    on.setToggleState (true, juce::dontSendNotification);
    ok &= writePng (row ({ &off, &on }, 8, 4.0f), dir.getChildFile ("widget-switch.png"));

    ZDQVuMeter meter;
    meter.setLevel (1.0f);
    meter.setLevel (0.45f);
    ok &= writePng (row ({ &meter }, 10, 1.0f), dir.getChildFile ("widget-meter.png"));
    return ok ? 0 : 1;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf (stderr, "usage: %s OUTPUT.png [NAME=VALUE ...] [--signal] [--peak]\n", argv[0]);
        return 2;
    }
    juce::ScopedJuceInitialiser_GUI gui;
    if (juce::String (argv[1]) == "--widgets")
        return argc == 3 ? writeWidgets (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2])) : 2;

    std::unique_ptr<juce::AudioProcessor> owned (createPluginFilter());
    auto& processor = dynamic_cast<VantorilAudioProcessor&> (*owned);

    bool signal = false, peak = false;
    float scale = 1.0f;
    for (int i = 2; i < argc; ++i)
    {
        const juce::String arg (argv[i]);
        if (arg == "--signal")
            signal = true;
        else if (arg == "--peak")
            peak = true;
        else if (arg.startsWith ("--scale="))
        {
            scale = arg.fromFirstOccurrenceOf ("=", false, false).getFloatValue();
            if (! (scale >= 1.0f && scale <= 4.0f))
            {
                std::fprintf (stderr, "--scale expects 1 to 4, got %s\n", argv[i]);
                return 2;
            }
        }
        else if (arg.containsChar ('='))
        {
            bool found = false;
            for (int p = 0; p < vantoril::params::count; ++p)
                if (juce::String (vantoril::params::name (p)).equalsIgnoreCase (arg.upToFirstOccurrenceOf ("=", false, false)))
                {
                    processor.setNormalisedValue (p, arg.fromFirstOccurrenceOf ("=", false, false).getFloatValue());
                    found = true;
                }
            if (! found)
            {
                std::fprintf (stderr, "unknown parameter in %s\n", argv[i]);
                return 2;
            }
        }
    }

    processor.prepareToPlay (44100.0, 512);
    if (signal)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;
        for (int b = 0; b < 200; ++b)
        {
            for (int k = 0; k < 512; ++k)
            {
                const float s =
                    (float) (0.9 * std::sin (2.0 * juce::MathConstants<double>::pi * 220.0 * (b * 512 + k) / 44100.0));
                buffer.setSample (0, k, s);
                buffer.setSample (1, k, s);
            }
            processor.processBlock (buffer, midi);
        }
    }

    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
    auto* panel = dynamic_cast<VantorilAudioProcessorEditor&> (*editor).getPanel();
    if (peak)
        panel->buttonClicked (panel->meterModeSwitch.get());
    // What the two timers would do in a running editor.
    panel->timerCallback (VantorilUI::refreshTimerId);
    for (int i = 0; i < 200; ++i)
        panel->timerCallback (VantorilUI::meterTimerId);

    const auto image = editor->createComponentSnapshot (editor->getLocalBounds(), true, scale);
    if (! writePng (image, juce::File::getCurrentWorkingDirectory().getChildFile (argv[1])))
        return 1;
    editor.reset();
    processor.editorBeingDeleted (nullptr);
    return 0;
}

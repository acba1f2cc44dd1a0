// Renders the editor, as a host would show it, into a PNG without a window:
//   vantoril-snapshot OUTPUT.png [NAME=VALUE ...] [--bypass] [--peak] [--signal]
// NAME=VALUE sets a parameter to a normalised value; --signal runs a loud test
// signal through the processor first so the meter moves; --peak switches the
// meter to the output peak display.
#include "editor/VantorilAudioProcessorEditor.h"
#include "processor/VantorilAudioProcessor.h"

#include <cmath>
#include <cstdio>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf (stderr, "usage: %s OUTPUT.png [NAME=VALUE ...] [--signal] [--peak]\n", argv[0]);
        return 2;
    }
    juce::ScopedJuceInitialiser_GUI gui;
    std::unique_ptr<juce::AudioProcessor> owned (createPluginFilter());
    auto& processor = dynamic_cast<VantorilAudioProcessor&> (*owned);

    bool signal = false, peak = false;
    for (int i = 2; i < argc; ++i)
    {
        const juce::String arg (argv[i]);
        if (arg == "--signal")
            signal = true;
        else if (arg == "--peak")
            peak = true;
        else if (arg.containsChar ('='))
        {
            bool found = false;
            for (int p = 0; p < processor.getNumParameters(); ++p)
                if (processor.getParameterName (p).equalsIgnoreCase (arg.upToFirstOccurrenceOf ("=", false, false)))
                {
                    processor.setParameter (p, arg.fromFirstOccurrenceOf ("=", false, false).getFloatValue());
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
                const float s = (float) (0.9 * std::sin (2.0 * juce::MathConstants<double>::pi * 220.0 * (b * 512 + k) / 44100.0));
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

    const auto image = editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
    juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
    {
        std::fprintf (stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    editor.reset();
    processor.editorBeingDeleted (nullptr);
    return 0;
}

#include "VantorilAudioProcessorEditor.h"

#include "PanelLayout.h"
#include "processor/VantorilAudioProcessor.h"

VantorilAudioProcessorEditor::VantorilAudioProcessorEditor (VantorilAudioProcessor* owner) : juce::AudioProcessorEditor (owner)
{
    setSize (vantoril::layout::panelWidth, vantoril::layout::panelHeight);
    panel = std::make_unique<VantorilUI> (owner);
    // Making the panel visible starts its timers.
    addAndMakeVisible (panel.get(), 0);
}

VantorilAudioProcessorEditor::~VantorilAudioProcessorEditor() { panel.reset(); }

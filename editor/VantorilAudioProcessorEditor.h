#pragma once

#include "VantorilUI.h"

#include <juce_audio_processors/juce_audio_processors.h>

class VantorilAudioProcessor;

// The editor window: a fixed 900 x 300 frame holding the one panel.
class VantorilAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit VantorilAudioProcessorEditor (VantorilAudioProcessor* owner);
    ~VantorilAudioProcessorEditor() override;

    VantorilUI* getPanel() const noexcept { return panel.get(); }

private:
    std::unique_ptr<VantorilUI> panel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VantorilAudioProcessorEditor)
};

#pragma once

#include "controls/ZDQMicroSwitch.h"
#include "controls/ZDQSlider3D.h"
#include "controls/ZDQVuMeter.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

class VantorilAudioProcessor;

// The single 900 x 300 panel of the editor: background, eight knobs, two slide
// switches, the bypass button, the meter and fifteen labels. It writes the
// user's changes to the processor inside host gestures and polls the processor
// for values, texts (every 50 ms) and the meter level (every 5 ms).
class VantorilUI : public juce::Component, public juce::MultiTimer, public juce::Button::Listener, public juce::Slider::Listener
{
public:
    explicit VantorilUI (VantorilAudioProcessor* owner);
    ~VantorilUI() override;

    void visibilityChanged() override;
    void paint (juce::Graphics& g) override;
    void resized() override;
    void timerCallback (int timerId) override;
    void buttonClicked (juce::Button* button) override;
    void sliderValueChanged (juce::Slider* slider) override;
    void sliderDragStarted (juce::Slider* slider) override;
    void sliderDragEnded (juce::Slider* slider) override;

    enum TimerIds
    {
        refreshTimerId = 1,
        meterTimerId = 2
    };

    // Read-only access for tests and tools.
    bool isShowingGainReduction() const noexcept { return showGainReduction; }

private:
    // A knob, its value read-out and the parameter both show.
    struct KnobBinding
    {
        ZDQSlider3D* knob;
        juce::Label* readout;
        int index;
    };
    std::array<KnobBinding, 8> knobBindings() const noexcept;

    void refreshFromProcessor();
    int parameterIndexOf (const juce::Slider* slider) const noexcept;

    VantorilAudioProcessor* processor = nullptr;
    bool showGainReduction = true;

public:
    // The components, in creation, z-order and deletion order.
    std::unique_ptr<juce::Label> outCaption;
    std::unique_ptr<juce::Label> grCaption;
    std::unique_ptr<juce::Label> lowCutText;
    std::unique_ptr<juce::Label> driveText;
    std::unique_ptr<juce::Label> releaseText;
    std::unique_ptr<juce::Label> ratioText;
    std::unique_ptr<juce::Label> attackText;
    std::unique_ptr<juce::Label> levelText;
    std::unique_ptr<juce::Label> thresholdText;
    std::unique_ptr<juce::ImageButton> bypassButton;
    std::unique_ptr<ZDQVuMeter> meter;
    std::unique_ptr<ZDQSlider3D> attackKnob;
    std::unique_ptr<ZDQSlider3D> releaseKnob;
    std::unique_ptr<ZDQSlider3D> ratioKnob;
    std::unique_ptr<ZDQSlider3D> driveKnob;
    std::unique_ptr<ZDQSlider3D> thresholdKnob;
    std::unique_ptr<ZDQSlider3D> levelKnob;
    std::unique_ptr<juce::Label> versionLabel;
    std::unique_ptr<ZDQSlider3D> lowCutKnob;
    std::unique_ptr<juce::Label> lowCutCaption;
    std::unique_ptr<ZDQMicroSwitch> meterModeSwitch;
    std::unique_ptr<juce::Label> mixText;
    std::unique_ptr<ZDQSlider3D> mixKnob;
    std::unique_ptr<juce::Label> mixCaption;
    std::unique_ptr<ZDQMicroSwitch> kneeSwitch;
    std::unique_ptr<juce::Label> medKneeCaption;
    std::unique_ptr<juce::Label> softKneeCaption;

private:
    juce::Image backgroundImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VantorilUI)
};

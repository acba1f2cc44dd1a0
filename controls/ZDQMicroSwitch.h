#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Two-position slide switch: a button that toggles on every click and shows the
// slider up (on) or down (off).
class ZDQMicroSwitch : public juce::Button
{
public:
    ZDQMicroSwitch();

    void paintButton (juce::Graphics& g, bool isMouseOver, bool isButtonDown) override;

private:
    juce::Image offImage;
    juce::Image onImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZDQMicroSwitch)
};

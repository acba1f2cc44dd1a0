#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Rotary knob drawn in three bitmap layers (body, cap, pointer). The cap and
// pointer are shifted by a per-knob offset and joined to the body by a thin
// translucent edge line, which gives the knob a raised look. Value and mouse
// handling are the framework slider's own.
class ZDQSlider3D : public juce::Slider
{
public:
    // The name is accepted for the caller's readability and not used.
    explicit ZDQSlider3D (const juce::String& name);

    void paint (juce::Graphics& g) override;
    void resized() override {}

    // Shift of cap and pointer, both as fractions of the knob's width.
    float capOffsetX = 0.0f;
    float capOffsetY = 0.0f;

private:
    juce::Image bodyImage;
    juce::Image capImage;
    juce::Image pointerImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZDQSlider3D)
};

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Moving-needle meter, 300 x 300: face, needle shadow, needle, an optional peak
// needle with its own hold and accelerating fall, and the glass over them.
class ZDQVuMeter : public juce::Button
{
public:
    ZDQVuMeter();

    // Shows a new linear level (1.0 = the face's 0 dB mark); repaints only when
    // the level changed, and only where the needles were and are.
    void setLevel (float newLevel);

    void paintButton (juce::Graphics& g, bool isMouseOver, bool isButtonDown) override;

    // The part of the meter that its face covers completely, at any scale:
    // nothing behind the meter shows there.
    static juce::Rectangle<int> getOpaqueArea();

    float getLevel() const noexcept { return level; }
    float getPeakLevel() const noexcept { return peakLevel; }
    float getPeakFallStep() const noexcept { return peakFallStep; }

    // Whether the peak is tracked and the peak needle drawn; whoever changes it
    // repaints the meter.
    bool peakHoldEnabled = true;

private:
    // Where the needle (with its shadow) and the peak needle are seen now.
    struct NeedleAreas
    {
        juce::Rectangle<int> needle, peak;
    };
    NeedleAreas needleAreas() const;

    float level = 0.0f;
    float peakLevel = 0.0f;
    float peakFallStep = 0.0f;
    juce::Image glassImage;
    juce::Image faceImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZDQVuMeter)
};

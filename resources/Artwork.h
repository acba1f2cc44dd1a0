#pragma once

#include <juce_graphics/juce_graphics.h>

// The editor's nine pictures, embedded as PNG data and decoded once through the
// framework's image cache (a picture that fails to decode is a null image).
// Each but the knob cap (drawn at three times its size) also comes at twice
// the resolution, for displays and hosts that scale the editor up.
namespace vantoril::artwork
{
enum class Resolution
{
    normal, // one picture pixel per logical pixel
    doubled // two by two picture pixels per logical pixel
};

// The resolution that keeps a picture sharp in a context: doubled wherever
// the context draws logical pixels larger than one physical pixel.
Resolution resolutionFor (juce::Graphics& g);

juce::Image panelBackground (Resolution resolution = Resolution::normal);
juce::Image bypassOverlay (Resolution resolution = Resolution::normal);
juce::Image meterFace (Resolution resolution = Resolution::normal);
juce::Image meterGlass (Resolution resolution = Resolution::normal);
juce::Image switchOff (Resolution resolution = Resolution::normal);
juce::Image switchOn (Resolution resolution = Resolution::normal);
juce::Image knobBody (Resolution resolution = Resolution::normal);
juce::Image knobCap();
juce::Image knobPointer (Resolution resolution = Resolution::normal);

// Draws a picture of the given resolution over the logical area from (x, y)
// of its normal size, at full opacity: at normal resolution pixel for pixel as
// drawImageAt does with an opaque colour.
void drawAt (juce::Graphics& g, const juce::Image& picture, Resolution resolution, int x, int y);
} // namespace vantoril::artwork

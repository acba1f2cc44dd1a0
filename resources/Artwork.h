#pragma once

#include <juce_graphics/juce_graphics.h>

// The editor's nine pictures, embedded as PNG data and decoded once through the
// framework's image cache (a picture that fails to decode is a null image).
namespace vantoril::artwork
{
juce::Image panelBackground();
juce::Image bypassOverlay();
juce::Image meterFace();
juce::Image meterGlass();
juce::Image switchOff();
juce::Image switchOn();
juce::Image knobBody();
juce::Image knobCap();
juce::Image knobPointer();
} // namespace vantoril::artwork

#include "ZDQMicroSwitch.h"

#include "resources/Artwork.h"

ZDQMicroSwitch::ZDQMicroSwitch()
    : juce::Button ({}),
      offImage (vantoril::artwork::switchOff()),
      onImage (vantoril::artwork::switchOn())
{
    setSize (32, 32);
    setClickingTogglesState (true);
}

void ZDQMicroSwitch::paintButton (juce::Graphics& g, bool, bool)
{
    const bool on = getToggleState();
    g.setColour (juce::Colours::black);
    // Scaled-up contexts get the double-resolution pictures.
    const auto resolution = vantoril::artwork::resolutionFor (g);
    const auto image = resolution == vantoril::artwork::Resolution::normal
        ? (on ? onImage : offImage)
        : (on ? vantoril::artwork::switchOn (resolution) : vantoril::artwork::switchOff (resolution));
    // Always the fixed 32 x 32 square at the top left, whatever the size.
    g.drawImage (image, 0, 0, 32, 32, 0, 0, image.getWidth(), image.getHeight(), false);
}

#include "ZDQSlider3D.h"

#include "WidgetGeometry.h"
#include "resources/Artwork.h"

#include <cmath>

ZDQSlider3D::ZDQSlider3D (const juce::String&)
    : bodyImage (vantoril::artwork::knobBody()),
      capImage (vantoril::artwork::knobCap()),
      pointerImage (vantoril::artwork::knobPointer())
{
    setSize (200, 200);
}

void ZDQSlider3D::paint (juce::Graphics& g)
{
    const int width = getWidth();
    const int height = getHeight();

    // Scaled-up contexts get the double-resolution pictures.
    const auto resolution = vantoril::artwork::resolutionFor (g);
    const bool doubled = resolution == vantoril::artwork::Resolution::doubled;
    const auto body = doubled ? vantoril::artwork::knobBody (resolution) : bodyImage;
    const auto pointer = doubled ? vantoril::artwork::knobPointer (resolution) : pointerImage;

    g.setColour (juce::Colours::black);
    g.drawImage (body, 0, 0, proportionOfWidth (1.0f), proportionOfHeight (1.0f), 0, 0, body.getWidth(), body.getHeight(), false);

    // Both offsets are fractions of the width.
    const int dx = proportionOfWidth (capOffsetX);
    const int dy = proportionOfWidth (capOffsetY);

    const float theta = vantoril::geometry::knobAngle (static_cast<float> (getValue()));

    g.setColour (juce::Colours::white);
    const float tipX = (std::sin (theta) * vantoril::geometry::knobEdgeRadius + 0.5f) * static_cast<float> (width);
    const float tipY = (0.5f - std::cos (theta) * vantoril::geometry::knobEdgeRadius) * static_cast<float> (height);
    g.setOpacity (0.5f);
    g.drawLine (tipX, tipY, tipX + static_cast<float> (dx), tipY + static_cast<float> (dy),
                static_cast<float> (width) / 150.0f + 1.0f);
    g.setOpacity (1.0f);

    g.drawImage (capImage, dx, dy, proportionOfWidth (1.0f), proportionOfHeight (1.0f), 0, 0, capImage.getWidth(),
                 capImage.getHeight(), false);

    g.saveState();
    g.addTransform (
        juce::AffineTransform::rotation (theta, static_cast<float> (dx + width / 2), static_cast<float> (dy + height / 2)));
    g.drawImageWithin (pointer, dx, dy, proportionOfWidth (1.0f), proportionOfHeight (1.0f), juce::RectanglePlacement::centred,
                       false);
    g.restoreState();
}

#include "ZDQVuMeter.h"

#include "WidgetGeometry.h"
#include "resources/Artwork.h"

#include <cmath>

namespace geo = vantoril::geometry;

ZDQVuMeter::ZDQVuMeter()
    : juce::Button ({}),
      glassImage (vantoril::artwork::meterGlass()),
      faceImage (vantoril::artwork::meterFace())
{
    setSize (300, 300);
}

namespace
{
// The pixels a needle of that length covers at that level, with room for the
// line widths (with a shadow also the same 10 px below).
void addNeedleBoxes (juce::RectangleList<int>& area, float level, float length, bool withShadow)
{
    const float theta = geo::meterAngle (level);
    const juce::Point<float> pivot (geo::meterPivotX, geo::meterPivotY);
    const juce::Point<float> tip (pivot.x + length * std::sin (theta), pivot.y - length * std::cos (theta));
    const auto box = juce::Rectangle<float> (pivot, tip).getSmallestIntegerContainer().expanded (4);
    area.add (box);
    if (withShadow)
        area.add (box.translated (0, 10));
}
} // namespace

juce::RectangleList<int> ZDQVuMeter::needlesArea() const
{
    // The needle, its shadow and, while it is drawn, the peak needle.
    juce::RectangleList<int> area;
    addNeedleBoxes (area, level, geo::meterNeedleLength, true);
    if (peakHoldEnabled)
        addNeedleBoxes (area, peakLevel, geo::meterPeakNeedleLength, false);
    area.clipTo (getLocalBounds());
    return area;
}

void ZDQVuMeter::setLevel (float newLevel)
{
    // A NaN never compares equal, so it is always taken.
    if (newLevel == level)
        return;

    // Only the needles move: what they covered before and cover now is redrawn.
    auto area = needlesArea();
    level = newLevel;

    if (peakHoldEnabled)
    {
        if (newLevel >= peakLevel)
        {
            peakLevel = newLevel;
            peakFallStep = 1e-6f;
        }
        else
        {
            // The held peak falls by a step that grows 10 % per call.
            const float fallen = peakLevel - peakFallStep;
            peakLevel = newLevel > fallen ? newLevel : fallen;
            peakFallStep *= 1.1f;
        }
    }

    area.add (needlesArea());
    for (const auto& box : area)
        repaint (box);
}

void ZDQVuMeter::paintButton (juce::Graphics& g, bool, bool)
{
    const float px = geo::meterPivotX, py = geo::meterPivotY;

    // Scaled-up contexts get the double-resolution pictures.
    const auto resolution = vantoril::artwork::resolutionFor (g);
    const bool doubled = resolution == vantoril::artwork::Resolution::doubled;

    g.setColour (juce::Colours::black);
    vantoril::artwork::drawAt (g, doubled ? vantoril::artwork::meterFace (resolution) : faceImage, resolution, 0, 0);

    const float theta = geo::meterAngle (level);

    // Shadow: turned about the pivot, then moved 10 px down.
    g.saveState();
    g.addTransform (juce::AffineTransform::translation (0.0f, 10.0f));
    g.addTransform (juce::AffineTransform::rotation (theta, px, py));
    g.setOpacity (0.1f);
    g.drawLine (px, py, px, py - geo::meterNeedleLength, 5.0f);
    g.drawLine (px, py, px, py - geo::meterNeedleLength + 2.0f, 3.0f);
    g.restoreState();

    g.saveState();
    g.addTransform (juce::AffineTransform::rotation (theta, px, py));
    g.drawLine (px, py, px, py - geo::meterNeedleLength, 2.0f);
    g.restoreState();

    if (peakHoldEnabled)
    {
        const float thetaPeak = geo::meterAngle (peakLevel);
        g.saveState();
        // The colour test uses the unclamped peak.
        const bool atFullScale = peakLevel >= 1.0f;
        g.setColour (atFullScale ? juce::Colours::red : juce::Colours::darkred);
        g.addTransform (juce::AffineTransform::rotation (thetaPeak, px, py));
        g.drawLine (px, py, px, py - geo::meterPeakNeedleLength, atFullScale ? 3.0f : 1.0f);
        g.restoreState();
    }

    vantoril::artwork::drawAt (g, doubled ? vantoril::artwork::meterGlass (resolution) : glassImage, resolution, 0, 0);
}

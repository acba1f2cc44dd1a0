#include "ZDQVuMeter.h"

#include "WidgetGeometry.h"
#include "resources/Artwork.h"

#include <algorithm>
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
// Where the glass hides everything under it: the meter split into cells of
// 10 x 10 pixels, a cell marked when every pixel of the glass over it is
// opaque, in the normal and in the double-resolution picture.
class GlassCover
{
public:
    static constexpr int cell = 10, cells = 300 / cell;

    GlassCover()
    {
        const auto normal = vantoril::artwork::meterGlass (vantoril::artwork::Resolution::normal);
        const auto doubled = vantoril::artwork::meterGlass (vantoril::artwork::Resolution::doubled);
        for (int cy = 0; cy < cells; ++cy)
            for (int cx = 0; cx < cells; ++cx)
                opaque[cy][cx] = allOpaque (normal, cx, cy, 1) && allOpaque (doubled, cx, cy, 2);
    }

    // True when the glass hides all of the box (and the pixels around it
    // that a scaled drawing may blend into it).
    bool hides (juce::Rectangle<int> box) const noexcept
    {
        box = box.expanded (2);
        if (box.getX() < 0 || box.getY() < 0 || box.getRight() > 300 || box.getBottom() > 300)
            return false;
        for (int cy = box.getY() / cell; cy <= (box.getBottom() - 1) / cell; ++cy)
            for (int cx = box.getX() / cell; cx <= (box.getRight() - 1) / cell; ++cx)
                if (! opaque[cy][cx])
                    return false;
        return true;
    }

private:
    static bool allOpaque (const juce::Image& picture, int cx, int cy, int scale)
    {
        if (picture.getWidth() != 300 * scale || picture.getHeight() != 300 * scale)
            return false;
        const juce::Image::BitmapData pixels (picture, juce::Image::BitmapData::readOnly);
        for (int y = cy * cell * scale; y < (cy + 1) * cell * scale; ++y)
            for (int x = cx * cell * scale; x < (cx + 1) * cell * scale; ++x)
                if (pixels.getPixelColour (x, y).getAlpha() != 255)
                    return false;
        return true;
    }

    bool opaque[cells][cells] {};
};

// The largest rectangle about the pivot's column in which the face is opaque
// in both pictures, less a pixel at each edge for scaled drawing.
juce::Rectangle<int> findOpaqueFaceArea()
{
    const auto normal = vantoril::artwork::meterFace (vantoril::artwork::Resolution::normal);
    const auto doubled = vantoril::artwork::meterFace (vantoril::artwork::Resolution::doubled);
    if (normal.getWidth() != 300 || normal.getHeight() != 300 || doubled.getWidth() != 600 || doubled.getHeight() != 600)
        return {};
    const juce::Image::BitmapData one (normal, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData two (doubled, juce::Image::BitmapData::readOnly);
    auto opaque = [&] (int x, int y)
    {
        return one.getPixelColour (x, y).getAlpha() == 255 && two.getPixelColour (2 * x, 2 * y).getAlpha() == 255 &&
            two.getPixelColour (2 * x + 1, 2 * y).getAlpha() == 255 && two.getPixelColour (2 * x, 2 * y + 1).getAlpha() == 255 &&
            two.getPixelColour (2 * x + 1, 2 * y + 1).getAlpha() == 255;
    };
    // Each row's opaque run through the middle column.
    constexpr int middle = 150;
    int left[300], right[300];
    for (int y = 0; y < 300; ++y)
    {
        left[y] = right[y] = middle;
        if (! opaque (middle, y))
            continue;
        while (left[y] > 0 && opaque (left[y] - 1, y))
            --left[y];
        while (right[y] < 300 && opaque (right[y], y))
            ++right[y];
    }
    juce::Rectangle<int> best;
    for (int top = 0; top < 300; ++top)
    {
        int l = left[top], r = right[top];
        for (int bottom = top; bottom < 300 && right[bottom] > left[bottom]; ++bottom)
        {
            l = std::max (l, left[bottom]);
            r = std::min (r, right[bottom]);
            const juce::Rectangle<int> area (l, top, r - l, bottom + 1 - top);
            if (area.getWidth() * area.getHeight() > best.getWidth() * best.getHeight())
                best = area;
        }
    }
    return best.reduced (1);
}

const GlassCover& glassCover()
{
    static const GlassCover cover;
    return cover;
}

// The box around a needle of that length at that level, with room for the
// widest line (the 5 px shadow) and its smoothed edge.
juce::Rectangle<int> needleBox (float level, float from, float to)
{
    const float theta = geo::meterAngle (level);
    const float dx = std::sin (theta), dy = -std::cos (theta);
    const juce::Point<float> a (geo::meterPivotX + from * dx, geo::meterPivotY + from * dy);
    const juce::Point<float> b (geo::meterPivotX + to * dx, geo::meterPivotY + to * dy);
    return juce::Rectangle<float> (a, b).getSmallestIntegerContainer().expanded (4);
}

// The pixels a needle of that length covers at that level: short pieces of
// the needle, each piece's box with room for the line widths (with a shadow
// also the same 10 px below), leaving out what the glass hides. Boxes of
// short pieces follow a slanted needle much closer than one box around it.
void addNeedleBoxes (juce::RectangleList<int>& area, float level, float length, bool withShadow)
{
    constexpr int pieces = 5;
    const auto& cover = glassCover();
    for (int i = 0; i < pieces; ++i)
    {
        const auto box =
            needleBox (level, length * static_cast<float> (i) / pieces, length * static_cast<float> (i + 1) / pieces);
        if (! cover.hides (box))
            area.add (box);
        if (withShadow && ! cover.hides (box.translated (0, 10)))
            area.add (box.translated (0, 10));
    }
}
} // namespace

juce::Rectangle<int> ZDQVuMeter::getOpaqueArea()
{
    static const auto area = findOpaqueFaceArea();
    return area;
}

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

    // Each line is drawn within its own box: the renderer then cuts the
    // line's outline only by the parts of the redrawn area inside that box.
    // Shadow: turned about the pivot, then moved 10 px down.
    g.saveState();
    g.reduceClipRegion (needleBox (level, 0.0f, geo::meterNeedleLength).translated (0, 10));
    g.addTransform (juce::AffineTransform::translation (0.0f, 10.0f));
    g.addTransform (juce::AffineTransform::rotation (theta, px, py));
    g.setOpacity (0.1f);
    g.drawLine (px, py, px, py - geo::meterNeedleLength, 5.0f);
    g.drawLine (px, py, px, py - geo::meterNeedleLength + 2.0f, 3.0f);
    g.restoreState();

    g.saveState();
    g.reduceClipRegion (needleBox (level, 0.0f, geo::meterNeedleLength));
    g.addTransform (juce::AffineTransform::rotation (theta, px, py));
    g.drawLine (px, py, px, py - geo::meterNeedleLength, 2.0f);
    g.restoreState();

    if (peakHoldEnabled)
    {
        const float thetaPeak = geo::meterAngle (peakLevel);
        g.saveState();
        g.reduceClipRegion (needleBox (peakLevel, 0.0f, geo::meterPeakNeedleLength));
        // The colour test uses the unclamped peak.
        const bool atFullScale = peakLevel >= 1.0f;
        g.setColour (atFullScale ? juce::Colours::red : juce::Colours::darkred);
        g.addTransform (juce::AffineTransform::rotation (thetaPeak, px, py));
        g.drawLine (px, py, px, py - geo::meterPeakNeedleLength, atFullScale ? 3.0f : 1.0f);
        g.restoreState();
    }

    vantoril::artwork::drawAt (g, doubled ? vantoril::artwork::meterGlass (resolution) : glassImage, resolution, 0, 0);
}

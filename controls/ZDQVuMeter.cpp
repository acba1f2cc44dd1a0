#include "ZDQVuMeter.h"

#include "WidgetGeometry.h"
#include "resources/Artwork.h"

#include <algorithm>
#include <cmath>
#include <vector>

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
// Which pixels of a 300 x 300 meter picture are opaque in both its normal and
// its double-resolution version (all four doubled pixels), so that what they
// cover is hidden at any scale. A picture of another size counts as clear.
class OpaqueMask
{
public:
    static constexpr int size = 300;

    OpaqueMask (const juce::Image& normal, const juce::Image& doubled)
    {
        if (normal.getWidth() != size || normal.getHeight() != size || doubled.getWidth() != 2 * size ||
            doubled.getHeight() != 2 * size)
            return;
        const juce::Image::BitmapData one (normal, juce::Image::BitmapData::readOnly);
        const juce::Image::BitmapData two (doubled, juce::Image::BitmapData::readOnly);
        auto solid = [] (const juce::Image::BitmapData& d, int x, int y) { return d.getPixelColour (x, y).getAlpha() == 255; };
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                opaque[static_cast<size_t> (y * size + x)] = solid (one, x, y) && solid (two, 2 * x, 2 * y) &&
                    solid (two, 2 * x + 1, 2 * y) && solid (two, 2 * x, 2 * y + 1) && solid (two, 2 * x + 1, 2 * y + 1);
    }

    bool at (int x, int y) const noexcept { return opaque[static_cast<size_t> (y * size + x)]; }

private:
    std::vector<bool> opaque = std::vector<bool> (size * size, false);
};

// Where the glass hides everything under it: the meter split into cells of
// 10 x 10 pixels, a cell marked when the glass is opaque over all of it.
class GlassCover
{
public:
    static constexpr int cell = 10, cells = OpaqueMask::size / cell;

    GlassCover()
    {
        const OpaqueMask mask (vantoril::artwork::meterGlass (vantoril::artwork::Resolution::normal),
                               vantoril::artwork::meterGlass (vantoril::artwork::Resolution::doubled));
        for (int cy = 0; cy < cells; ++cy)
            for (int cx = 0; cx < cells; ++cx)
            {
                bool all = true;
                for (int y = cy * cell; all && y < (cy + 1) * cell; ++y)
                    for (int x = cx * cell; all && x < (cx + 1) * cell; ++x)
                        all = mask.at (x, y);
                opaque[cy][cx] = all;
            }
    }

    // True when the glass hides all of the box (and the pixels around it
    // that a scaled drawing may blend into it).
    bool hides (juce::Rectangle<int> box) const noexcept
    {
        box = box.expanded (2);
        if (box.getX() < 0 || box.getY() < 0 || box.getRight() > OpaqueMask::size || box.getBottom() > OpaqueMask::size)
            return false;
        for (int cy = box.getY() / cell; cy <= (box.getBottom() - 1) / cell; ++cy)
            for (int cx = box.getX() / cell; cx <= (box.getRight() - 1) / cell; ++cx)
                if (! opaque[cy][cx])
                    return false;
        return true;
    }

private:
    bool opaque[cells][cells] {};
};

// The largest rectangle about the middle column in which the face is opaque
// at any scale, less a pixel at each edge for scaled drawing.
juce::Rectangle<int> findOpaqueFaceArea()
{
    constexpr int size = OpaqueMask::size, middle = size / 2;
    const OpaqueMask mask (vantoril::artwork::meterFace (vantoril::artwork::Resolution::normal),
                           vantoril::artwork::meterFace (vantoril::artwork::Resolution::doubled));
    // Each row's opaque run through the middle column.
    int left[size], right[size];
    for (int y = 0; y < size; ++y)
    {
        left[y] = right[y] = middle;
        if (! mask.at (middle, y))
            continue;
        while (left[y] > 0 && mask.at (left[y] - 1, y))
            --left[y];
        while (right[y] < size && mask.at (right[y], y))
            ++right[y];
    }
    juce::Rectangle<int> best;
    for (int top = 0; top < size; ++top)
    {
        int l = left[top], r = right[top];
        for (int bottom = top; bottom < size && right[bottom] > left[bottom]; ++bottom)
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

// The box around the pixels a needle of that length covers at that level
// and the glass does not hide: short pieces of the needle, each piece's box
// with room for the line widths (with a shadow also the same 10 px below),
// the pieces the glass hides left out.
juce::Rectangle<int> visibleNeedleBox (float level, float length, bool withShadow)
{
    constexpr int pieces = 5;
    const auto& cover = glassCover();
    juce::Rectangle<int> area;
    for (int i = 0; i < pieces; ++i)
    {
        const auto box =
            needleBox (level, length * static_cast<float> (i) / pieces, length * static_cast<float> (i + 1) / pieces);
        if (! cover.hides (box))
            area = area.getUnion (box);
        const auto shadowBox = box.translated (0, 10);
        if (withShadow && ! cover.hides (shadowBox))
            area = area.getUnion (shadowBox);
    }
    return area;
}
} // namespace

juce::Rectangle<int> ZDQVuMeter::getOpaqueArea()
{
    static const auto area = findOpaqueFaceArea();
    return area;
}

ZDQVuMeter::NeedleAreas ZDQVuMeter::needleAreas() const
{
    // The needle with its shadow and, while it is drawn, the peak needle.
    return { visibleNeedleBox (level, geo::meterNeedleLength, true),
             peakHoldEnabled ? visibleNeedleBox (peakLevel, geo::meterPeakNeedleLength, false) : juce::Rectangle<int>() };
}

void ZDQVuMeter::setLevel (float newLevel)
{
    // A NaN never compares equal, so it is always taken.
    if (newLevel == level)
        return;

    // Only the needles move: what they covered before and cover now is redrawn.
    const auto before = needleAreas();
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

    // One rectangle per needle, or one for both where they meet: every
    // rectangle is a separate transfer to the window system, and a few larger
    // ones cost less in all than many small ones.
    const auto after = needleAreas();
    auto needle = before.needle.getUnion (after.needle).getIntersection (getLocalBounds());
    auto peak = before.peak.getUnion (after.peak).getIntersection (getLocalBounds());
    if (needle.intersects (peak))
    {
        needle = needle.getUnion (peak);
        peak = {};
    }
    if (! needle.isEmpty())
        repaint (needle);
    if (! peak.isEmpty())
        repaint (peak);
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

// Widgets and pictures, rendered into images without a window.
#include "RepaintAreas.h"
#include "VantorilArtwork.h"
#include "controls/WidgetGeometry.h"
#include "controls/ZDQMicroSwitch.h"
#include "controls/ZDQSlider3D.h"
#include "controls/ZDQVuMeter.h"
#include "editor/PanelLayout.h"
#include "editor/VantorilUI.h"
#include "processor/VantorilAudioProcessor.h"
#include "resources/Artwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace geo = vantoril::geometry;
namespace art = vantoril::artwork;
using juce::Colour;

namespace
{
struct Gui : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
};

juce::Image render (juce::Component& c)
{
    juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    juce::Graphics g (image);
    c.paintEntireComponent (g, false);
    return image;
}

bool isWhite (Colour c) { return c.getRed() > 235 && c.getGreen() > 235 && c.getBlue() > 235; }
float brightness (Colour c) { return (c.getRed() + c.getGreen() + c.getBlue()) / 3.0f; }

juce::Point<int> polarPoint (float cx, float cy, float radius, float angle)
{
    return { juce::roundToInt (cx + radius * std::sin (angle)), juce::roundToInt (cy - radius * std::cos (angle)) };
}
} // namespace

//==============================================================================
// Knob

TEST_F (Gui, KnobPointerFollowsTheValue)
{
    ZDQSlider3D knob ("Attack");
    EXPECT_EQ (knob.getName(), "");
    EXPECT_EQ (knob.getWidth(), 200);
    knob.setRange (0.0, 1.0, 0.0);

    for (float value : { 0.0f, 0.5f, 1.0f, 0.25f })
    {
        knob.setValue (value, juce::dontSendNotification);
        const auto image = render (knob);
        const float angle = geo::knobAngle (value);
        // Inside the bar (30..67 px from the centre) along the pointer, and beside it.
        for (float r : { 35.0f, 50.0f, 64.0f })
            EXPECT_TRUE (
                isWhite (image.getPixelAt (polarPoint (100.0f, 100.0f, r, angle).x, polarPoint (100.0f, 100.0f, r, angle).y)))
                << "value " << value << " r " << r;
        const auto beside = polarPoint (100.0f, 100.0f, 50.0f, angle + 0.25f);
        EXPECT_FALSE (isWhite (image.getPixelAt (beside.x, beside.y))) << value;
        // Nothing of the bar inside 30 px.
        const auto inner = polarPoint (100.0f, 100.0f, 22.0f, angle);
        EXPECT_FALSE (isWhite (image.getPixelAt (inner.x, inner.y))) << value;
    }
    EXPECT_NEAR (geo::knobAngle (0.0f), -135.0 * geo::pi / 180.0, 1e-6);
    EXPECT_NEAR (geo::knobAngle (1.0f), 135.0 * geo::pi / 180.0, 1e-6);
}

TEST_F (Gui, KnobCapOffsetShiftsCapAndPointer)
{
    ZDQSlider3D knob ("Drive");
    knob.setRange (0.0, 1.0, 0.0);
    knob.setValue (0.5, juce::dontSendNotification);
    knob.capOffsetX = 0.035f; // 7 px
    knob.capOffsetY = -0.01f; // -2 px, also through the width
    const auto image = render (knob);
    EXPECT_TRUE (isWhite (image.getPixelAt (107, 98 - 50)));
    EXPECT_FALSE (isWhite (image.getPixelAt (100, 98 - 50)));

    // A 130 px knob: offsets 0.01 and -0.035 give 1 px down and 5 px left.
    knob.setSize (130, 130);
    knob.capOffsetX = -0.035f;
    knob.capOffsetY = 0.01f;
    const auto small = render (knob);
    EXPECT_TRUE (isWhite (small.getPixelAt (65 - 5, 66 - 30)));
    EXPECT_FALSE (isWhite (small.getPixelAt (65, 66 - 30)));
}

TEST_F (Gui, KnobEdgeLineJoinsBodyAndCap)
{
    ZDQSlider3D knob ("Ratio");
    knob.setRange (0.0, 1.0, 0.0);
    knob.setValue (0.25, juce::dontSendNotification);
    const auto plain = render (knob);
    knob.capOffsetX = 0.1f; // 20 px to the right
    const auto shifted = render (knob);

    // The line runs from the body tip (0.33 W from the centre) 20 px to the right.
    const float angle = geo::knobAngle (0.25f);
    const float tx = (std::sin (angle) * 0.33f + 0.5f) * 200.0f, ty = (0.5f - std::cos (angle) * 0.33f) * 200.0f;
    const int x = juce::roundToInt (tx + 6.0f), y = juce::roundToInt (ty);
    // On the line the dark body shows the white line at half opacity; just beside it, not.
    EXPECT_GT (brightness (shifted.getPixelAt (x, y)), brightness (shifted.getPixelAt (x, y + 5)) + 40.0f);
    // Without an offset the line has no length: the body there is the same as beside it.
    EXPECT_LT (std::abs (brightness (plain.getPixelAt (x - 30, y + 60)) - brightness (shifted.getPixelAt (x - 30, y + 60))),
               1.0f);
}

//==============================================================================
// Switch

// Drawn by a host that scales the editor to 200 %, the widgets and the panel
// show their double-resolution pictures pixel for pixel; at 100 % the normal ones.
TEST_F (Gui, ScaledUpContextsShowTheDoubleResolutionPictures)
{
    using art::Resolution;
    auto samePixels = [] (const juce::Image& rendered, const juce::Image& picture, juce::Rectangle<int> area)
    {
        int differing = 0;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                differing += rendered.getPixelAt (x, y) != picture.getPixelAt (x, y) ? 1 : 0;
        return differing;
    };

    ZDQMicroSwitch sw;
    sw.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (samePixels (sw.createComponentSnapshot (sw.getLocalBounds(), true, 1.0f), art::switchOn(), { 32, 32 }), 0);
    const auto doubled = sw.createComponentSnapshot (sw.getLocalBounds(), true, 2.0f);
    ASSERT_EQ (doubled.getWidth(), 64);
    EXPECT_EQ (samePixels (doubled, art::switchOn (Resolution::doubled), { 64, 64 }), 0);
    EXPECT_GT (samePixels (doubled, art::switchOn().rescaled (64, 64, juce::Graphics::lowResamplingQuality), { 64, 64 }), 100);

    // The panel: a corner with no widget on it.
    VantorilAudioProcessor processor;
    VantorilUI panel (&processor);
    const juce::Rectangle<int> corner (0, 0, 60, 40);
    EXPECT_EQ (
        samePixels (panel.createComponentSnapshot (corner, true, 2.0f), art::panelBackground (Resolution::doubled), corner * 2),
        0);
    EXPECT_EQ (samePixels (panel.createComponentSnapshot (corner, true, 1.0f), art::panelBackground(), corner), 0);
}

TEST_F (Gui, SwitchShowsItsState)
{
    ZDQMicroSwitch sw;
    EXPECT_EQ (sw.getWidth(), 32);
    EXPECT_FALSE (sw.getToggleState());
    EXPECT_TRUE (sw.getClickingTogglesState());

    auto matches = [] (const juce::Image& rendered, const juce::Image& picture)
    {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (rendered.getPixelAt (x, y) != picture.getPixelAt (x, y))
                    return false;
        return true;
    };
    EXPECT_TRUE (matches (render (sw), art::switchOff()));
    sw.setToggleState (true, juce::dontSendNotification);
    EXPECT_TRUE (matches (render (sw), art::switchOn()));
    EXPECT_FALSE (matches (render (sw), art::switchOff()));

    // A larger switch still draws its 32 x 32 picture at the top left.
    sw.setSize (64, 64);
    const auto large = render (sw);
    EXPECT_TRUE (matches (large, art::switchOn()));
    EXPECT_EQ (large.getPixelAt (48, 48).getAlpha(), 0);
}

//==============================================================================
// Meter

namespace
{
// Darkness of the face along a needle direction, beyond the glass's hood.
float needleDarkness (const juce::Image& image, float angle)
{
    float darkest = 255.0f;
    for (float r : { 95.0f, 105.0f, 115.0f })
    {
        const auto p = polarPoint (150.0f, 240.0f, r, angle);
        darkest = std::min (darkest, brightness (image.getPixelAt (p.x, p.y)));
    }
    return darkest;
}
} // namespace

TEST_F (Gui, MeterNeedleAngle)
{
    struct Case
    {
        float level, degrees;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = { { 0.0f, -40.0f },  { 1.0f, 16.738f }, { 1.41f, 40.0f }, { 0.5f, -11.63f },
                           { -0.3f, -40.0f }, { nan, -40.0f },   { 2.0f, 40.0f } };

    for (const auto& c : cases)
    {
        ZDQVuMeter meter;
        meter.peakHoldEnabled = false;
        meter.setLevel (c.level);
        EXPECT_NEAR (geo::meterAngleDegrees (c.level), c.degrees, 0.01f);
        const auto image = render (meter);
        const float angle = (float) (c.degrees * geo::pi / 180.0);
        EXPECT_LT (needleDarkness (image, angle), 60.0f) << c.level;
        EXPECT_GT (needleDarkness (image, angle + 0.12f), 120.0f) << c.level;
        EXPECT_GT (needleDarkness (image, angle - 0.12f), 120.0f) << c.level;
    }
}

TEST_F (Gui, MeterPeakNeedleColourAndThickness)
{
    // The peak is held at the value while the level moves away with peak hold off.
    auto renderPeak = [] (float peak)
    {
        ZDQVuMeter meter;
        meter.setLevel (peak);
        meter.peakHoldEnabled = false;
        meter.setLevel (0.0f);
        meter.peakHoldEnabled = true;
        EXPECT_EQ (meter.getPeakLevel(), peak);
        return render (meter);
    };

    auto redWidth = [] (const juce::Image& image, float angle, int& strongest)
    {
        // Walk across the needle direction at 110 px from the pivot.
        const float nx = std::cos (angle), ny = std::sin (angle);
        const auto centre = juce::Point<float> (150.0f + 110.0f * std::sin (angle), 240.0f - 110.0f * std::cos (angle));
        int count = 0;
        strongest = 0;
        for (float t = -4.0f; t <= 4.0f; t += 1.0f)
        {
            const auto c = image.getPixelAt (juce::roundToInt (centre.x + t * nx), juce::roundToInt (centre.y + t * ny));
            if (c.getRed() > c.getGreen() + 90 && c.getRed() > c.getBlue() + 90)
                ++count;
            strongest = std::max (strongest, (int) c.getRed() - (int) c.getGreen());
        }
        return count;
    };

    int strongest = 0;
    const auto full = renderPeak (1.0f);
    const int fullWidth = redWidth (full, geo::meterAngle (1.0f), strongest);
    EXPECT_GE (fullWidth, 3);
    EXPECT_GT (strongest, 220); // Colours::red
    const auto below = renderPeak (0.99f);
    const int belowWidth = redWidth (below, geo::meterAngle (0.99f), strongest);
    EXPECT_LE (belowWidth, 2);
    EXPECT_GE (belowWidth, 1);
    EXPECT_LT (strongest, 150); // Colours::darkred at most

    // A peak of 2.0 is still red (the colour test uses the unclamped value).
    renderPeak (2.0f);
    EXPECT_GE (redWidth (renderPeak (2.0f), geo::meterAngle (2.0f), strongest), 3);
}

TEST_F (Gui, MeterPeakHoldAndFall)
{
    ZDQVuMeter meter;
    meter.setLevel (1.0f);
    EXPECT_EQ (meter.getPeakLevel(), 1.0f);
    EXPECT_EQ (meter.getPeakFallStep(), 1e-6f);

    // Levels alternate between 0 and a tiny value so that every call counts.
    int calls = 0, below = 0, met = 0;
    while (met == 0 && calls < 1000)
    {
        const float level = (calls % 2 == 0) ? 0.0f : 1e-30f;
        meter.setLevel (level);
        ++calls;
        if (below == 0 && meter.getPeakLevel() < 0.5f)
            below = calls;
        if (meter.getPeakLevel() == level)
            met = calls;
        if (calls == 10)
        {
            EXPECT_NEAR (1.0f - meter.getPeakLevel(), 1.6e-5f, 0.1e-5f);
        }
        if (calls == 100)
        {
            EXPECT_NEAR (meter.getPeakLevel(), 0.86f, 0.01f);
        }
    }
    EXPECT_EQ (below, 114);
    EXPECT_EQ (met, 121);

    // A level equal to the held peak counts as a new peak.
    ZDQVuMeter equal;
    equal.setLevel (0.8f);
    equal.setLevel (0.5f);
    equal.setLevel (0.4f);
    const float held = equal.getPeakLevel();
    equal.setLevel (held);
    EXPECT_EQ (equal.getPeakFallStep(), 1e-6f);
}

TEST_F (Gui, MeterRepaintsOnlyOnChange)
{
    ZDQVuMeter meter;
    meter.setVisible (true);
    juce::RectangleList<int> areas;
    meter.setCachedComponentImage (new RepaintAreas (&areas));
    const auto redraws = [&] (float level)
    {
        areas.clear();
        meter.setLevel (level);
        return ! areas.isEmpty();
    };
    EXPECT_TRUE (redraws (0.5f));
    const float peak = meter.getPeakLevel(), step = meter.getPeakFallStep();
    EXPECT_FALSE (redraws (0.5f));
    EXPECT_EQ (meter.getPeakLevel(), peak);
    EXPECT_EQ (meter.getPeakFallStep(), step);
    EXPECT_TRUE (redraws (std::numeric_limits<float>::quiet_NaN()));
    EXPECT_TRUE (redraws (std::numeric_limits<float>::quiet_NaN()));

    // With peak hold off only the level changes.
    meter.peakHoldEnabled = false;
    meter.setLevel (0.9f);
    EXPECT_EQ (meter.getLevel(), 0.9f);
    EXPECT_EQ (meter.getPeakFallStep(), step * 1.1f * 1.1f);
    meter.setCachedComponentImage (nullptr);
}

// A moving needle redraws where the needles were and are, not the whole face:
// the pixels that change are inside the area asked for, and it is small. It
// asks for at most one rectangle per needle: each rectangle is a separate
// transfer to the window system.
TEST_F (Gui, MeterRedrawsOnlyWhereTheNeedlesMove)
{
    for (const bool peakHold : { true, false })
    {
        ZDQVuMeter meter;
        meter.peakHoldEnabled = peakHold;
        meter.setVisible (true);
        meter.setLevel (0.8f);
        for (float level = 0.75f; level > 0.3f; level -= 0.05f)
        {
            const auto before = meter.createComponentSnapshot (meter.getLocalBounds());
            juce::RectangleList<int> areas;
            meter.setCachedComponentImage (new RepaintAreas (&areas));
            areas.clear();
            meter.setLevel (level);
            meter.setCachedComponentImage (nullptr);
            const auto after = meter.createComponentSnapshot (meter.getLocalBounds());

            EXPECT_LE (areas.getNumRectangles(), peakHold ? 2 : 1) << level;
            areas.consolidate();
            int redrawn = 0;
            for (const auto& box : areas)
                redrawn += box.getWidth() * box.getHeight();
            EXPECT_GT (redrawn, 0) << level;
            EXPECT_LT (redrawn, 300 * 300 / 3) << level;
            for (int y = 0; y < 300; ++y)
                for (int x = 0; x < 300; ++x)
                {
                    if (before.getPixelAt (x, y) != after.getPixelAt (x, y))
                    {
                        ASSERT_TRUE (areas.containsPoint ({ x, y })) << level << " at " << x << ", " << y;
                    }
                }
        }
    }
}

//==============================================================================
// Pictures

namespace
{
struct PngInfo
{
    int width, height, bitDepth, colourType, interlace;
};

PngInfo pngInfo (const char* data, int size)
{
    auto byte = [&] (int i) { return i < size ? (int) (unsigned char) data[i] : -1; };
    auto be32 = [&] (int i) { return (byte (i) << 24) | (byte (i + 1) << 16) | (byte (i + 2) << 8) | byte (i + 3); };
    return { be32 (16), be32 (20), byte (24), byte (25), byte (28) };
}
} // namespace

TEST_F (Gui, PicturesFormatsAndSizes)
{
    struct Case
    {
        const char* name;
        const char* data;
        int size, width, height;
    };
    using namespace VantorilArtwork;
    const Case cases[] = {
        { "panel background", panel_background_png, panel_background_pngSize, 900, 300 },
        { "bypass overlay", bypass_overlay_png, bypass_overlay_pngSize, 91, 75 },
        { "meter face", meter_face_png, meter_face_pngSize, 300, 300 },
        { "meter glass", meter_glass_png, meter_glass_pngSize, 300, 300 },
        { "switch off", switch_off_png, switch_off_pngSize, 32, 32 },
        { "switch on", switch_on_png, switch_on_pngSize, 32, 32 },
        { "knob body", knob_body_png, knob_body_pngSize, 200, 200 },
        { "knob cap", knob_cap_png, knob_cap_pngSize, 600, 600 },
        { "knob pointer", knob_pointer_png, knob_pointer_pngSize, 200, 200 },
    };
    for (const auto& c : cases)
    {
        ASSERT_GT (c.size, 8) << c.name;
        EXPECT_EQ (std::memcmp (c.data, "\x89PNG\r\n\x1a\n", 8), 0) << c.name;
        const auto info = pngInfo (c.data, c.size);
        EXPECT_EQ (info.width, c.width) << c.name;
        EXPECT_EQ (info.height, c.height) << c.name;
        EXPECT_EQ (info.bitDepth, 8) << c.name;
        EXPECT_EQ (info.colourType, 6) << c.name;
        EXPECT_EQ (info.interlace, 0) << c.name;
        const auto image = juce::ImageCache::getFromMemory (c.data, c.size);
        EXPECT_EQ (image.getWidth(), c.width) << c.name;
    }

    // The cache hands the same decoded picture to every caller.
    EXPECT_EQ (art::knobCap().getPixelData(), art::knobCap().getPixelData());
}

TEST_F (Gui, PicturesAlphaWhereTheGeometryNeedsIt)
{
    auto alpha = [] (const juce::Image& image, int x, int y) { return (int) image.getPixelAt (x, y).getAlpha(); };

    const auto background = art::panelBackground();
    for (int y = 0; y < 300; y += 7)
        for (int x = 0; x < 900; x += 7)
            ASSERT_EQ (alpha (background, x, y), 255) << x << "," << y;
    const auto overlay = art::bypassOverlay();
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 91; ++x)
            ASSERT_EQ (alpha (overlay, x, y), 255);

    const auto face = art::meterFace();
    EXPECT_EQ (alpha (face, 1, 1), 0);
    EXPECT_EQ (alpha (face, 298, 2), 0);
    EXPECT_EQ (alpha (face, 150, 150), 255);
    EXPECT_EQ (alpha (face, 150, 290), 255);

    const auto glass = art::meterGlass();
    EXPECT_EQ (alpha (glass, 5, 5), 0);
    EXPECT_EQ (alpha (glass, 290, 150), 0);
    EXPECT_EQ (alpha (glass, 20, 150), 255); // bezel
    EXPECT_EQ (alpha (glass, 150, 280), 255);
    for (int y = 172; y < 284; y += 4) // opaque below the window on the centre line
        EXPECT_EQ (alpha (glass, 150, y), 255) << y;
    for (float degrees = -40.0f; degrees <= 40.0f; degrees += 5.0f)
    {
        const float a = (float) (degrees * geo::pi / 180.0);
        for (float r = 5.0f; r < 72.0f; r += 6.0f)
        {
            const auto p = polarPoint (150.0f, 240.0f, r, a);
            EXPECT_EQ (alpha (glass, p.x, p.y), 255) << degrees << " r " << r;
        }
        for (float r = 80.0f; r <= 150.0f; r += 7.0f)
        {
            const auto p = polarPoint (150.0f, 240.0f, r, a);
            EXPECT_LE (alpha (glass, p.x, p.y), 90) << degrees << " r " << r;
        }
    }

    for (const auto& sw : { art::switchOff(), art::switchOn() })
    {
        EXPECT_EQ (alpha (sw, 1, 1), 0);
        EXPECT_EQ (alpha (sw, 30, 16), 0);
        EXPECT_EQ (alpha (sw, 16, 14), 255);
    }
    // The slider: lower half when off, upper half when on.
    EXPECT_GT (brightness (art::switchOff().getPixelAt (16, 17)), brightness (art::switchOff().getPixelAt (16, 8)) + 40.0f);
    EXPECT_GT (brightness (art::switchOn().getPixelAt (16, 6)), brightness (art::switchOn().getPixelAt (16, 19)) + 40.0f);

    const auto body = art::knobBody();
    EXPECT_EQ (alpha (body, 2, 2), 0);
    EXPECT_EQ (alpha (body, 100, 100), 255);
    EXPECT_EQ (alpha (body, 100, 195), 0);
    for (int i = 0; i < 11; ++i)
    {
        const auto tick = polarPoint (100.0f, 100.0f, 77.0f, geo::knobAngle ((float) i / 10.0f));
        EXPECT_GT (brightness (body.getPixelAt (tick.x, tick.y)), 180.0f) << i;
        const auto between = polarPoint (100.0f, 100.0f, 77.0f, geo::knobAngle ((float) i / 10.0f + 0.05f));
        EXPECT_LT (brightness (body.getPixelAt (between.x, between.y)), 120.0f) << i;
    }

    const auto cap = art::knobCap();
    EXPECT_EQ (alpha (cap, 300, 300), 255);
    EXPECT_EQ (alpha (cap, 300, 103), 255);
    EXPECT_EQ (alpha (cap, 300, 97), 0);
    EXPECT_EQ (alpha (cap, 101, 101), 0);

    const auto pointer = art::knobPointer();
    for (int y = 33; y <= 70; ++y)
        for (int x = 97; x <= 102; ++x)
            ASSERT_TRUE (isWhite (pointer.getPixelAt (x, y)) && alpha (pointer, x, y) == 255) << x << "," << y;
    EXPECT_EQ (alpha (pointer, 96, 50), 0);
    EXPECT_EQ (alpha (pointer, 103, 50), 0);
    EXPECT_EQ (alpha (pointer, 100, 32), 0);
    EXPECT_EQ (alpha (pointer, 100, 71), 0);
}

TEST_F (Gui, BackgroundMarksKnobCentresAndOverlayMatchesIt)
{
    const auto background = art::panelBackground();
    for (const auto& knob : vantoril::layout::largeKnobs)
    {
        const auto c = background.getPixelAt (knob.centreX(), knob.centreY());
        EXPECT_GT (c.getBlue(), 200) << knob.x;
        EXPECT_LT (c.getRed(), 120) << knob.x;
        const auto arm = background.getPixelAt (knob.centreX() + 5, knob.centreY());
        EXPECT_GT (arm.getBlue(), 200) << knob.x;
    }

    // The overlay is the background's area except around the lever and the lamp.
    const auto overlay = art::bypassOverlay();
    const auto b = vantoril::layout::bypassButton;
    int differing = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
        {
            const int px = b.x + x, py = b.y + y;
            const bool nearLever = std::abs (px - 840) <= 12 && py >= 118 && py <= 190; // lever and its shadow
            const bool nearLamp = juce::square (px - 875) + juce::square (py - 152) <= 18 * 18;
            if (overlay.getPixelAt (x, y) != background.getPixelAt (px, py))
            {
                ++differing;
                EXPECT_TRUE (nearLever || nearLamp) << px << "," << py;
            }
        }
    EXPECT_GT (differing, 100);
}

TEST_F (Gui, MeterFaceMarksLineUpWithTheNeedle)
{
    const auto face = art::meterFace();
    auto isRedInk = [] (Colour c) { return c.getRed() > 150 && c.getGreen() < 90 && c.getBlue() < 90; };
    for (float level : { 1.0f, 1.41f })
    {
        const float a = geo::meterAngle (level);
        bool markFound = false;
        for (float r = 134.0f; r < 145.0f; r += 1.0f)
        {
            const auto p = polarPoint (150.0f, 240.0f, r, a);
            markFound = markFound || isRedInk (face.getPixelAt (p.x, p.y));
        }
        EXPECT_TRUE (markFound) << level;
    }
    // -20 dB (0.1) has a dark mark on the scale.
    const auto p = polarPoint (150.0f, 240.0f, 140.0f, geo::meterAngle (0.1f));
    EXPECT_LT (brightness (face.getPixelAt (p.x, p.y)), 100.0f);
}

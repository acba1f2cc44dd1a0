// Draws the editor's nine pictures and writes them as PNG files (8-bit RGBA).
// Deterministic: all texture noise comes from fixed seeds. Run through the
// "artwork" build target; the PNGs are committed under resources/.
//
// Geometry comes from the same constants the widgets and the panel use, so that
// scales, crosses and the bypass overlay line up with what the code draws.
#include "controls/WidgetGeometry.h"
#include "editor/PanelLayout.h"

#include <juce_graphics/juce_graphics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace juce;
namespace geo = vantoril::geometry;
namespace lay = vantoril::layout;

namespace
{
//==============================================================================
// Resolution. The drawing code works in logical pixels (the sizes the widgets
// show); pixelScale is how many picture pixels each has: 1 for the pictures
// shown at normal size, 2 for their versions for scaled-up (HiDPI) displays.

int pixelScale = 1;

// A picture of the logical size at the current resolution.
Image newPicture (int width, int height, bool clear)
{
    return Image (Image::ARGB, width * pixelScale, height * pixelScale, clear);
}

// A context that draws into a picture from newPicture in logical pixels.
void useLogicalPixels (Graphics& g)
{
    if (pixelScale != 1)
        g.addTransform (AffineTransform::scale ((float) pixelScale));
}

// Draws a picture made at the current resolution with its top left at a logical position.
void drawPicture (Graphics& g, const Image& picture, int x, int y)
{
    if (pixelScale == 1)
        g.drawImageAt (picture, x, y);
    else
        g.drawImageTransformed (picture, AffineTransform::scale (1.0f / (float) pixelScale).translated ((float) x, (float) y));
}

//==============================================================================
// Deterministic noise

struct Random32
{
    explicit Random32 (uint32 seed) : state (seed * 2654435761u + 1u) {}
    float next() // 0..1
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (float) (state & 0xffffff) / (float) 0xffffff;
    }
    uint32 state;
};

// Long horizontal streaks: white noise per row, box-blurred along the row, with
// a per-row gain. Returns values around 0 (roughly -1..1).
std::vector<float> streakField (int width, int height, uint32 seed, int blur)
{
    Random32 random (seed);
    std::vector<float> field ((size_t) (width * height));
    std::vector<float> row ((size_t) width);
    for (int y = 0; y < height; ++y)
    {
        for (auto& v : row)
            v = random.next() - 0.5f;
        const float rowGain = 0.6f + 0.8f * random.next();
        const float rowOffset = (random.next() - 0.5f) * 0.35f;
        float sum = 0.0f;
        for (int i = -blur; i <= blur; ++i)
            sum += row[(size_t) ((i + width) % width)];
        for (int x = 0; x < width; ++x)
        {
            field[(size_t) (y * width + x)] = (sum / (float) (2 * blur + 1)) * 3.2f * rowGain + rowOffset;
            sum += row[(size_t) ((x + blur + 1) % width)] - row[(size_t) ((x - blur + width) % width)];
        }
    }
    return field;
}

Colour shade (Colour base, float amount) // amount -1..1: darker..lighter
{
    return amount >= 0.0f ? base.interpolatedWith (Colours::white, jmin (1.0f, amount))
                          : base.interpolatedWith (Colours::black, jmin (1.0f, -amount));
}

// Brushed metal with horizontal grain and a broad, soft anisotropic highlight.
Image brushedMetal (int logicalWidth, int logicalHeight, Colour base, float grain, float sheen, uint32 seed)
{
    Image image = newPicture (logicalWidth, logicalHeight, false);
    const int width = image.getWidth(), height = image.getHeight();
    const auto coarse = streakField (width, height, seed, 40 * pixelScale);
    const auto fine = streakField (width, height, seed + 17, 6 * pixelScale);
    Random32 random (seed + 99);
    Image::BitmapData data (image, Image::BitmapData::writeOnly);
    for (int y = 0; y < height; ++y)
    {
        const float fy = (float) y / (float) height;
        const float band =
            std::exp (-std::pow ((fy - 0.28f) / 0.22f, 2.0f)) - 0.35f * std::exp (-std::pow ((fy - 0.8f) / 0.25f, 2.0f));
        for (int x = 0; x < width; ++x)
        {
            const float fx = (float) x / (float) width;
            const size_t i = (size_t) (y * width + x);
            const float streak = coarse[i] * 0.6f + fine[i] * 0.4f + (random.next() - 0.5f) * 0.25f;
            const float highlight = sheen * band * (0.75f + 0.25f * std::cos (fx * 6.2831853f * 1.3f + 0.8f));
            data.setPixelColour (x, y, shade (base, streak * grain + highlight));
        }
    }
    return image;
}

// Lathe-turned metal: concentric grooves and the conical highlights they catch.
Image turnedMetal (int logicalSize, Colour base, float grain, float sheen, uint32 seed)
{
    Image image = newPicture (logicalSize, logicalSize, false);
    const int size = image.getWidth();
    Random32 random (seed);
    std::vector<float> grooves ((size_t) logicalSize * 4);
    for (auto& g : grooves)
        g = random.next() - 0.5f;
    // Smooth the grooves a little so they read as fine rings, not noise.
    std::vector<float> rings (grooves.size());
    for (size_t i = 0; i < grooves.size(); ++i)
        rings[i] = 0.5f * grooves[i] + 0.25f * grooves[(i + 1) % grooves.size()] +
            0.25f * grooves[(i + grooves.size() - 1) % grooves.size()];

    const float centre = (float) size * 0.5f;
    Image::BitmapData data (image, Image::BitmapData::writeOnly);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const float dx = (float) x + 0.5f - centre, dy = (float) y + 0.5f - centre;
            const float r = std::sqrt (dx * dx + dy * dy);
            const float theta = std::atan2 (dy, dx);
            const float ring = rings[(size_t) jmin ((int) (r * 2.0f / (float) pixelScale), (int) rings.size() - 1)];
            const float cone = 0.55f * std::pow (std::abs (std::cos (theta + 0.6f)), 6.0f) -
                0.25f * std::pow (std::abs (std::sin (theta + 0.6f)), 3.0f);
            const float dome = -0.18f * (dx + dy) / (float) size;
            data.setPixelColour (x, y, shade (base, ring * grain + cone * sheen + dome));
        }
    return image;
}

void fillWithImage (Graphics& g, const Path& shape, const Image& texture, Point<int> origin = {})
{
    Graphics::ScopedSaveState state (g);
    g.reduceClipRegion (shape);
    drawPicture (g, texture, origin.x, origin.y);
}

Path circle (float cx, float cy, float r)
{
    Path p;
    p.addEllipse (cx - r, cy - r, 2.0f * r, 2.0f * r);
    return p;
}

// A soft round shadow: black at the given alpha inside r0, fading to 0 at r1.
void softShadow (Graphics& g, float cx, float cy, float r0, float r1, float alpha)
{
    ColourGradient gradient (Colours::black.withAlpha (alpha), cx, cy, Colours::transparentBlack, cx + r1, cy, true);
    gradient.addColour (jlimit (0.0, 1.0, (double) (r0 / r1)), Colours::black.withAlpha (alpha));
    gradient.addColour (jlimit (0.0, 1.0, (double) ((r0 + (r1 - r0) * 0.45f) / r1)), Colours::black.withAlpha (alpha * 0.35f));
    g.setGradientFill (gradient);
    g.fillEllipse (cx - r1, cy - r1, 2.0f * r1, 2.0f * r1);
}

Font font (float height, bool bold, const String& name = "DejaVu Sans")
{
    return Font (name, height, bold ? Font::bold : Font::plain);
}

void drawSpacedText (Graphics& g, const String& text, Font f, float spacing, Rectangle<float> area, Colour colour,
                     Justification justification = Justification::centred)
{
    g.setColour (colour);
    g.setFont (f.withExtraKerningFactor (spacing));
    g.drawText (text, area, justification, false);
}

// Engraved text: a dark line above and a light line below the text itself.
void drawEngraved (Graphics& g, const String& text, Font f, float spacing, Rectangle<float> area, Colour colour,
                   Justification justification = Justification::centred)
{
    drawSpacedText (g, text, f, spacing, area.translated (0.0f, -0.8f), Colours::black.withAlpha (0.55f), justification);
    drawSpacedText (g, text, f, spacing, area.translated (0.0f, 0.8f), Colours::white.withAlpha (0.12f), justification);
    drawSpacedText (g, text, f, spacing, area, colour, justification);
}

// A slotted screw head with its own shadow, rotated by angle radians.
void drawScrew (Graphics& g, float cx, float cy, float r, float angle)
{
    softShadow (g, cx + 0.6f, cy + 1.2f, r * 0.9f, r * 1.55f, 0.6f);
    ColourGradient body (Colour (0xffd9dbdf), cx - r * 0.5f, cy - r * 0.6f, Colour (0xff55585e), cx + r * 0.7f, cy + r * 0.8f,
                         false);
    g.setGradientFill (body);
    g.fillEllipse (cx - r, cy - r, 2 * r, 2 * r);
    g.setColour (Colour (0xff26282c));
    g.drawEllipse (cx - r, cy - r, 2 * r, 2 * r, 0.8f);
    Path slot;
    slot.addRoundedRectangle (-r * 0.78f, -r * 0.16f, r * 1.56f, r * 0.32f, r * 0.12f);
    slot.applyTransform (AffineTransform::rotation (angle).translated (cx, cy));
    g.setColour (Colour (0xff1a1b1e));
    g.fillPath (slot);
    g.setColour (Colours::white.withAlpha (0.25f));
    g.strokePath (slot, PathStrokeType (0.5f), AffineTransform::translation (0.0f, 0.6f));
}

// A plate with rounded corners: textured face, light upper-left and dark
// lower-right bevel, and a shadow onto what lies below.
void drawPlate (Graphics& g, Rectangle<float> area, float corner, const Image& texture, float shadowAlpha)
{
    for (int i = 4; i >= 1; --i)
    {
        g.setColour (Colours::black.withAlpha (shadowAlpha / (float) (i + 1)));
        g.fillRoundedRectangle (area.expanded ((float) i * 0.8f).translated (0.0f, (float) i * 0.7f), corner + (float) i);
    }
    Path face;
    face.addRoundedRectangle (area, corner);
    fillWithImage (g, face, texture);

    ColourGradient bevel (Colours::white.withAlpha (0.35f), area.getX(), area.getY(), Colours::black.withAlpha (0.6f),
                          area.getRight(), area.getBottom(), false);
    bevel.addColour (0.5, Colours::white.withAlpha (0.04f));
    g.setGradientFill (bevel);
    g.strokePath (face, PathStrokeType (1.6f));
    g.setColour (Colours::black.withAlpha (0.7f));
    g.drawRoundedRectangle (area.expanded (0.8f), corner + 0.8f, 0.8f);
}

// A knob's seat in the panel: a soft dark recess with a lit lower lip.
void drawRecess (Graphics& g, float cx, float cy, float radius)
{
    softShadow (g, cx, cy + 1.0f, radius * 0.82f, radius * 1.22f, 0.55f);
    ColourGradient well (Colour (0xff131417), cx, cy - radius, Colour (0xff2c2e33), cx, cy + radius, false);
    g.setGradientFill (well);
    g.fillEllipse (cx - radius, cy - radius, 2 * radius, 2 * radius);
    ColourGradient lip (Colours::black.withAlpha (0.8f), cx, cy - radius, Colours::white.withAlpha (0.22f), cx, cy + radius,
                        false);
    g.setGradientFill (lip);
    g.drawEllipse (cx - radius, cy - radius, 2 * radius, 2 * radius, 1.3f);
}

void drawBlueCross (Graphics& g, int cx, int cy)
{
    g.setColour (Colour (0xff2f80ff));
    g.fillRect (cx - 6, cy - 1, 13, 2);
    g.fillRect (cx - 1, cy - 6, 2, 13);
}

//==============================================================================
// Panel background and bypass overlay

constexpr float toggleX = 840.0f, toggleY = 150.0f;
constexpr float lampX = 875.0f, lampY = 152.0f;

void drawToggle (Graphics& g, bool thrown)
{
    // Hex nut.
    softShadow (g, toggleX + 0.5f, toggleY + 2.0f, 8.0f, 14.0f, 0.6f);
    Path nut;
    nut.addPolygon ({ toggleX, toggleY }, 6, 9.5f, 0.0f);
    ColourGradient nutFill (Colour (0xffe9ebee), toggleX - 6, toggleY - 7, Colour (0xff5c6067), toggleX + 7, toggleY + 8, false);
    g.setGradientFill (nutFill);
    g.fillPath (nut);
    g.setColour (Colour (0xff2a2c30));
    g.strokePath (nut, PathStrokeType (0.8f));
    g.setColour (Colour (0xff202226));
    g.fillEllipse (toggleX - 5.0f, toggleY - 5.0f, 10.0f, 10.0f);

    // Bat handle from the nut towards the lever's end, with a ball tip.
    const float endY = thrown ? toggleY - 21.0f : toggleY + 21.0f;
    const float dir = thrown ? -1.0f : 1.0f;
    softShadow (g, toggleX + 2.5f, endY + 3.0f * dir + 3.0f, 3.5f, 8.0f, 0.55f);
    Path lever;
    lever.startNewSubPath (toggleX - 2.6f, toggleY);
    lever.lineTo (toggleX - 3.6f, endY);
    lever.lineTo (toggleX + 3.6f, endY);
    lever.lineTo (toggleX + 2.6f, toggleY);
    lever.closeSubPath();
    ColourGradient chrome (Colour (0xff6d7178), toggleX - 3.6f, 0.0f, Colour (0xff3c3f45), toggleX + 3.6f, 0.0f, false);
    chrome.addColour (0.32, Colour (0xfff4f6f8));
    chrome.addColour (0.55, Colour (0xffa9adb3));
    g.setGradientFill (chrome);
    g.fillPath (lever);
    ColourGradient ball (Colours::white, toggleX - 2.0f, endY - 2.0f, Colour (0xff4a4d53), toggleX + 4.0f, endY + 4.0f, true);
    g.setGradientFill (ball);
    g.fillEllipse (toggleX - 4.6f, endY - 4.6f, 9.2f, 9.2f);
    g.setColour (Colours::black.withAlpha (0.5f));
    g.drawEllipse (toggleX - 4.6f, endY - 4.6f, 9.2f, 9.2f, 0.6f);
}

void drawLamp (Graphics& g, bool lit)
{
    if (lit)
    {
        ColourGradient glow (Colour (0xffff3020).withAlpha (0.55f), lampX, lampY, Colours::transparentBlack, lampX + 17.0f, lampY,
                             true);
        g.setGradientFill (glow);
        g.fillEllipse (lampX - 17.0f, lampY - 17.0f, 34.0f, 34.0f);
    }
    // Chrome bezel.
    softShadow (g, lampX + 0.5f, lampY + 1.5f, 8.5f, 12.5f, 0.55f);
    ColourGradient bezel (Colour (0xffeef0f2), lampX - 6, lampY - 8, Colour (0xff4d5056), lampX + 6, lampY + 8, false);
    g.setGradientFill (bezel);
    g.fillEllipse (lampX - 9.0f, lampY - 9.0f, 18.0f, 18.0f);
    g.setColour (Colour (0xff1d1e21));
    g.fillEllipse (lampX - 6.6f, lampY - 6.6f, 13.2f, 13.2f);

    // The jewel.
    ColourGradient jewel (lit ? Colour (0xffffd2c8) : Colour (0xff8a2a24), lampX - 1.8f, lampY - 2.2f,
                          lit ? Colour (0xffd01008) : Colour (0xff2a0706), lampX + 5.5f, lampY + 5.5f, true);
    jewel.addColour (0.35, lit ? Colour (0xffff3a26) : Colour (0xff5a1410));
    g.setGradientFill (jewel);
    g.fillEllipse (lampX - 5.8f, lampY - 5.8f, 11.6f, 11.6f);
    g.setColour (Colours::white.withAlpha (lit ? 0.8f : 0.45f));
    g.fillEllipse (lampX - 3.4f, lampY - 3.9f, 2.6f, 1.8f);
}

void drawLogo (Graphics& g, Rectangle<float> area)
{
    // A "V" badge whose right stroke bends like a compressor's knee, above the wordmark.
    const float cx = area.getCentreX();
    const auto badge = Rectangle<float> (cx - 16.0f, area.getY() + 1.0f, 32.0f, 32.0f);
    ColourGradient disc (Colour (0xff2b2d32), badge.getX(), badge.getY(), Colour (0xff0e0f11), badge.getRight(),
                         badge.getBottom(), false);
    g.setGradientFill (disc);
    g.fillEllipse (badge);
    g.setColour (Colours::white.withAlpha (0.35f));
    g.drawEllipse (badge.reduced (0.6f), 1.0f);

    Path mark;
    mark.startNewSubPath (cx - 9.5f, badge.getY() + 9.0f);
    mark.lineTo (cx, badge.getY() + 24.0f);
    mark.lineTo (cx + 4.5f, badge.getY() + 14.0f);
    mark.quadraticTo (cx + 6.5f, badge.getY() + 9.5f, cx + 10.5f, badge.getY() + 8.5f);
    ColourGradient accent (Colour (0xffffb25a), cx - 10.0f, badge.getY(), Colour (0xffe3462d), cx + 10.0f, badge.getBottom(),
                           false);
    g.setGradientFill (accent);
    g.strokePath (mark, PathStrokeType (3.0f, PathStrokeType::curved, PathStrokeType::rounded));

    drawEngraved (g, "VANTORIL", font (11.0f, true), 0.16f, { area.getX(), badge.getBottom() + 3.0f, area.getWidth(), 13.0f },
                  Colour (0xff1e2024));
    drawEngraved (g, "ZAZUZIZA", font (7.0f, true), 0.25f, { area.getX(), badge.getBottom() + 15.0f, area.getWidth(), 8.0f },
                  Colour (0xff3a3d42));
}

Image drawPanel (bool bypassLit)
{
    Image image = newPicture (lay::panelWidth, lay::panelHeight, true);
    Graphics g (image);
    useLogicalPixels (g);

    const auto chassis = brushedMetal (900, 300, Colour (0xff16171a), 0.10f, 0.02f, 3);
    drawPicture (g, chassis, 0, 0);

    const auto darkMetal = brushedMetal (900, 300, Colour (0xff3b3d42), 0.30f, 0.10f, 11);
    const auto bayMetal = brushedMetal (900, 300, Colour (0xff26272b), 0.16f, 0.05f, 23);
    const auto lightMetal = brushedMetal (900, 300, Colour (0xff9b9ea4), 0.28f, 0.16f, 37);

    drawPlate (g, { 4.0f, 4.0f, 293.0f, 292.0f }, 11.0f, darkMetal, 0.7f);
    drawPlate (g, { 303.0f, 4.0f, 294.0f, 292.0f }, 11.0f, bayMetal, 0.7f);
    drawPlate (g, { 603.0f, 4.0f, 293.0f, 292.0f }, 11.0f, darkMetal, 0.7f);

    // Screws near the corners of the two outer plates.
    const float screwInset = 11.0f;
    float angle = 0.3f;
    // The lower screws next to the meter would sit under the switch captions.
    for (float left : { 4.0f, 603.0f })
        for (float sy : { 4.0f + screwInset, 296.0f - screwInset })
            for (float sx : { left + screwInset, left + 293.0f - screwInset })
                if (! (sy > 150.0f && std::abs (sx - 450.0f) < 200.0f))
                    drawScrew (g, sx, sy, 4.6f, angle += 0.9f);

    // End plates: logo on the left, bypass toggle and lamp on the right.
    drawPlate (g, { 10.0f, 110.0f, 84.0f, 72.0f }, 6.0f, lightMetal, 0.6f);
    drawLogo (g, { 10.0f, 119.0f, 84.0f, 60.0f });
    drawPlate (g, { 806.0f, 112.0f, 86.0f, 66.0f }, 6.0f, lightMetal, 0.6f);
    drawEngraved (g, "BYPASS", font (7.5f, true), 0.22f, { 806.0f, 114.5f, 68.0f, 9.0f }, Colour (0xff141517));
    drawToggle (g, bypassLit);
    drawLamp (g, bypassLit);

    // Knob seats with their centre marks, and captions for the large knobs.
    for (const auto& knob : lay::largeKnobs)
    {
        const float cx = (float) knob.x + (float) knob.width * 0.5f, cy = (float) knob.y + (float) knob.height * 0.5f;
        drawRecess (g, cx, cy, (float) knob.width * 0.48f);
        drawBlueCross (g, knob.centreX(), knob.centreY());
    }
    for (const auto& knob : lay::smallKnobs)
        drawRecess (g, (float) knob.x + (float) knob.width * 0.5f, (float) knob.y + (float) knob.height * 0.5f,
                    (float) knob.width * 0.5f);

    const Colour captionColour (0xffcfd1d5);
    const Font captionFont = font (11.0f, true);
    auto caption = [&] (const String& text, const lay::Bounds& knob, float y) {
        drawEngraved (g, text, captionFont, 0.18f, { (float) knob.x - 20.0f, y, (float) knob.width + 40.0f, 14.0f },
                      captionColour);
    };
    caption ("ATTACK", lay::attackKnob, 11.0f);
    caption ("RELEASE", lay::releaseKnob, 11.0f);
    caption ("RATIO", lay::ratioKnob, 11.0f);
    caption ("DRIVE", lay::driveKnob, 11.0f);
    caption ("THRESHOLD", lay::thresholdKnob, 139.0f);
    caption ("LEVEL", lay::levelKnob, 139.0f);

    // Slots behind the two slide switches.
    for (const auto& sw : { lay::kneeSwitch, lay::meterModeSwitch })
    {
        const Rectangle<float> slot ((float) sw.x + 10.0f, (float) sw.y + 2.0f, 14.0f, 28.0f);
        g.setColour (Colours::black.withAlpha (0.45f));
        g.fillRoundedRectangle (slot.expanded (1.5f), 4.0f);
        g.setColour (Colours::white.withAlpha (0.10f));
        g.drawRoundedRectangle (slot.expanded (1.5f).translated (0.0f, 0.8f), 4.0f, 0.8f);
    }
    return image;
}

//==============================================================================
// Meter face and glass

const float pivotX = geo::meterPivotX, pivotY = geo::meterPivotY;

Point<float> polar (float radius, float angleRadians)
{
    return { pivotX + radius * std::sin (angleRadians), pivotY - radius * std::cos (angleRadians) };
}

float angleForDb (float db) { return geo::meterAngle (std::pow (10.0f, db / 20.0f)); }

Path meterArch (Rectangle<float> box)
{
    // Straight sides with a round top.
    const float radius = box.getWidth() * 0.5f;
    Path p;
    p.startNewSubPath (box.getX(), box.getBottom() - 8.0f);
    p.lineTo (box.getX(), box.getY() + radius * 0.62f);
    p.cubicTo (box.getX(), box.getY() + radius * 0.12f, box.getCentreX() - radius * 0.55f, box.getY(), box.getCentreX(),
               box.getY());
    p.cubicTo (box.getCentreX() + radius * 0.55f, box.getY(), box.getRight(), box.getY() + radius * 0.12f, box.getRight(),
               box.getY() + radius * 0.62f);
    p.lineTo (box.getRight(), box.getBottom() - 8.0f);
    p.quadraticTo (box.getRight(), box.getBottom(), box.getRight() - 8.0f, box.getBottom());
    p.lineTo (box.getX() + 8.0f, box.getBottom());
    p.quadraticTo (box.getX(), box.getBottom(), box.getX(), box.getBottom() - 8.0f);
    p.closeSubPath();
    return p;
}

Image drawMeterFace()
{
    Image image = newPicture (300, 300, true);
    Graphics g (image);
    useLogicalPixels (g);

    // Frame plate in the arch's shape, then the cream dial inside it.
    const Rectangle<float> box (4.0f, 5.0f, 293.0f, 294.0f);
    const auto frame = meterArch (box);
    fillWithImage (g, frame, brushedMetal (300, 300, Colour (0xff2f3034), 0.2f, 0.08f, 51));
    g.setColour (Colours::white.withAlpha (0.22f));
    g.strokePath (frame, PathStrokeType (1.2f), AffineTransform::translation (0.0f, 0.6f));
    g.setColour (Colours::black.withAlpha (0.8f));
    g.strokePath (frame, PathStrokeType (0.8f));

    const auto dial = meterArch (box.reduced (12.0f));
    ColourGradient cream (Colour (0xfff6ecd0), 150.0f, 60.0f, Colour (0xffdccba0), 150.0f, 270.0f, false);
    cream.addColour (0.55, Colour (0xffefe2bd));
    g.setGradientFill (cream);
    g.fillPath (dial);
    {
        // A little paper texture.
        Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (dial);
        Random32 random (77);
        for (int i = 0; i < 5000; ++i)
        {
            const float x = random.next() * 300.0f, y = random.next() * 300.0f;
            g.setColour ((random.next() > 0.5f ? Colours::white : Colour (0xff8a6a30)).withAlpha (0.05f));
            g.fillRect (x, y, 1.0f, 1.0f);
        }
        ColourGradient vignette (Colours::transparentBlack, 150.0f, 150.0f, Colour (0xff6a4a10).withAlpha (0.28f), 20.0f, 20.0f,
                                 true);
        g.setGradientFill (vignette);
        g.fillPath (dial);
    }

    const Colour ink (0xff1d1a16);
    const Colour red (0xffc8281e);
    const float arcRadius = 134.0f;

    // The scale line and the red band from 0 dB to +3 dB.
    Path scale;
    scale.addCentredArc (pivotX, pivotY, arcRadius, arcRadius, 0.0f, angleForDb (-50.0f), angleForDb (3.0f), true);
    g.setColour (ink);
    g.strokePath (scale, PathStrokeType (1.2f));
    Path band;
    band.addCentredArc (pivotX, pivotY, arcRadius + 3.5f, arcRadius + 3.5f, 0.0f, angleForDb (0.0f), angleForDb (3.0f), true);
    g.setColour (red);
    g.strokePath (band, PathStrokeType (6.0f, PathStrokeType::mitered, PathStrokeType::butt));

    struct Mark
    {
        float db;
        const char* label;
    };
    const Mark marks[] = { { -50, "-50" }, { -20, "-20" }, { -10, "-10" }, { -7, "-7" }, { -5, "-5" }, { -3, "-3" },
                           { -2, "-2" },   { -1, "-1" },   { 0, "0" },     { 1, "+1" },  { 2, "+2" },  { 3, "+3" } };
    const float minorMarks[] = { -40, -30, -15, -12, -8.5f, -6, -4, -2.5f, -1.5f, -0.5f, 0.5f, 1.5f, 2.5f };

    for (float db : minorMarks)
    {
        const float a = angleForDb (db);
        g.setColour (db >= 0.0f ? red : ink);
        g.drawLine (Line<float> (polar (arcRadius, a), polar (arcRadius + 6.0f, a)), 1.0f);
    }

    for (const auto& mark : marks)
    {
        const float a = angleForDb (mark.db);
        g.setColour (mark.db >= 0.0f ? red : ink);
        g.drawLine (Line<float> (polar (arcRadius - 2.0f, a), polar (arcRadius + 11.0f, a)), mark.db == 0.0f ? 2.2f : 1.6f);

        // Labels stand upright along the radius; the crowded low end alternates radii.
        const bool inner = mark.db == -50.0f;
        const float labelRadius = inner ? arcRadius - 12.0f : arcRadius + 20.0f;
        const auto centre = polar (labelRadius, a);
        Graphics::ScopedSaveState state (g);
        g.addTransform (AffineTransform::rotation (a, centre.x, centre.y));
        g.setColour (mark.db >= 0.0f ? red : ink);
        g.setFont (font (mark.db == 0.0f ? 12.0f : 10.5f, true, "DejaVu Sans Condensed"));
        g.drawText (mark.label, Rectangle<float> (centre.x - 14.0f, centre.y - 7.0f, 28.0f, 14.0f), Justification::centred,
                    false);
    }

    g.setColour (ink);
    g.setFont (font (15.0f, true));
    g.drawText ("dB", Rectangle<float> (120.0f, 122.0f, 60.0f, 20.0f), Justification::centred, false);
    g.setColour (ink.withAlpha (0.55f));
    drawSpacedText (g, "VANTORIL", font (7.0f, true), 0.4f, { 100.0f, 143.0f, 100.0f, 10.0f }, ink.withAlpha (0.55f));

    // Screw heads at the plate's lower corners.
    drawScrew (g, 10.5f, 291.5f, 3.6f, 0.7f);
    drawScrew (g, 289.5f, 291.5f, 3.6f, 2.1f);
    return image;
}

Path meterWindow()
{
    Path window;
    window.addRoundedRectangle (29.0f, 29.0f, 242.0f, 188.0f, 14.0f);
    Path hood;
    hood.addEllipse (pivotX - 76.0f, pivotY - 76.0f, 152.0f, 152.0f);
    window.setUsingNonZeroWinding (false);
    window.addPath (hood); // even-odd: the hood is cut out of the window
    return window;
}

Image drawMeterGlass()
{
    Image image = newPicture (300, 300, true);
    Graphics g (image);
    useLogicalPixels (g);

    // Opaque bezel with the window cut out.
    Path bezel;
    bezel.addRoundedRectangle (15.0f, 15.0f, 270.0f, 270.0f, 20.0f);
    const auto window = meterWindow();
    Path bezelWithHole = bezel;
    bezelWithHole.setUsingNonZeroWinding (false);
    Path windowOnly;
    windowOnly.addRoundedRectangle (29.0f, 29.0f, 242.0f, 188.0f, 14.0f);
    Path hood;
    hood.addEllipse (pivotX - 76.0f, pivotY - 76.0f, 152.0f, 152.0f);
    {
        Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (bezel);
        g.excludeClipRegion ({ 0, 0, 0, 0 });
        Image bezelImage = newPicture (300, 300, true);
        {
            Graphics b (bezelImage);
            useLogicalPixels (b);
            ColourGradient black (Colour (0xff2a2b2f), 40.0f, 20.0f, Colour (0xff050506), 260.0f, 290.0f, false);
            b.setGradientFill (black);
            b.fillPath (bezel);
            // Hood over the pivot, a touch lighter, with a fine edge highlight.
            ColourGradient hoodFill (Colour (0xff222327), pivotX, pivotY - 76.0f, Colour (0xff09090a), pivotX, pivotY + 40.0f,
                                     false);
            b.setGradientFill (hoodFill);
            b.fillPath (hood);
            b.setColour (Colours::white.withAlpha (0.22f));
            Path hoodEdge;
            hoodEdge.addCentredArc (pivotX, pivotY, 76.0f, 76.0f, 0.0f, -1.25f, 1.25f, true);
            b.strokePath (hoodEdge, PathStrokeType (1.0f));
            drawSpacedText (b, "GAIN  /  PEAK", font (7.5f, true), 0.3f, { 90.0f, 236.0f, 120.0f, 10.0f }, Colour (0xff8d9096));
        }
        // Cut the window out of the black.
        Image mask = newPicture (300, 300, true);
        {
            Graphics m (mask);
            useLogicalPixels (m);
            m.setColour (Colours::white);
            m.fillPath (windowOnly);
            m.setColour (Colours::transparentBlack);
        }
        Image::BitmapData bezelData (bezelImage, Image::BitmapData::readWrite);
        Image::BitmapData maskData (mask, Image::BitmapData::readOnly);
        // The hood stays opaque inside the window.
        Image hoodMask = newPicture (300, 300, true);
        {
            Graphics h (hoodMask);
            useLogicalPixels (h);
            h.setColour (Colours::white);
            h.fillPath (hood);
        }
        Image::BitmapData hoodData (hoodMask, Image::BitmapData::readOnly);
        for (int y = 0; y < bezelImage.getHeight(); ++y)
            for (int x = 0; x < bezelImage.getWidth(); ++x)
            {
                const float inWindow = maskData.getPixelColour (x, y).getFloatAlpha();
                const float inHood = hoodData.getPixelColour (x, y).getFloatAlpha();
                const float keep = 1.0f - inWindow * (1.0f - inHood);
                const auto c = bezelData.getPixelColour (x, y);
                bezelData.setPixelColour (x, y, c.withMultipliedAlpha (keep));
            }
        drawPicture (g, bezelImage, 0, 0);
    }

    // Rim highlights of the bezel.
    g.setColour (Colours::white.withAlpha (0.18f));
    g.drawRoundedRectangle (15.5f, 15.5f, 269.0f, 269.0f, 20.0f, 1.0f);
    g.setColour (Colours::black.withAlpha (0.6f));
    g.drawRoundedRectangle (28.5f, 28.5f, 243.0f, 189.0f, 14.0f, 1.0f);

    // Inner shadow along the window's upper edge and a faint reflection.
    {
        Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (window);
        ColourGradient topShade (Colours::black.withAlpha (0.30f), 0.0f, 29.0f, Colours::transparentBlack, 0.0f, 44.0f, false);
        g.setGradientFill (topShade);
        g.fillRect (29, 29, 242, 16);
        Path glare;
        glare.startNewSubPath (29.0f, 29.0f);
        glare.lineTo (200.0f, 29.0f);
        glare.quadraticTo (120.0f, 70.0f, 29.0f, 150.0f);
        glare.closeSubPath();
        ColourGradient shine (Colours::white.withAlpha (0.31f), 40.0f, 35.0f, Colours::white.withAlpha (0.0f), 120.0f, 110.0f,
                              false);
        g.setGradientFill (shine);
        g.fillPath (glare);
        ColourGradient streak (Colours::white.withAlpha (0.0f), 180.0f, 29.0f, Colours::white.withAlpha (0.0f), 271.0f, 120.0f,
                               false);
        streak.addColour (0.5, Colours::white.withAlpha (0.12f));
        g.setGradientFill (streak);
        Path diagonal;
        diagonal.startNewSubPath (215.0f, 29.0f);
        diagonal.lineTo (235.0f, 29.0f);
        diagonal.lineTo (271.0f, 70.0f);
        diagonal.lineTo (271.0f, 95.0f);
        diagonal.closeSubPath();
        g.fillPath (diagonal);
    }
    return image;
}

//==============================================================================
// Slide switch

Image drawSwitch (bool on)
{
    Image image = newPicture (32, 32, true);
    Graphics g (image);
    useLogicalPixels (g);
    // Housing: about y 7..30 with the slider down, y 4..24 with it up.
    const float top = on ? 4.0f : 7.0f;
    const float bottom = on ? 22.0f : 28.0f;
    const Rectangle<float> housing (13.0f, top, 8.0f, bottom - top);

    g.setColour (Colours::black.withAlpha (0.28f));
    g.fillRoundedRectangle (housing.expanded (1.5f, 0.5f).translated (0.8f, 1.6f), 3.0f);
    g.setColour (Colours::black.withAlpha (0.18f));
    g.fillRoundedRectangle (housing.expanded (2.5f, 1.0f).translated (1.0f, 2.0f), 4.0f);
    ColourGradient slot (Colour (0xff060607), 0.0f, top, Colour (0xff26272b), 0.0f, bottom, false);
    g.setGradientFill (slot);
    g.fillRoundedRectangle (housing, 2.0f);
    g.setColour (Colours::white.withAlpha (0.18f));
    g.drawRoundedRectangle (housing.reduced (0.3f), 2.0f, 0.6f);

    // Ridged slider: upper half when on, lower half when off.
    const Rectangle<float> slider (13.0f, on ? 4.0f : 15.0f, 8.0f, 11.0f);
    ColourGradient body (Colour (0xffd3d6da), 0.0f, slider.getY(), Colour (0xff5d6167), 0.0f, slider.getBottom(), false);
    g.setGradientFill (body);
    g.fillRoundedRectangle (slider, 1.5f);
    for (int i = 0; i < 4; ++i)
    {
        const float y = slider.getY() + 2.5f + (float) i * 2.0f;
        g.setColour (Colour (0xff30333a));
        g.fillRect (slider.getX() + 1.0f, y, 6.0f, 0.9f);
        g.setColour (Colours::white.withAlpha (0.55f));
        g.fillRect (slider.getX() + 1.0f, y + 0.9f, 6.0f, 0.6f);
    }
    g.setColour (Colours::black.withAlpha (0.6f));
    g.drawRoundedRectangle (slider, 1.5f, 0.6f);
    return image;
}

//==============================================================================
// Knob

Image drawKnobBody()
{
    Image image = newPicture (200, 200, true);
    Graphics g (image);
    useLogicalPixels (g);
    const float c = geo::knobPictureSize * 0.5f;

    // Drop shadow, stronger below, gone by radius 90.
    ColourGradient shadow (Colours::black.withAlpha (0.75f), c, c + 5.0f, Colours::transparentBlack, c + 85.0f, c + 5.0f, true);
    shadow.addColour (0.8, Colours::black.withAlpha (0.6f));
    shadow.addColour (0.9, Colours::black.withAlpha (0.25f));
    g.setGradientFill (shadow);
    g.fillEllipse (c - 85.0f, c + 5.0f - 85.0f, 170.0f, 170.0f);

    // Knurled dark skirt with a dark rim.
    const float r = geo::knobBodyRadius;
    const auto disc = circle (c, c, r);
    fillWithImage (g, disc, turnedMetal (200, Colour (0xff303237), 0.25f, 0.35f, 61));
    {
        Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (disc);
        for (int i = 0; i < 120; ++i)
        {
            const float a = (float) i * 6.2831853f / 120.0f;
            g.setColour ((i % 2 == 0 ? Colours::black : Colours::white).withAlpha (i % 2 == 0 ? 0.35f : 0.07f));
            g.drawLine (Line<float> ({ c + (r - 7.0f) * std::sin (a), c - (r - 7.0f) * std::cos (a) },
                                     { c + r * std::sin (a), c - r * std::cos (a) }),
                        1.2f);
        }
    }
    ColourGradient rim (Colours::white.withAlpha (0.28f), c, c - r, Colours::black.withAlpha (0.85f), c, c + r, false);
    g.setGradientFill (rim);
    g.drawEllipse (c - r + 0.7f, c - r + 0.7f, 2.0f * r - 1.4f, 2.0f * r - 1.4f, 1.4f);
    g.setColour (Colour (0xff0b0c0d));
    g.drawEllipse (c - r, c - r, 2.0f * r, 2.0f * r, 0.8f);

    // Eleven ticks at the pointer positions of 0, 0.1, ... 1.
    for (int i = 0; i < geo::knobTickCount; ++i)
    {
        const float a = geo::knobAngle ((float) i / 10.0f);
        const Point<float> inner (c + geo::knobTickInnerRadius * std::sin (a), c - geo::knobTickInnerRadius * std::cos (a));
        const Point<float> outer (c + geo::knobTickOuterRadius * std::sin (a), c - geo::knobTickOuterRadius * std::cos (a));
        g.setColour (Colours::black.withAlpha (0.5f));
        g.drawLine (Line<float> (inner, outer).withShortenedStart (-0.5f), 4.0f);
        g.setColour (Colour (0xffe4e6e9));
        g.drawLine (Line<float> (inner, outer), 2.6f);
    }
    return image;
}

Image drawKnobCap()
{
    const int size = (int) geo::knobCapPictureSize;
    Image image (Image::ARGB, size, size, true);
    Graphics g (image);
    const float c = (float) size * 0.5f, r = geo::knobCapRadius;
    const auto disc = circle (c, c, r);
    fillWithImage (g, disc, turnedMetal (size, Colour (0xff9ea2a8), 0.16f, 0.5f, 71));

    // Chamfered edge: bright towards the light, dark away from it.
    ColourGradient chamfer (Colours::white.withAlpha (0.75f), c - r * 0.6f, c - r * 0.8f, Colours::black.withAlpha (0.75f),
                            c + r * 0.6f, c + r * 0.8f, false);
    chamfer.addColour (0.5, Colours::black.withAlpha (0.15f));
    g.setGradientFill (chamfer);
    g.drawEllipse (c - r + 6.0f, c - r + 6.0f, 2.0f * r - 12.0f, 2.0f * r - 12.0f, 12.0f);
    g.setColour (Colours::black.withAlpha (0.55f));
    g.drawEllipse (c - r + 12.5f, c - r + 12.5f, 2.0f * r - 25.0f, 2.0f * r - 25.0f, 2.0f);
    g.setColour (Colours::black.withAlpha (0.8f));
    g.drawEllipse (c - r + 1.5f, c - r + 1.5f, 2.0f * r - 3.0f, 2.0f * r - 3.0f, 3.0f);
    return image;
}

Image drawKnobPointer()
{
    Image image = newPicture (200, 200, true);
    Graphics g (image);
    useLogicalPixels (g);
    g.setColour (Colours::white);
    g.fillRect (97, 33, 6, 38); // x 97..102, y 33..70: 30 to 67 px above the centre
    return image;
}

//==============================================================================
// The application icon (256 x 256): the knob with its cap and pointer.

Image drawIcon()
{
    constexpr float size = 256.0f;
    Image image (Image::ARGB, (int) size, (int) size, true);
    Graphics g (image);
    g.setImageResamplingQuality (Graphics::highResamplingQuality);
    const float scale = size / geo::knobPictureSize;
    g.drawImageTransformed (drawKnobBody(), AffineTransform::scale (scale));
    const auto cap = drawKnobCap(); // drawn over the whole knob, at a higher resolution
    g.drawImageTransformed (cap, AffineTransform::scale (size / (float) cap.getWidth()));
    const float c = geo::knobPictureSize * 0.5f;
    g.drawImageTransformed (drawKnobPointer(), AffineTransform::rotation (geo::knobAngle (0.7f), c, c).scaled (scale));
    return image;
}

//==============================================================================
bool writePng (const Image& image, const File& file)
{
    file.deleteFile();
    FileOutputStream stream (file);
    PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
    {
        std::fprintf (stderr, "artwork: cannot write %s\n", file.getFullPathName().toRawUTF8());
        return false;
    }
    std::printf ("artwork: %s (%dx%d)\n", file.getFileName().toRawUTF8(), image.getWidth(), image.getHeight());
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    ScopedJuceInitialiser_GUI juce;
    const File dir = File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    dir.createDirectory();

    bool ok = true;
    // The pictures at normal size, then at twice the resolution ("_2x"); the
    // knob cap is drawn at three times its size already and serves both.
    for (const int scale : { 1, 2 })
    {
        pixelScale = scale;
        const String suffix = scale == 1 ? "" : "_2x";
        auto write = [&] (const Image& image, const String& name)
        { ok &= writePng (image, dir.getChildFile (name + suffix + ".png")); };

        const auto thrown = drawPanel (true);
        const auto b = lay::bypassButton;
        write (drawPanel (false), "panel_background");
        write (thrown.getClippedImage ({ b.x * scale, b.y * scale, b.width * scale, b.height * scale }).createCopy(),
               "bypass_overlay");
        write (drawMeterFace(), "meter_face");
        write (drawMeterGlass(), "meter_glass");
        write (drawSwitch (false), "switch_off");
        write (drawSwitch (true), "switch_on");
        write (drawKnobBody(), "knob_body");
        write (drawKnobPointer(), "knob_pointer");
        if (scale == 1)
        {
            write (drawKnobCap(), "knob_cap");
            write (drawIcon(), "vantoril-icon");
        }
    }
    return ok ? 0 : 1;
}

#include "Artwork.h"

#include "VantorilArtwork.h"

namespace vantoril::artwork
{
namespace
{
juce::Image load (const char* data, int size) { return juce::ImageCache::getFromMemory (data, size); }

juce::Image pick (Resolution resolution, const char* normal, int normalSize, const char* doubled, int doubledSize)
{
    return resolution == Resolution::doubled ? load (doubled, doubledSize) : load (normal, normalSize);
}
} // namespace

Resolution resolutionFor (juce::Graphics& g)
{
    return g.getInternalContext().getPhysicalPixelScaleFactor() > 1.0f ? Resolution::doubled : Resolution::normal;
}

#define VANTORIL_PICTURE(function, name)                                                                                         \
    juce::Image function (Resolution resolution)                                                                                 \
    {                                                                                                                            \
        return pick (resolution, VantorilArtwork::name##_png, VantorilArtwork::name##_pngSize, VantorilArtwork::name##_2x_png,   \
                     VantorilArtwork::name##_2x_pngSize);                                                                        \
    }

VANTORIL_PICTURE (panelBackground, panel_background)
VANTORIL_PICTURE (bypassOverlay, bypass_overlay)
VANTORIL_PICTURE (meterFace, meter_face)
VANTORIL_PICTURE (meterGlass, meter_glass)
VANTORIL_PICTURE (switchOff, switch_off)
VANTORIL_PICTURE (switchOn, switch_on)
VANTORIL_PICTURE (knobBody, knob_body)
VANTORIL_PICTURE (knobPointer, knob_pointer)
#undef VANTORIL_PICTURE

juce::Image knobCap() { return load (VantorilArtwork::knob_cap_png, VantorilArtwork::knob_cap_pngSize); }

void drawAt (juce::Graphics& g, const juce::Image& picture, Resolution resolution, int x, int y)
{
    if (resolution == Resolution::normal)
    {
        // A rectangle filled with the picture: the renderer clips a filled
        // rectangle to the area being redrawn piece by piece, whereas an image
        // drawn as such first has a many-piece area cut out of its outline,
        // line by line. Same pixels as drawImageAt at full opacity.
        if (! picture.isValid())
            return;
        juce::Graphics::ScopedSaveState state (g);
        g.setFillType (juce::FillType (picture, juce::AffineTransform::translation ((float) x, (float) y)));
        g.fillRect (picture.getBounds().translated (x, y));
    }
    else
        g.drawImageTransformed (picture, juce::AffineTransform::scale (0.5f).translated ((float) x, (float) y));
}
} // namespace vantoril::artwork

#include "Artwork.h"

#include "VantorilArtwork.h"

namespace vantoril::artwork
{
namespace
{
juce::Image load (const char* data, int size) { return juce::ImageCache::getFromMemory (data, size); }
} // namespace

juce::Image panelBackground() { return load (VantorilArtwork::panel_background_png, VantorilArtwork::panel_background_pngSize); }
juce::Image bypassOverlay() { return load (VantorilArtwork::bypass_overlay_png, VantorilArtwork::bypass_overlay_pngSize); }
juce::Image meterFace() { return load (VantorilArtwork::meter_face_png, VantorilArtwork::meter_face_pngSize); }
juce::Image meterGlass() { return load (VantorilArtwork::meter_glass_png, VantorilArtwork::meter_glass_pngSize); }
juce::Image switchOff() { return load (VantorilArtwork::switch_off_png, VantorilArtwork::switch_off_pngSize); }
juce::Image switchOn() { return load (VantorilArtwork::switch_on_png, VantorilArtwork::switch_on_pngSize); }
juce::Image knobBody() { return load (VantorilArtwork::knob_body_png, VantorilArtwork::knob_body_pngSize); }
juce::Image knobCap() { return load (VantorilArtwork::knob_cap_png, VantorilArtwork::knob_cap_pngSize); }
juce::Image knobPointer() { return load (VantorilArtwork::knob_pointer_png, VantorilArtwork::knob_pointer_pngSize); }
} // namespace vantoril::artwork

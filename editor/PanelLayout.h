#pragma once

// Fixed layout of the 900 x 300 panel, shared by the panel and the artwork
// generator (which marks the knob centres on the background).
namespace vantoril::layout
{

struct Bounds
{
    int x, y, width, height;
    constexpr int centreX() const { return x + width / 2; }
    constexpr int centreY() const { return y + height / 2; }
};

inline constexpr int panelWidth = 900;
inline constexpr int panelHeight = 300;

inline constexpr Bounds outCaption { 592, 280, 32, 17 };
inline constexpr Bounds grCaption { 592, 232, 32, 17 };
inline constexpr Bounds lowCutText { 60, 280, 88, 17 };
inline constexpr Bounds driveText { 704, 104, 96, 24 };
inline constexpr Bounds releaseText { 200, 104, 96, 24 };
inline constexpr Bounds ratioText { 608, 104, 96, 24 };
inline constexpr Bounds attackText { 104, 104, 96, 24 };
inline constexpr Bounds levelText { 622, 272, 158, 24 };
inline constexpr Bounds thresholdText { 120, 272, 158, 24 };
inline constexpr Bounds bypassButton { 804, 112, 91, 75 };
inline constexpr Bounds meter { 300, 0, 300, 300 };
inline constexpr Bounds attackKnob { 106, 30, 90, 90 };
inline constexpr Bounds releaseKnob { 205, 30, 90, 90 };
inline constexpr Bounds ratioKnob { 606, 30, 90, 90 };
inline constexpr Bounds driveKnob { 706, 30, 90, 90 };
inline constexpr Bounds thresholdKnob { 135, 160, 130, 130 };
inline constexpr Bounds levelKnob { 635, 160, 130, 130 };
inline constexpr Bounds versionLabel { 808, 176, 88, 72 };
inline constexpr Bounds lowCutKnob { 80, 232, 48, 48 };
inline constexpr Bounds lowCutCaption { 60, 208, 88, 17 };
inline constexpr Bounds meterModeSwitch { 592, 248, 32, 32 };
inline constexpr Bounds mixText { 756, 280, 88, 17 };
inline constexpr Bounds mixKnob { 776, 232, 48, 48 };
inline constexpr Bounds mixCaption { 756, 208, 88, 17 };
inline constexpr Bounds kneeSwitch { 280, 248, 32, 32 };
inline constexpr Bounds medKneeCaption { 272, 280, 48, 17 };
inline constexpr Bounds softKneeCaption { 272, 232, 48, 17 };

// The six large knobs, whose centres the background marks with blue crosses.
inline constexpr Bounds largeKnobs[] = { attackKnob, releaseKnob, ratioKnob, driveKnob, thresholdKnob, levelKnob };
inline constexpr Bounds smallKnobs[] = { lowCutKnob, mixKnob };

} // namespace vantoril::layout

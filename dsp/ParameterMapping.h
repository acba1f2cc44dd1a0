#pragma once

#include <optional>
#include <string>

// The ten parameters as hosts, the editor and the saved state see them:
// names, the conversions between normalised values (0..1) and stored values in
// engineering units, and the display texts. Free of any framework code so that
// tests, tools and the benchmark share exactly what the plug-in runs.
namespace vantoril::params
{

enum Index
{
    attack = 0,
    release,
    threshold,
    ratio,
    knee,
    lowCut,
    drive,
    level,
    mix,
    bypass,
    count
};

// The parameter's exact name, or "" outside 0..9.
const char* name (int index) noexcept;

// True for the two switch parameters, whose stored value is 0 or 1.
bool isSwitch (int index) noexcept;

// The stored value a new processor starts with (switches as 0 or 1).
float initialStoredValue (int index) noexcept;

// Decibels to gain with the -100 dB floor: exactly 0 at or below -100 dB.
float decibelsToGain (float decibels) noexcept;
// Gain to decibels with the -100 dB floor.
float gainToDecibels (float gain) noexcept;

// Values from hosts or saved chunks: NaN gives no value (the parameter stays
// unchanged), anything else is clamped to [0, 1].
std::optional<float> sanitiseNormalised (double value) noexcept;

// Write mapping: normalised value to stored value (switches as 0 or 1).
float toStored (int index, float normalised) noexcept;
// Read mapping: stored value back to the normalised value.
float toNormalised (int index, float stored) noexcept;

// The parameter in its own unit, for formats that publish real ranges (LV2):
// attack and release in ms, threshold and level in dB, ratio as n for n:1,
// low cut in Hz, drive and mix in %, the switches as 0 or 1.
struct UnitRange
{
    float minimum;
    float maximum;
    const char* symbol; // "ms", "dB", ":1", "Hz", "%", or "" for the switches
    bool logarithmic;
};
UnitRange unitRange (int index) noexcept;
// Normalised value to the value in the unit, within unitRange. The ratio's
// maximum, 1000, stands for everything from 1000:1 up to +Inf:1.
float toUnitValue (int index, float normalised) noexcept;
// Value in the unit (clamped to unitRange) back to the normalised value; NaN gives 0.
float fromUnitValue (int index, float value) noexcept;

// Display text for a stored value (the unit is part of the text).
std::string displayText (int index, float stored);

// Low-cut cut-off in Hz for the low-cut amount, single precision.
float lowCutFrequency (float amount) noexcept;

// Number formats used by the texts.
std::string formatDecimals (float value, int decimals);
std::string formatDecibels (float decibels);
std::string formatInteger (float value);

// Parses a value given in the parameter's own unit ("10ms", "-24dB", "4:1",
// "soft", "50%", or a bare normalised number) into a normalised value.
// Returns nothing when the text is malformed or outside the parameter's range.
std::optional<float> parseValueText (int index, const std::string& text);

// A human readable description of the range accepted by parseValueText.
std::string rangeDescription (int index);

} // namespace vantoril::params

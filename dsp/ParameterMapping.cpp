#include "ParameterMapping.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace vantoril::params
{

namespace
{
constexpr float minusInfinityDb = -100.0f;
constexpr const char* names[count] = { "Attack", "Release", "Threshold", "Ratio", "Knee",
                                       "LowCut", "Drive",   "Level",     "Mix",   "Bypass" };

bool inRange (int index) noexcept { return index >= 0 && index < count; }

std::string percentText (float normalised) { return formatInteger (normalised * 100.0f) + " %"; }
} // namespace

const char* name (int index) noexcept { return inRange (index) ? names[index] : ""; }

bool isSwitch (int index) noexcept { return index == knee || index == bypass; }

float initialStoredValue (int index) noexcept
{
    switch (index)
    {
        case attack: return 0.027f;
        case release: return 0.3f;
        case threshold: return std::pow (10.0f, -1.0f);
        case ratio: return 0.5f;
        case knee: return 1.0f;
        case lowCut: return 0.0f;
        case drive: return 0.25f;
        case level: return 1.0f;
        case mix: return 1.0f;
        case bypass: return 0.0f;
        default: return 0.0f;
    }
}

float decibelsToGain (float decibels) noexcept { return decibels > minusInfinityDb ? std::pow (10.0f, decibels * 0.05f) : 0.0f; }

float gainToDecibels (float gain) noexcept
{
    return gain > 0.0f ? std::max (minusInfinityDb, static_cast<float> (std::log10 (gain)) * 20.0f) : minusInfinityDb;
}

std::optional<float> sanitiseNormalised (double value) noexcept
{
    if (std::isnan (value))
        return std::nullopt;
    return static_cast<float> (std::clamp (value, 0.0, 1.0));
}

float toStored (int index, float x) noexcept
{
    switch (index)
    {
        case attack: return std::pow (x, 3.0f) * 0.1f;
        case release: return std::pow (x, 3.0f) * 5.0f;
        case threshold: return decibelsToGain (x * 40.0f - 40.0f);
        case knee:
        case bypass: return x >= 0.5f ? 1.0f : 0.0f;
        case level: return decibelsToGain ((x - 0.5f) * 30.0f);
        case ratio:
        case lowCut:
        case drive:
        case mix: return x;
        default: return 0.0f;
    }
}

float toNormalised (int index, float stored) noexcept
{
    constexpr float oneThird = 0.33333334f;

    switch (index)
    {
        case attack: return std::pow (stored * 10.0f, oneThird);
        case release: return std::pow (stored / 5.0f, oneThird);
        case threshold:
        {
            const float db = gainToDecibels (stored);
            return db + 40.0f > 0.0f ? (db + 40.0f) / 40.0f : 0.0f;
        }
        case level: return gainToDecibels (stored) / 30.0f + 0.5f;
        case knee:
        case bypass: return stored != 0.0f ? 1.0f : 0.0f;
        case ratio:
        case lowCut:
        case drive:
        case mix: return stored;
        default: return 0.0f;
    }
}
UnitRange unitRange (int index) noexcept
{
    switch (index)
    {
        case attack: return { 0.0f, 100.0f, "ms", false };
        case release: return { 0.0f, 5000.0f, "ms", false };
        case threshold: return { -40.0f, 0.0f, "dB", false };
        case ratio: return { 1.0f, 1000.0f, ":1", true };
        case lowCut: return { lowCutFrequency (0.0f), lowCutFrequency (1.0f), "Hz", true };
        case drive:
        case mix: return { 0.0f, 100.0f, "%", false };
        case level: return { -15.0f, 15.0f, "dB", false };
        default: return { 0.0f, 1.0f, "", false };
    }
}

float toUnitValue (int index, float normalised) noexcept
{
    const float x = std::clamp (normalised, 0.0f, 1.0f);
    switch (index)
    {
        case attack:
        case release: return toStored (index, x) * 1000.0f;
        case threshold: return x * 40.0f - 40.0f;
        case ratio: return x < 0.999f ? 1.0f / (1.0f - x) : 1000.0f;
        case lowCut: return lowCutFrequency (x);
        case drive:
        case mix: return x * 100.0f;
        case level: return (x - 0.5f) * 30.0f;
        case knee:
        case bypass: return toStored (index, x);
        default: return 0.0f;
    }
}

float fromUnitValue (int index, float value) noexcept
{
    if (std::isnan (value))
        return 0.0f;
    const auto range = unitRange (index);
    const float v = std::clamp (value, range.minimum, range.maximum);
    float x = 0.0f;
    switch (index)
    {
        case attack:
        case release: x = toNormalised (index, v / 1000.0f); break;
        case threshold: x = (v + 40.0f) / 40.0f; break;
        case ratio: x = v < 1000.0f ? 1.0f - 1.0f / v : 1.0f; break;
        case lowCut: x = (std::log10 (v) - 1.3f) / 3.0f; break;
        case drive:
        case mix: x = v / 100.0f; break;
        case level: x = v / 30.0f + 0.5f; break;
        case knee:
        case bypass: x = v >= 0.5f ? 1.0f : 0.0f; break;
        default: break;
    }
    return std::clamp (x, 0.0f, 1.0f);
}

float lowCutFrequency (float amount) noexcept { return std::pow (10.0f, amount * 3.0f + 1.3f); }

std::string formatDecimals (float value, int decimals)
{
    // Rounds half up on the magnitude and writes the sign separately, so that a
    // small negative value shows as "-0.00".
    const double magnitude = std::abs (static_cast<double> (value));
    auto digits = static_cast<std::int64_t> (std::pow (10.0, decimals) * magnitude + 0.5);

    std::string reversed;
    for (int place = decimals; place >= 0 || digits > 0; --place)
    {
        if (place == 0)
            reversed += '.';
        reversed += static_cast<char> ('0' + digits % 10);
        digits /= 10;
    }

    if (value < 0.0f)
        reversed += '-';

    return std::string (reversed.rbegin(), reversed.rend());
}

std::string formatDecibels (float decibels)
{
    if (decibels <= minusInfinityDb)
        return "-INF dB";
    return (decibels >= 0.0f ? "+" : "") + formatDecimals (decibels, 2) + " dB";
}

std::string formatInteger (float value) { return std::to_string (static_cast<int> (value)); }

std::string displayText (int index, float stored)
{
    switch (index)
    {
        case attack: return formatDecimals ((stored + 0.000001f) * 1000.0f, 3) + " ms";
        case release: return formatInteger ((stored + 0.001f) * 1000.0f) + " ms";
        case threshold: return formatDecibels (gainToDecibels (stored));
        case ratio:
            if (stored >= 0.9999f)
                return "+Inf:1";
            return formatDecimals (1.0f / (1.0f - stored), 2) + ":1";
        case knee: return stored != 0.0f ? "SOFT KNEE" : "HARD KNEE";
        case lowCut:
        {
            const float f = lowCutFrequency (stored);
            return std::to_string (static_cast<int> (std::floor (static_cast<double> (f) + 0.5))) + " Hz";
        }
        case drive: return percentText (toNormalised (drive, stored));
        case level: return formatDecibels (gainToDecibels (stored));
        case mix:
            if (stored == 0.0f)
                return "dry";
            if (stored == 1.0f)
                return "wet";
            return formatInteger (stored * 100.0f) + " %";
        case bypass: return stored != 0.0f ? "ON" : "OFF";
        default: return percentText (0.0f);
    }
}

namespace
{
std::string lowerCase (std::string s)
{
    for (auto& c : s)
        c = static_cast<char> (std::tolower (static_cast<unsigned char> (c)));
    return s;
}

std::string trimmed (const std::string& s)
{
    const auto begin = s.find_first_not_of (" \t");
    if (begin == std::string::npos)
        return {};
    const auto end = s.find_last_not_of (" \t");
    return s.substr (begin, end - begin + 1);
}

// Splits "12.5 ms" into the number and the (lower-case) unit; nothing when the
// text does not start with a complete number.
std::optional<std::pair<double, std::string>> splitNumber (const std::string& text)
{
    const std::string t = trimmed (text);
    if (t.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod (t.c_str(), &end);
    if (end == t.c_str() || ! std::isfinite (value))
        return std::nullopt;
    return std::make_pair (value, lowerCase (trimmed (std::string (end))));
}

// Accepts v within [lo, hi] (with a little room for rounding in the inverse
// mapping) and clamps the normalised result into [0, 1].
std::optional<float> acceptNormalised (double normalised)
{
    constexpr double tolerance = 1e-4;
    if (! std::isfinite (normalised) || normalised < -tolerance || normalised > 1.0 + tolerance)
        return std::nullopt;
    return static_cast<float> (std::clamp (normalised, 0.0, 1.0));
}
} // namespace

std::string rangeDescription (int index)
{
    switch (index)
    {
        case attack: return "0 to 100 ms (e.g. 10ms or 0.01s), or 0..1";
        case release: return "0 to 5 s (e.g. 1.2s or 300ms), or 0..1";
        case threshold: return "-40 to 0 dB (e.g. -24dB), or 0..1";
        case ratio: return "1:1 to inf:1 (e.g. 4:1), or 0..1";
        case knee: return "soft or hard, or 0..1";
        case lowCut: return "19.95 to 19953 Hz (e.g. 120Hz or 1.5kHz), or 0..1";
        case drive: return "0 to 100 % (e.g. 30%), or 0..1";
        case level: return "-15 to +15 dB (e.g. +3dB), or 0..1";
        case mix: return "0 to 100 % (e.g. 50%), dry or wet, or 0..1";
        case bypass: return "on or off, or 0..1";
        default: return "";
    }
}

std::optional<float> parseValueText (int index, const std::string& text)
{
    if (! inRange (index))
        return std::nullopt;

    const std::string word = lowerCase (trimmed (text));

    if (index == knee && (word == "soft" || word == "hard"))
        return word == "soft" ? 1.0f : 0.0f;
    if (index == bypass && (word == "on" || word == "off"))
        return word == "on" ? 1.0f : 0.0f;
    if (index == mix && (word == "dry" || word == "wet"))
        return word == "wet" ? 1.0f : 0.0f;
    if (index == ratio && (word == "inf:1" || word == "+inf:1"))
        return 1.0f;

    const auto parsed = splitNumber (text);
    if (! parsed)
        return std::nullopt;

    const auto [number, unit] = *parsed;

    if (unit.empty())
        return acceptNormalised (number);

    // The number in the parameter's unit (unitRange) and the range check; the
    // value then goes through fromUnitValue, exactly as an LV2 host's setting does.
    double value = number;
    bool valid = false;
    switch (index)
    {
        case attack:
        case release:
            if (unit == "s")
                value = number * 1000.0;
            valid = (unit == "ms" || unit == "s") && value >= 0.0 && value <= unitRange (index).maximum * (1.0 + 1e-6);
            break;
        case threshold: valid = unit == "db" && value >= -40.0 - 1e-4 && value <= 1e-4; break;
        case level: valid = unit == "db" && value >= -15.0 - 1e-4 && value <= 15.0 + 1e-4; break;
        case ratio: valid = unit == ":1" && value >= 1.0; break;
        case lowCut:
            if (unit == "khz")
                value = number * 1000.0;
            valid =
                (unit == "hz" || unit == "khz") && value > 0.0 && std::abs ((std::log10 (value) - 1.3) / 3.0 - 0.5) <= 0.5 + 1e-4;
            break;
        case drive:
        case mix: valid = unit == "%" && value >= -1e-2 && value <= 100.0 + 1e-2; break;
        default: break;
    }
    if (! valid)
        return std::nullopt;
    return fromUnitValue (index, static_cast<float> (value));
}

} // namespace vantoril::params

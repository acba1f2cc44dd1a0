#pragma once

// Geometry shared by the widgets and the artwork generator, so that the printed
// scales line up with what the widgets draw.
namespace vantoril::geometry
{

inline constexpr double pi = 3.14159265358979323846;

// Knob pointer angle in radians (clockwise from 12 o'clock) for a value 0..1:
// -135 degrees at 0, 0 at 0.5, +135 degrees at 1; not clamped.
inline float knobAngle (float value) noexcept
{
    const float turns = (value - 0.5f) * 6.0f;
    return static_cast<float> (static_cast<double> (turns) * pi * 0.25);
}

// The knob body's tick marks: values 0, 0.1, ... 1, from radius 71 to 83 of 200.
inline constexpr int knobTickCount = 11;
inline constexpr float knobTickInnerRadius = 71.0f;
inline constexpr float knobTickOuterRadius = 83.0f;
inline constexpr float knobBodyRadius = 70.0f; // of the 200 x 200 body picture
inline constexpr float knobPictureSize = 200.0f;
inline constexpr float knobCapPictureSize = 600.0f;
inline constexpr float knobCapRadius = 200.0f; // of the 600 x 600 cap picture
inline constexpr float knobEdgeRadius = 0.33f; // pointer tip, fraction of the knob's size

// Meter: level clamped to 0..1.41, mapped linearly onto -40..+40 degrees.
inline constexpr float meterMaxLevel = 1.41f;
inline constexpr float meterPivotX = 150.0f;
inline constexpr float meterPivotY = 240.0f;
inline constexpr float meterNeedleLength = 150.0f;
inline constexpr float meterPeakNeedleLength = 135.0f;

inline float meterClampedLevel (float level) noexcept
{
    if (! (level > 0.0f))
        return 0.0f;
    return level < meterMaxLevel ? level : meterMaxLevel;
}

inline float meterAngleDegrees (float level) noexcept { return meterClampedLevel (level) * 80.0f / meterMaxLevel - 40.0f; }

inline float meterAngle (float level) noexcept
{
    return static_cast<float> (static_cast<double> (meterAngleDegrees (level)) * 0.017453292519943295);
}

} // namespace vantoril::geometry

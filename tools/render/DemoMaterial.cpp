#include "DemoMaterial.h"

#include <cmath>

namespace vantoril::render
{
namespace
{
constexpr double twoPi = 6.283185307179586;
constexpr double beat = 0.5; // 120 beats per minute
constexpr double length = 10.0;

struct Noise
{
    juce::uint32 state = 0x12345678u;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return (float) ((state >> 8) & 0xffff) / 32768.0f - 1.0f;
    }
};

// 0 in the quiet passage (4 s to 6 s), 1 elsewhere, with 60 ms ramps.
double loudness (double t)
{
    auto ramp = [] (double x) { return juce::jlimit (0.0, 1.0, x / 0.06); };
    return 1.0 - std::min (ramp (t - 4.0), ramp (6.06 - t));
}

double saw (double phase) { return 2.0 * (phase - std::floor (phase + 0.5)); }
} // namespace

std::vector<std::string> demoSettings()
{
    return { "Attack=10ms", "Release=150ms", "Threshold=-24dB", "Ratio=4:1", "Knee=soft",
             "LowCut=60Hz", "Drive=30%",     "Level=+4dB",      "Mix=100%",  "Bypass=off" };
}

juce::AudioBuffer<float> makeDemoMaterial (double sampleRate)
{
    const int samples = (int) (length * sampleRate);
    juce::AudioBuffer<float> out (2, samples);
    out.clear();

    Noise noise;
    const double bassNotes[] = { 41.20, 41.20, 49.00, 55.00, 41.20, 61.74, 55.00, 49.00 };
    const double padNotes[] = { 164.81, 196.00, 246.94, 329.63 };
    double kickPhase = 0.0, bassPhase = 0.0, bassState = 0.0, previousNoise = 0.0;
    double padPhase[4][2] = {}, padState[2] = {};
    float snareState = 0.0f;

    for (int n = 0; n < samples; ++n)
    {
        const double t = n / sampleRate;
        const double inBeat = std::fmod (t, beat);
        const int beatIndex = (int) (t / beat);
        const double loud = loudness (t);
        const double drums = loud * (t < 9.75 ? 1.0 : 0.0);
        const double ending = t > 6.0 ? 1.25 : 1.0;

        // Kick on every beat: a falling sine with a click.
        const double kickFrequency = 45.0 + 90.0 * std::exp (-inBeat * 28.0);
        kickPhase += kickFrequency / sampleRate;
        const double kick = 0.95 * std::exp (-inBeat * 7.0) * std::sin (twoPi * kickPhase) * drums * ending;

        // Snare on beats two and four: a noise burst over a short tone.
        const double inBar = std::fmod (t, 4.0 * beat);
        const double sinceSnare =
            (inBar >= beat && inBar < 2.0 * beat) ? inBar - beat : (inBar >= 3.0 * beat ? inBar - 3.0 * beat : 10.0);
        const float white = noise.next();
        snareState += 0.5f * (white - snareState);
        const double snare = (0.5 * (white - snareState) * std::exp (-sinceSnare * 16.0) +
                              0.3 * std::sin (twoPi * 185.0 * sinceSnare) * std::exp (-sinceSnare * 30.0)) *
            drums * ending;

        // Closed hi-hat on every eighth, alternating sides.
        const double sinceHat = std::fmod (t, beat / 2.0);
        const double hatNoise = white - previousNoise;
        previousNoise = white;
        const double hat = 0.12 * hatNoise * std::exp (-sinceHat * 70.0) * drums;
        const bool hatLeft = ((int) (t / (beat / 2.0))) % 2 == 0;

        // Bass: a filtered saw, one note per beat.
        const double bassFrequency = bassNotes[beatIndex % 8];
        bassPhase += bassFrequency / sampleRate;
        bassState += 0.08 * (saw (bassPhase) - bassState);
        const double bassEnvelope = std::min (1.0, inBeat / 0.005) * (0.55 + 0.45 * std::exp (-inBeat * 6.0));
        const double bass = 0.42 * bassState * bassEnvelope * (0.25 + 0.75 * loud) * ending;

        // Pad: a slowly swelling chord of detuned saws, a little wider in stereo.
        const double swell = std::min (1.0, t / 1.2) * (t > 9.5 ? std::max (0.0, (10.0 - t) / 0.5) : 1.0);
        double pad[2] = {};
        for (int side = 0; side < 2; ++side)
        {
            double sum = 0.0;
            for (int v = 0; v < 4; ++v)
            {
                padPhase[v][side] += padNotes[v] * (side == 0 ? 0.997 : 1.003) / sampleRate;
                sum += saw (padPhase[v][side]);
            }
            padState[side] += 0.04 * (sum - padState[side]);
            pad[side] = 0.07 * padState[side] * swell * (0.35 + 0.65 * loud);
        }

        const double quiet = 0.08 + 0.92 * loud;
        const double centre = (kick + snare + bass) * quiet;
        out.setSample (0, n, (float) (centre + pad[0] + (hatLeft ? hat : 0.4 * hat)));
        out.setSample (1, n, (float) (centre + pad[1] + (hatLeft ? 0.4 * hat : hat)));
    }

    // Peak at -1 dBFS.
    const float peak = out.getMagnitude (0, samples);
    if (peak > 0.0f)
        out.applyGain (0.891f / peak);
    return out;
}

} // namespace vantoril::render

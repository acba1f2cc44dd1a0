#include "Report.h"

#include "VantorilVersion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace juce;

namespace vantoril::render
{
namespace
{
const Colour background (0xff17181b), plotBackground (0xff202226), grid (0xff33363c), axisText (0xffa4a8b0),
    inputColour (0xff8d96a6), outputColour (0xffffa640), reductionColour (0xffe5553a), thresholdColour (0xff59a7ff);

constexpr float floorDb = -60.0f;

Font uiFont (float height, bool bold = false) { return Font (height, bold ? Font::bold : Font::plain); }

String formatDb (float db) { return db <= -100.0f ? String ("-inf") : String (db, 1); }

struct Axes
{
    Rectangle<float> area;
    float x0, x1, y0, y1; // data ranges

    float px (float x) const { return jmap (x, x0, x1, area.getX(), area.getRight()); }
    float py (float y) const { return jmap (y, y0, y1, area.getBottom(), area.getY()); }
};

// Frame, grid lines and labelled ticks.
void drawAxes (Graphics& g, const Axes& a, float xStep, float yStep, const String& xUnit, const String& yUnit,
               const String& title)
{
    g.setColour (plotBackground);
    g.fillRoundedRectangle (a.area.expanded (2.0f), 4.0f);

    g.setFont (uiFont (11.0f));
    for (float x = std::ceil (a.x0 / xStep) * xStep; x <= a.x1 + 1e-4f; x += xStep)
    {
        g.setColour (grid);
        g.drawVerticalLine ((int) a.px (x), a.area.getY(), a.area.getBottom());
        g.setColour (axisText);
        g.drawText (String (x, xStep < 1.0f ? 1 : 0),
                    Rectangle<float> (a.px (x) - 25.0f, a.area.getBottom() + 3.0f, 50.0f, 14.0f), Justification::centred);
    }
    for (float y = std::ceil (a.y0 / yStep) * yStep; y <= a.y1 + 1e-4f; y += yStep)
    {
        g.setColour (grid);
        g.drawHorizontalLine ((int) a.py (y), a.area.getX(), a.area.getRight());
        g.setColour (axisText);
        g.drawText (String ((int) std::round (y)), Rectangle<float> (a.area.getX() - 40.0f, a.py (y) - 7.0f, 34.0f, 14.0f),
                    Justification::centredRight);
    }
    g.setColour (axisText);
    g.drawText (xUnit, Rectangle<float> (a.area.getRight() - 120.0f, a.area.getBottom() + 17.0f, 120.0f, 14.0f),
                Justification::centredRight);
    g.drawText (yUnit, Rectangle<float> (a.area.getX() - 44.0f, a.area.getY() - 20.0f, 120.0f, 14.0f),
                Justification::centredLeft);
    g.setColour (Colours::white);
    g.setFont (uiFont (13.0f, true));
    g.drawText (title, Rectangle<float> (a.area.getX() + 40.0f, a.area.getY() - 22.0f, a.area.getWidth() - 40.0f, 16.0f),
                Justification::centredLeft);
}

// Peak and RMS of each pixel column, in dBFS.
struct Envelope
{
    std::vector<float> peakDb, rmsDb;
};

Envelope envelope (const AudioBuffer<float>& samples, int columns)
{
    Envelope e;
    const int length = samples.getNumSamples();
    for (int c = 0; c < columns; ++c)
    {
        const int start = (int) ((int64) length * c / columns),
                  end = std::max (start + 1, (int) ((int64) length * (c + 1) / columns));
        float peak = 0.0f;
        double sum = 0.0;
        int count = 0;
        for (int ch = 0; ch < samples.getNumChannels(); ++ch)
            for (int k = start; k < std::min (end, length); ++k)
            {
                const float s = samples.getSample (ch, k);
                peak = std::max (peak, std::abs (s));
                sum += (double) s * s;
                ++count;
            }
        e.peakDb.push_back (params::gainToDecibels (peak));
        e.rmsDb.push_back (params::gainToDecibels ((float) std::sqrt (sum / std::max (1, count))));
    }
    return e;
}

void fillEnvelope (Graphics& g, const Axes& a, const std::vector<float>& db, Colour colour, float alpha)
{
    Path p;
    p.startNewSubPath (a.area.getX(), a.area.getBottom());
    for (size_t i = 0; i < db.size(); ++i)
        p.lineTo (a.area.getX() + (float) i, a.py (std::max (floorDb, db[i])));
    p.lineTo (a.area.getX() + (float) db.size(), a.area.getBottom());
    p.closeSubPath();
    g.setColour (colour.withAlpha (alpha));
    g.fillPath (p);
}

void strokeEnvelope (Graphics& g, const Axes& a, const std::vector<float>& db, Colour colour, float thickness)
{
    Path p;
    for (size_t i = 0; i < db.size(); ++i)
    {
        const Point<float> point (a.area.getX() + (float) i, a.py (std::max (floorDb, db[i])));
        i == 0 ? p.startNewSubPath (point) : p.lineTo (point);
    }
    g.setColour (colour);
    g.strokePath (p, PathStrokeType (thickness));
}

void legend (Graphics& g, float x, float y, const String& text, Colour colour)
{
    g.setColour (colour);
    g.fillRoundedRectangle (x, y + 3.0f, 14.0f, 8.0f, 2.0f);
    g.setColour (axisText);
    g.setFont (uiFont (11.0f));
    g.drawText (text, Rectangle<float> (x + 19.0f, y, 140.0f, 14.0f), Justification::centredLeft);
}
} // namespace

std::string summaryText (const AudioBuffer<float>& input, const RenderResult& result)
{
    const auto in = measure (input), out = measure (result.output);
    float maxReduction = 0.0f;
    double sum = 0.0;
    for (float db : result.gainReductionDb)
    {
        maxReduction = std::max (maxReduction, -db);
        sum += -db;
    }
    const double average = result.gainReductionDb.empty() ? 0.0 : sum / (double) result.gainReductionDb.size();
    char text[512];
    std::snprintf (text, sizeof (text),
                   "input:  peak %s dBFS, RMS %s dBFS\n"
                   "output: peak %s dBFS, RMS %s dBFS\n"
                   "gain reduction: max %.1f dB, average %.1f dB\n",
                   formatDb (in.peakDb).toRawUTF8(), formatDb (in.rmsDb).toRawUTF8(), formatDb (out.peakDb).toRawUTF8(),
                   formatDb (out.rmsDb).toRawUTF8(), maxReduction, average);
    return text;
}

Image drawReport (VantorilAudioProcessor& processor, const ReportInput& report)
{
    constexpr int width = 1400, height = 820;
    Image image (Image::ARGB, width, height, true);
    Graphics g (image);
    g.fillAll (background);

    // Title and settings.
    g.setColour (Colours::white);
    g.setFont (uiFont (20.0f, true));
    g.drawText (String (productName) + " " + versionString, 30, 16, 400, 26, Justification::centredLeft);
    g.setColour (axisText);
    g.setFont (uiFont (14.0f));
    g.drawText (report.title, 200, 16, width - 230, 26, Justification::centredRight);
    String settings;
    for (int i = 0; i < params::count; ++i)
        settings << params::name (i) << " " << processor.getDisplayText (i) << (i + 1 < params::count ? "    " : "");
    g.setFont (uiFont (12.5f));
    g.drawText (settings, 30, 46, width - 60, 18, Justification::centredLeft);

    const auto& input = *report.input;
    const auto& result = *report.result;
    const float seconds = (float) (input.getNumSamples() / report.sampleRate);
    const float timeStep = seconds > 40.0f ? 10.0f : (seconds > 12.0f ? 2.0f : (seconds > 3.0f ? 1.0f : 0.5f));

    // Envelopes.
    const Axes levels { { 80.0f, 110.0f, 860.0f, 330.0f }, 0.0f, std::max (seconds, 0.01f), floorDb, 0.0f };
    drawAxes (g, levels, timeStep, 10.0f, "time (s)", "level (dBFS)", "Input and output");
    const int columns = (int) levels.area.getWidth();
    const auto inEnvelope = envelope (input, columns), outEnvelope = envelope (result.output, columns);
    fillEnvelope (g, levels, inEnvelope.peakDb, inputColour, 0.42f);
    fillEnvelope (g, levels, outEnvelope.peakDb, outputColour, 0.16f);
    strokeEnvelope (g, levels, outEnvelope.peakDb, outputColour.withAlpha (0.75f), 1.0f);
    strokeEnvelope (g, levels, inEnvelope.rmsDb, inputColour.brighter (0.6f), 1.4f);
    strokeEnvelope (g, levels, outEnvelope.rmsDb, outputColour.brighter (0.2f), 1.8f);
    legend (g, levels.area.getRight() - 320.0f, levels.area.getY() + 8.0f, "input (peak area, RMS)", inputColour);
    legend (g, levels.area.getRight() - 150.0f, levels.area.getY() + 8.0f, "output (peak line, RMS)", outputColour);

    // Gain reduction over time.
    float maxReduction = 0.0f;
    for (float db : result.gainReductionDb)
        maxReduction = std::max (maxReduction, -db);
    const float reductionRange = std::max (6.0f, std::ceil (maxReduction / 3.0f) * 3.0f);
    const Axes gr { { 80.0f, 500.0f, 860.0f, 270.0f }, 0.0f, std::max (seconds, 0.01f), -reductionRange, 0.0f };
    drawAxes (g, gr, timeStep, reductionRange > 18.0f ? 6.0f : 3.0f, "time (s)", "gain (dB)",
              "Gain reduction (the meter's gain feed)");
    {
        Path p;
        p.startNewSubPath (gr.area.getX(), gr.py (0.0f));
        const size_t n = result.gainReductionDb.size();
        for (size_t i = 0; i < n; ++i)
        {
            const float t = (float) ((double) (i + 1) * result.blockSize / report.sampleRate);
            p.lineTo (gr.px (std::min (t, seconds)),
                      gr.py (std::max (-reductionRange, std::min (0.0f, result.gainReductionDb[i]))));
        }
        p.lineTo (gr.area.getRight(), gr.py (0.0f));
        p.closeSubPath();
        g.setColour (reductionColour.withAlpha (0.35f));
        g.fillPath (p);
        g.setColour (reductionColour);
        g.strokePath (p, PathStrokeType (1.5f));
    }

    // Static transfer curve.
    const Axes transfer { { 1030.0f, 110.0f, 330.0f, 330.0f }, -60.0f, 6.0f, -60.0f, 6.0f };
    drawAxes (g, transfer, 12.0f, 12.0f, "input (dBFS)", "output (dBFS)", "Static curve");
    {
        Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (transfer.area.toNearestInt());
        g.setColour (grid.brighter (0.5f));
        const float dashes[] = { 5.0f, 4.0f };
        g.drawDashedLine (Line<float> (transfer.px (-60.0f), transfer.py (-60.0f), transfer.px (6.0f), transfer.py (6.0f)),
                          dashes, 2, 1.0f);

        const float thresholdDb =
            params::gainToDecibels (params::toStored (params::threshold, processor.getNormalisedValue (params::threshold)));
        g.setColour (thresholdColour);
        g.drawDashedLine (
            Line<float> (transfer.px (thresholdDb), transfer.area.getBottom(), transfer.px (thresholdDb), transfer.area.getY()),
            dashes, 2, 1.2f);
        g.setFont (uiFont (11.0f));
        g.drawText ("threshold " + String (thresholdDb, 1) + " dB",
                    Rectangle<float> (transfer.px (thresholdDb) + 5.0f, transfer.area.getBottom() - 20.0f, 150.0f, 14.0f),
                    Justification::centredLeft);

        Path curve;
        for (float db = -60.0f; db <= 6.0f; db += 0.25f)
        {
            const Point<float> point (transfer.px (db), transfer.py (std::max (-70.0f, staticOutputDb (processor, db))));
            db == -60.0f ? curve.startNewSubPath (point) : curve.lineTo (point);
        }
        g.setColour (outputColour);
        g.strokePath (curve, PathStrokeType (2.2f));
    }

    // Summary.
    const auto summary = summaryText (input, result);
    g.setColour (plotBackground);
    g.fillRoundedRectangle (1030.0f, 500.0f, 330.0f, 270.0f, 4.0f);
    g.setColour (Colours::white);
    g.setFont (uiFont (13.0f, true));
    g.drawText ("Summary", 1045, 510, 300, 18, Justification::centredLeft);
    g.setColour (axisText);
    g.setFont (uiFont (12.5f));
    g.drawMultiLineText (String (summary).replace (", ", "\n    ").replace (": ", ":\n    "), 1045, 548, 300);
    return image;
}

} // namespace vantoril::render

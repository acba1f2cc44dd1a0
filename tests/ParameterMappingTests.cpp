#include "ParameterMapping.h"
#include "StateChunk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantoril;

namespace
{
std::string textAt (int index, float normalised) { return params::displayText (index, params::toStored (index, normalised)); }
} // namespace

TEST (ParameterMapping, NamesInIndexOrder)
{
    const char* expected[] = { "Attack", "Release", "Threshold", "Ratio", "Knee", "LowCut", "Drive", "Level", "Mix", "Bypass" };
    for (int i = 0; i < params::count; ++i)
        EXPECT_STREQ (params::name (i), expected[i]);
    EXPECT_STREQ (params::name (-1), "");
    EXPECT_STREQ (params::name (10), "");
}

TEST (ParameterMapping, InitialValuesReadBack)
{
    const float expected[] = { 0.646330f, 0.391487f, 0.5f, 0.5f, 1.0f, 0.0f, 0.25f, 0.5f, 1.0f, 0.0f };
    for (int i = 0; i < params::count; ++i)
        EXPECT_NEAR (params::toNormalised (i, params::initialStoredValue (i)), expected[i], 1e-6f) << params::name (i);
    EXPECT_EQ (params::initialStoredValue (params::threshold), std::pow (10.0f, -1.0f));
}

TEST (ParameterMapping, DisplayTexts)
{
    struct Case
    {
        int index;
        float normalised;
        const char* text;
    };
    const Case cases[] = {
        { params::release, 0.0f, "1 ms" },
        { params::release, 0.5f, "626 ms" },
        { params::release, 1.0f, "5001 ms" },
        { params::threshold, 0.0f, "-40.00 dB" },
        { params::threshold, 0.5f, "-20.00 dB" },
        { params::threshold, 1.0f, "+0.00 dB" },
        { params::level, 0.0f, "-15.00 dB" },
        { params::level, 0.25f, "-7.50 dB" },
        { params::level, 0.5f, "+0.00 dB" },
        { params::level, 1.0f, "+15.00 dB" },
        { params::ratio, 0.0f, "1.00:1" },
        { params::ratio, 0.5f, "2.00:1" },
        { params::ratio, 0.75f, "4.00:1" },
        { params::ratio, 0.9f, "10.00:1" },
        { params::ratio, 0.9998f, "5000.66:1" },
        { params::ratio, 0.9999f, "+Inf:1" },
        { params::ratio, 1.0f, "+Inf:1" },
        { params::knee, 1.0f, "SOFT KNEE" },
        { params::knee, 0.5f, "SOFT KNEE" },
        { params::knee, 0.4999f, "HARD KNEE" },
        { params::lowCut, 0.0f, "20 Hz" },
        { params::lowCut, 0.25f, "112 Hz" },
        { params::lowCut, 0.5f, "631 Hz" },
        { params::lowCut, 1.0f, "19953 Hz" },
        { params::drive, 0.25f, "25 %" },
        { params::drive, 1.0f, "100 %" },
        { params::mix, 0.0f, "dry" },
        { params::mix, 1.0f, "wet" },
        { params::mix, 0.5f, "50 %" },
        { params::mix, 0.999f, "99 %" },
        { params::mix, 0.53f, "52 %" },
        { params::mix, 0.59f, "58 %" },
        { params::bypass, 0.5f, "ON" },
        { params::bypass, 0.4999f, "OFF" },
        { params::attack, 0.0f, "0.001 ms" },
        { params::attack, 1.0f, "100.001 ms" },
        { 10, 0.7f, "0 %" },
        { -1, 0.7f, "0 %" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (textAt (c.index, c.normalised), c.text) << params::name (c.index) << " at " << c.normalised;

    EXPECT_EQ (params::displayText (params::release, 0.3f), "301 ms");
    EXPECT_EQ (params::displayText (params::attack, 0.027f), "27.001 ms");
}

TEST (ParameterMapping, NumberFormats)
{
    struct Case
    {
        float value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        { 0.0f, 2, "0.00" },   { -0.001f, 2, "-0.00" },       { 2.0f, 2, "2.00" },     { 0.05f, 2, "0.05" },
        { -7.5f, 2, "-7.50" }, { 1234.5678f, 3, "1234.568" }, { 0.0005f, 3, "0.001" }, { 99.995f, 2, "100.00" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (params::formatDecimals (c.value, c.decimals), c.text) << c.value;

    EXPECT_EQ (params::formatDecibels (-100.0f), "-INF dB");
    EXPECT_EQ (params::formatDecibels (-150.0f), "-INF dB");
    EXPECT_EQ (params::formatDecibels (0.0f), "+0.00 dB");
    EXPECT_EQ (params::formatDecibels (-0.001f), "-0.00 dB");
    EXPECT_EQ (params::formatInteger (-3.9f), "-3");
}

TEST (ParameterMapping, RoundTripAndSwitchThresholds)
{
    for (int i = 0; i < params::count; ++i)
    {
        for (float x : { 0.0f, 0.1f, 0.3f, 0.5f, 0.77f, 1.0f })
        {
            const float back = params::toNormalised (i, params::toStored (i, x));
            if (params::isSwitch (i))
            {
                EXPECT_EQ (back, x >= 0.5f ? 1.0f : 0.0f);
            }
            else if (! (i == params::threshold && x == 0.0f))
            {
                EXPECT_NEAR (back, x, 2e-6f) << params::name (i) << " " << x;
            }
        }
    }
    EXPECT_NEAR (params::toNormalised (params::threshold, params::toStored (params::threshold, 0.3f)), 0.3f, 1e-6f);
    EXPECT_EQ (params::toStored (params::threshold, 0.0f), std::pow (10.0f, -2.0f));
}

TEST (ParameterMapping, SanitiseHostValues)
{
    EXPECT_FALSE (params::sanitiseNormalised (std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_EQ (*params::sanitiseNormalised (1.5), 1.0f);
    EXPECT_EQ (*params::sanitiseNormalised (-0.5), 0.0f);
    EXPECT_EQ (*params::sanitiseNormalised (std::numeric_limits<double>::infinity()), 1.0f);
    EXPECT_EQ (*params::sanitiseNormalised (0.25), 0.25f);
}

TEST (ParameterMapping, UnitTextsInvertTheMappings)
{
    struct Case
    {
        int index;
        const char* text;
        const char* displayed;
    };
    const Case cases[] = {
        { params::attack, "10ms", "10.001 ms" },
        { params::attack, "0ms", "0.001 ms" },
        { params::attack, "100ms", "100.001 ms" },
        { params::attack, "0.05s", "50.001 ms" },
        { params::release, "1.2s", "1201 ms" },
        { params::release, "5s", "5001 ms" },
        { params::release, "300ms", "300 ms" },
        { params::threshold, "-24dB", "-24.00 dB" },
        { params::threshold, "-40dB", "-40.00 dB" },
        { params::threshold, "0dB", "+0.00 dB" },
        { params::ratio, "4:1", "4.00:1" },
        { params::ratio, "1:1", "1.00:1" },
        { params::ratio, "inf:1", "+Inf:1" },
        { params::knee, "soft", "SOFT KNEE" },
        { params::knee, "HARD", "HARD KNEE" },
        { params::lowCut, "120Hz", "120 Hz" },
        { params::lowCut, "19953Hz", "19953 Hz" },
        { params::lowCut, "19.95Hz", "20 Hz" },
        { params::lowCut, "1.5kHz", "1500 Hz" },
        { params::drive, "30%", "30 %" },
        { params::level, "+3dB", "+3.00 dB" },
        { params::level, "-15dB", "-15.00 dB" },
        { params::level, "+15dB", "+15.00 dB" },
        { params::mix, "50%", "50 %" },
        { params::mix, "100%", "wet" },
        { params::mix, "0%", "dry" },
        { params::bypass, "on", "ON" },
        { params::bypass, "off", "OFF" },
        { params::ratio, "0.75", "4.00:1" },
    };
    for (const auto& c : cases)
    {
        const auto value = params::parseValueText (c.index, c.text);
        ASSERT_TRUE (value.has_value()) << c.text;
        EXPECT_EQ (textAt (c.index, *value), c.displayed) << c.text;
    }

    const std::pair<int, const char*> rejected[] = {
        { params::attack, "101ms" },      { params::attack, "-1ms" },     { params::attack, "10" },
        { params::release, "6s" },        { params::threshold, "-41dB" }, { params::threshold, "3dB" },
        { params::ratio, "0.5:1" },       { params::knee, "medium" },     { params::lowCut, "10Hz" },
        { params::lowCut, "25kHz" },      { params::drive, "101%" },      { params::level, "+16dB" },
        { params::mix, "-5%" },           { params::bypass, "maybe" },    { params::attack, "fast" },
        { params::attack, "10 parsecs" }, { params::attack, "" },         { params::mix, "1.5" },
    };
    for (const auto& [index, text] : rejected)
        EXPECT_FALSE (params::parseValueText (index, text).has_value()) << params::name (index) << " " << text;
}

TEST (StateChunk, DefaultChunkBytes)
{
    std::array<float, params::count> values {};
    for (int i = 0; i < params::count; ++i)
        values[static_cast<size_t> (i)] = params::toNormalised (i, params::initialStoredValue (i));

    const auto xml = state::makeStateXml (values);
    EXPECT_EQ (xml,
               "<ZDQXKPASETTINGS Attack=\"0.646330416\" Release=\"0.391486764\" Threshold=\"0.5\" Ratio=\"0.5\""
               " Knee=\"1\" LowCut=\"0\" Drive=\"0.25\" Level=\"0.5\" Mix=\"1\" Bypass=\"0\"/>");

    const auto chunk = state::makeStateChunk (values);
    ASSERT_EQ (chunk.size(), 163u);
    const std::uint8_t header[] = { 0x56, 0x43, 0x32, 0x21, 0x99, 0x00, 0x00, 0x00 };
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ (chunk[i], header[i]) << i;
    EXPECT_EQ (chunk[8 + 153], 0);
}

TEST (StateChunk, ValueFormatIsNineSignificantDigits)
{
    EXPECT_EQ (state::formatValue (0.5), "0.5");
    EXPECT_EQ (state::formatValue (1.0), "1");
    EXPECT_EQ (state::formatValue (0.0), "0");
    EXPECT_EQ (state::formatValue (static_cast<double> (0.646330416f)), "0.646330416");
    EXPECT_EQ (state::formatValue (static_cast<double> (0.1f)), "0.100000001");
    EXPECT_EQ (state::formatValue (1e-7), "1e-07");
}

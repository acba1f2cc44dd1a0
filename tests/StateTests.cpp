#include "ProcessorFixture.h"
#include "StateChunk.h"

#include <clocale>
#include <random>

using namespace vantoril;

namespace
{
juce::MemoryBlock chunkOf (VantorilAudioProcessor& p)
{
    juce::MemoryBlock block;
    p.getStateInformation (block);
    return block;
}

// A chunk with the given XML text and length field (defaults to the text's length).
juce::MemoryBlock chunkWithText (const std::string& xml, int lengthField = -1, int extraBytes = 2)
{
    juce::MemoryBlock block;
    const auto n = (juce::uint32) (lengthField < 0 ? (int) xml.size() : lengthField);
    const juce::uint32 header[2] = { juce::ByteOrder::swapIfBigEndian (state::magicNumber),
                                     juce::ByteOrder::swapIfBigEndian (n) };
    block.append (header, 8);
    block.append (xml.data(), xml.size());
    for (int i = 0; i < extraBytes; ++i)
        block.append ("", 1);
    return block;
}

std::array<juce::String, 10> textsOf (VantorilAudioProcessor& p)
{
    std::array<juce::String, 10> texts;
    for (int i = 0; i < 10; ++i)
        texts[(size_t) i] = p.getDisplayText (i);
    return texts;
}
} // namespace

TEST (State, NewProcessorChunkBytes)
{
    ProcessorFixture f;
    const auto chunk = chunkOf (f.processor);
    ASSERT_EQ (chunk.getSize(), 163u);
    const auto* bytes = static_cast<const juce::uint8*> (chunk.getData());
    const juce::uint8 header[] = { 0x56, 0x43, 0x32, 0x21, 0x99, 0x00, 0x00, 0x00 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (bytes[i], header[i]) << i;
    EXPECT_EQ (std::string ((const char*) bytes + 8, 153),
               "<ZDQXKPASETTINGS Attack=\"0.646330416\" Release=\"0.391486764\" Threshold=\"0.5\" Ratio=\"0.5\""
               " Knee=\"1\" LowCut=\"0\" Drive=\"0.25\" Level=\"0.5\" Mix=\"1\" Bypass=\"0\"/>");
    EXPECT_EQ (bytes[161], 0);
}

TEST (State, RoundTripIntoNewProcessor)
{
    ProcessorFixture a, b;
    const float values[] = { 0.13f, 0.77f, 0.3f, 0.9998f, 0.0f, 0.42f, 0.91f, 0.21f, 0.53f, 1.0f };
    for (int i = 0; i < 10; ++i)
        a.processor.setNormalisedValue (i, values[i]);

    const auto chunk = chunkOf (a.processor);
    b.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
    for (int i = 0; i < 10; ++i)
    {
        if (i == params::knee || i == params::bypass)
        {
            EXPECT_EQ (b.processor.getNormalisedValue (i), a.processor.getNormalisedValue (i));
        }
        else
            EXPECT_NEAR (b.processor.getNormalisedValue (i), a.processor.getNormalisedValue (i), 1e-6f) << i;
    }
    EXPECT_EQ (textsOf (a.processor), textsOf (b.processor));
    EXPECT_EQ (chunkOf (a.processor), chunkOf (b.processor));
}

TEST (State, RestoreVariants)
{
    struct Case
    {
        const char* what;
        std::string xml;
        int lengthField;
        int extraBytes;
        bool restores;
    };
    const std::string full = "<ZDQXKPASETTINGS Attack=\"0\" Release=\"1\" Threshold=\"0\" Ratio=\"0.75\" Knee=\"0\""
                             " LowCut=\"0.5\" Drive=\"0.5\" Level=\"1\" Mix=\"0.5\" Bypass=\"1\"/>";
    const Case cases[] = {
        { "our own layout", full, -1, 2, true },
        { "framework layout, n + 9 bytes", full, -1, 1, true },
        { "with an XML declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n" + full, -1, 1, true },
        { "lower-case tag",
          "<zdqxkpasettings Attack=\"0\" Release=\"1\" Threshold=\"0\" Ratio=\"0.75\" Knee=\"0\""
          " LowCut=\"0.5\" Drive=\"0.5\" Level=\"1\" Mix=\"0.5\" Bypass=\"1\"/>",
          -1, 2, true },
        { "length field beyond the data", full, 100000, 0, true },
        { "other tag", "<OTHER Ratio=\"0.75\"/>", -1, 2, false },
        { "not XML", "Ratio=0.75", -1, 2, false },
        { "truncated element", full.substr (0, 60), -1, 2, false },
        { "truncated after an attribute", full.substr (0, full.find (" Ratio")), -1, 2, false },
        { "truncated by the length field", full, 80, 2, false },
        { "length field 0", full, 0, 2, false },
        { "negative length field", full, -5, 2, false },
    };

    for (const auto& c : cases)
    {
        ProcessorFixture f;
        const auto before = textsOf (f.processor);
        const auto chunk = c.lengthField == -5 ? [&] {
            auto block = chunkWithText (c.xml, 0, c.extraBytes);
            const juce::uint32 n = juce::ByteOrder::swapIfBigEndian ((juce::uint32) -5);
            block.copyFrom (&n, 4, 4);
            return block;
        }()
                                               : chunkWithText (c.xml, c.lengthField, c.extraBytes);
        f.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
        if (c.restores)
        {
            EXPECT_EQ (f.processor.getDisplayText (params::ratio), "4.00:1") << c.what;
            EXPECT_EQ (f.processor.getDisplayText (params::mix), "50 %") << c.what;
            EXPECT_EQ (f.processor.getDisplayText (params::bypass), "ON") << c.what;
            EXPECT_EQ (f.processor.getDisplayText (params::knee), "HARD KNEE") << c.what;
        }
        else
        {
            EXPECT_EQ (textsOf (f.processor), before) << c.what;
        }
    }
}

TEST (State, ShortOrForeignChunksChangeNothing)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::drive, 0.7f);
    const auto before = chunkOf (f.processor);

    const auto good = chunkOf (f.processor);
    f.processor.setStateInformation (good.getData(), 8);
    f.processor.setStateInformation (good.getData(), 0);
    f.processor.setStateInformation (nullptr, 100);
    auto wrongMagic = good;
    static_cast<char*> (wrongMagic.getData())[0] = 'X';
    f.processor.setStateInformation (wrongMagic.getData(), (int) wrongMagic.getSize());
    EXPECT_EQ (chunkOf (f.processor), before);
}

TEST (State, MissingOddAndOutOfRangeAttributes)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::drive, 0.7f);
    f.processor.setNormalisedValue (params::level, 0.9f);
    const auto before = textsOf (f.processor);

    // Only the ratio: the other nine keep their values.
    auto onlyRatio = chunkWithText ("<ZDQXKPASETTINGS Ratio=\"0.75\"/>");
    f.processor.setStateInformation (onlyRatio.getData(), (int) onlyRatio.getSize());
    auto after = textsOf (f.processor);
    EXPECT_EQ (after[params::ratio], "4.00:1");
    for (int i = 0; i < 10; ++i)
    {
        if (i != params::ratio)
        {
            EXPECT_EQ (after[(size_t) i], before[(size_t) i]) << i;
        }
    }

    // Attribute names are matched ignoring case; text that is no number reads as 0;
    // values outside [0, 1] are clamped; extra attributes and children are ignored.
    auto odd = chunkWithText ("<ZDQXKPASETTINGS drive=\"abc\" LEVEL=\"7.5\" Mix=\"-2\" Extra=\"1\"><child/></ZDQXKPASETTINGS>");
    f.processor.setStateInformation (odd.getData(), (int) odd.getSize());
    EXPECT_EQ (f.processor.getDisplayText (params::drive), "0 %");
    EXPECT_EQ (f.processor.getDisplayText (params::level), "+15.00 dB");
    EXPECT_EQ (f.processor.getDisplayText (params::mix), "dry");
}

TEST (State, ProgramChunksEqualBankChunks)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::threshold, 0.33f);
    juce::MemoryBlock program;
    f.processor.getCurrentProgramStateInformation (program);
    EXPECT_EQ (program, chunkOf (f.processor));

    ProcessorFixture g;
    g.processor.setCurrentProgramStateInformation (program.getData(), (int) program.getSize());
    for (int i = 0; i < 10; ++i)
        EXPECT_NEAR (g.processor.getNormalisedValue (i), f.processor.getNormalisedValue (i), 1e-6f) << i;
}

TEST (State, ChunkIsIndependentOfTheHostLocale)
{
    // A host may switch the C library to a locale with a decimal comma.
    const char* previous = std::setlocale (LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale (LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    ProcessorFixture f;
    const auto chunk = chunkOf (f.processor);
    std::setlocale (LC_NUMERIC, saved.c_str());
    EXPECT_EQ (chunk.getSize(), 163u);
    EXPECT_NE (std::string ((const char*) chunk.getData() + 8, 153).find ("Threshold=\"0.5\""), std::string::npos);
}

TEST (State, SaveRestoreSaveIsByteIdenticalForAnyValues)
{
    std::mt19937 random (13);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    for (int round = 0; round < 200; ++round)
    {
        ProcessorFixture a;
        for (int i = 0; i < params::count; ++i)
            a.processor.setNormalisedValue (i, unit (random));
        const auto first = chunkOf (a.processor);
        const auto texts = textsOf (a.processor);

        // Restored into a new processor and saved again, many times over.
        auto chunk = first;
        for (int generation = 0; generation < 5; ++generation)
        {
            ProcessorFixture b;
            b.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
            chunk = chunkOf (b.processor);
            ASSERT_EQ (chunk, first) << round << " " << generation;
            ASSERT_EQ (textsOf (b.processor), texts) << round;
        }
    }
}

TEST (State, ParametersReadBackWhatWasWritten)
{
    ProcessorFixture f;
    // A release that shows "41 ms" and whose stored value converts back to a
    // different normalised value (reading back the stored value would drift).
    float release = *params::parseValueText (params::release, "40ms");
    while (params::displayText (params::release, params::toStored (params::release, release)) != "41 ms" ||
           params::toNormalised (params::release, params::toStored (params::release, release)) == release)
        release = std::nextafter (release, 1.0f);
    f.processor.setNormalisedValue (params::release, release);
    for (int i = 0; i < 10; ++i)
    {
        auto chunk = chunkOf (f.processor);
        f.processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
    }
    EXPECT_EQ (f.processor.getNormalisedValue (params::release), release);
    EXPECT_EQ (f.processor.getDisplayText (params::release), "41 ms");

    // Continuous parameters return the written value, clamped; switches 0 or 1.
    const float written[] = { 0.3f, 1.7f, -0.2f, 0.123456789f };
    const float expected[] = { 0.3f, 1.0f, 0.0f, 0.123456789f };
    for (int i = 0; i < params::count; ++i)
        for (size_t k = 0; k < 4; ++k)
        {
            f.processor.setNormalisedValue (i, written[k]);
            const float switchValue = expected[k] >= 0.5f ? 1.0f : 0.0f;
            EXPECT_EQ (f.processor.getNormalisedValue (i), params::isSwitch (i) ? switchValue : expected[k]) << i;
        }
}

TEST (State, MalformedChunksLeaveEveryParameterUnchanged)
{
    ProcessorFixture f;
    f.processor.setNormalisedValue (params::drive, 0.7f);
    auto before = chunkOf (f.processor);

    // Random bytes after a valid header, and valid chunks with a few bytes changed.
    std::mt19937 random (3);
    for (int round = 0; round < 2000; ++round)
    {
        auto chunk = round % 2 == 0 ? chunkWithText (std::string ((size_t) (random() % 64), 'x')) : before;
        auto* bytes = static_cast<unsigned char*> (chunk.getData());
        if (round % 2 == 0)
            for (size_t k = 8; k < chunk.getSize(); ++k)
                bytes[k] = (unsigned char) random();
        else
            for (int k = 0; k < 3; ++k)
                bytes[8 + random() % (chunk.getSize() - 8)] = (unsigned char) random();

        const std::vector<unsigned char> exact (bytes, bytes + chunk.getSize());
        const bool readable = state::readStateChunk (exact.data(), exact.size()).has_value();
        f.processor.setStateInformation (exact.data(), (int) exact.size());
        const auto after = chunkOf (f.processor);
        if (! readable)
        {
            ASSERT_EQ (after, before) << round;
        }
        for (int i = 0; i < params::count; ++i)
            ASSERT_TRUE (f.processor.getNormalisedValue (i) >= 0.0f && f.processor.getNormalisedValue (i) <= 1.0f);
        before = after;
    }
}

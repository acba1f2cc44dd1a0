// The chunk reader on its own: what it accepts, what it refuses, and that it
// stays within the bytes it is given whatever they hold.
#include "StateChunk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

using namespace vantoril;

namespace
{
// A chunk with the given text; the length field is the text's length unless given.
std::vector<std::uint8_t> chunkWithText (const std::string& text, std::int64_t lengthField = -1, int extraBytes = 2)
{
    const auto n = static_cast<std::uint32_t> (lengthField < 0 ? static_cast<std::int64_t> (text.size()) : lengthField);
    std::vector<std::uint8_t> chunk;
    for (int i = 0; i < 4; ++i)
        chunk.push_back (static_cast<std::uint8_t> ((state::magicNumber >> (8 * i)) & 0xff));
    for (int i = 0; i < 4; ++i)
        chunk.push_back (static_cast<std::uint8_t> ((n >> (8 * i)) & 0xff));
    chunk.insert (chunk.end(), text.begin(), text.end());
    chunk.insert (chunk.end(), static_cast<std::size_t> (extraBytes), 0);
    return chunk;
}

std::optional<state::ChunkValues> read (const std::vector<std::uint8_t>& chunk)
{
    // An exact-size heap copy, so that a read past the end is caught by the sanitizers.
    auto copy = std::make_unique<std::uint8_t[]> (chunk.size());
    std::copy (chunk.begin(), chunk.end(), copy.get());
    return state::readStateChunk (copy.get(), chunk.size());
}

std::optional<double> valueOf (const std::optional<state::ChunkValues>& values, int index)
{
    return values ? (*values)[static_cast<std::size_t> (index)] : std::nullopt;
}
} // namespace

TEST (StateChunkReader, ReadsWhatTheWriterWrites)
{
    std::mt19937 random (7);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    for (int round = 0; round < 500; ++round)
    {
        std::array<float, params::count> values {};
        for (auto& v : values)
            v = unit (random);
        const auto chunk = state::makeStateChunk (values);
        const auto read = state::readStateChunk (chunk.data(), chunk.size());
        ASSERT_TRUE (read);
        for (int i = 0; i < params::count; ++i)
            ASSERT_EQ (static_cast<float> (*(*read)[static_cast<std::size_t> (i)]), values[static_cast<std::size_t> (i)]);
    }
}

TEST (StateChunkReader, AcceptedLayouts)
{
    struct Case
    {
        const char* what;
        std::string text;
        double ratio;
    };
    const Case cases[] = {
        { "plain", "<ZDQXKPASETTINGS Ratio=\"0.75\"/>", 0.75 },
        { "declaration and blank lines", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<ZDQXKPASETTINGS Ratio=\"0.75\"/>",
          0.75 },
        { "byte-order mark, comment and document type", "\xEF\xBB\xBF<!-- saved --><!DOCTYPE x><ZDQXKPASETTINGS Ratio=\"0.75\"/>",
          0.75 },
        { "tag and name in other case", "<zdqxkpasettings rAtIo=\"0.75\"/>", 0.75 },
        { "single quotes, spaces around =", "<ZDQXKPASETTINGS Ratio = '0.75' />", 0.75 },
        { "no space between attributes", "<ZDQXKPASETTINGS Mix=\"1\"Ratio=\"0.75\"/>", 0.75 },
        { "first of two equal names", "<ZDQXKPASETTINGS Ratio=\"0.75\" RATIO=\"0.1\"/>", 0.75 },
        { "children and an end tag", "<ZDQXKPASETTINGS Ratio=\"0.75\"><a x='>'><b/></a><!-- <c> --></ZDQXKPASETTINGS>", 0.75 },
        { "entities", "<ZDQXKPASETTINGS Ratio=\"&#48;.75&amp;\"/>", 0.75 },
        { "white space, sign and exponent", "<ZDQXKPASETTINGS Ratio=\" +7.5e-1\"/>", 0.75 },
        { "not a number", "<ZDQXKPASETTINGS Ratio=\"abc\"/>", 0.0 },
        { "trailing garbage in the value", "<ZDQXKPASETTINGS Ratio=\"0.75xyz\"/>", 0.75 },
        { "trailing white space", "<ZDQXKPASETTINGS Ratio=\"0.75\"/>\n \t", 0.75 },
    };
    for (const auto& c : cases)
    {
        const auto values = read (chunkWithText (c.text));
        ASSERT_TRUE (values) << c.what;
        EXPECT_EQ (valueOf (values, params::ratio), c.ratio) << c.what;
        EXPECT_FALSE (valueOf (values, params::attack)) << c.what;
    }
}

TEST (StateChunkReader, RefusedChunks)
{
    const std::string good = "<ZDQXKPASETTINGS Ratio=\"0.75\"/>";
    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> chunk;
    };
    auto wrongMagic = chunkWithText (good);
    wrongMagic[0] ^= 1;
    const Case cases[] = {
        { "empty", {} },
        { "header only", chunkWithText ("", 0, 0) },
        { "wrong magic number", wrongMagic },
        { "length 0", chunkWithText (good, 0) },
        { "negative length", chunkWithText (good, 0x80000000u) },
        { "length cuts the element", chunkWithText (good, 20) },
        { "other tag", chunkWithText ("<OTHER Ratio=\"0.75\"/>") },
        { "tag with a longer name", chunkWithText ("<ZDQXKPASETTINGSX Ratio=\"0.75\"/>") },
        { "no element", chunkWithText ("Ratio=0.75") },
        { "only a declaration", chunkWithText ("<?xml version=\"1.0\"?>") },
        { "unterminated declaration", chunkWithText ("<?xml <ZDQXKPASETTINGS/>") },
        { "unterminated comment", chunkWithText ("<!-- <ZDQXKPASETTINGS/>") },
        { "cut in an attribute", chunkWithText (good.substr (0, 22)) },
        { "unquoted value", chunkWithText ("<ZDQXKPASETTINGS Ratio=0.75/>") },
        { "unterminated value", chunkWithText ("<ZDQXKPASETTINGS Ratio=\"0.75/>") },
        { "attribute without value", chunkWithText ("<ZDQXKPASETTINGS Ratio/>") },
        { "slash without >", chunkWithText ("<ZDQXKPASETTINGS Ratio=\"1\" / >") },
        { "illegal character", chunkWithText ("<ZDQXKPASETTINGS ?=\"1\"/>") },
        { "missing end tag", chunkWithText ("<ZDQXKPASETTINGS Ratio=\"0.75\"><a></a>") },
        { "garbage after the element", chunkWithText (good + "xyz") },
        { "zero byte inside the element", chunkWithText (std::string ("<ZDQXKPASETTINGS Ra\0tio=\"1\"/>", 29)) },
    };
    for (const auto& c : cases)
        EXPECT_FALSE (read (c.chunk)) << c.what;
    EXPECT_FALSE (state::readStateChunk (nullptr, 100));
}

TEST (StateChunkReader, LengthFieldBeyondTheDataReadsOnlyTheData)
{
    for (std::int64_t length : { 100LL, 100000LL, 0x7fffffffLL })
        EXPECT_EQ (valueOf (read (chunkWithText ("<ZDQXKPASETTINGS Ratio=\"0.75\"/>", length, 0)), params::ratio), 0.75)
            << length;
}

TEST (StateChunkReader, HostileInputStaysBounded)
{
    // Deep nesting (no recursion), many attributes (no quadratic search), long
    // numbers, bytes that are no UTF-8 and stray ampersands.
    std::string deep = "<ZDQXKPASETTINGS Ratio=\"0.25\">";
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    for (int i = 0; i < 200000; ++i)
        deep += "</a>";
    deep += "</ZDQXKPASETTINGS>";
    EXPECT_EQ (valueOf (read (chunkWithText (deep)), params::ratio), 0.25);

    std::string deepUnclosed = "<ZDQXKPASETTINGS>";
    for (int i = 0; i < 200000; ++i)
        deepUnclosed += "<a>";
    EXPECT_FALSE (read (chunkWithText (deepUnclosed + ">")));

    std::string many = "<ZDQXKPASETTINGS";
    for (int i = 0; i < 100000; ++i)
        many += " A" + std::to_string (i) + "=\"1\"";
    many += " Mix=\"0.5\"/>";
    EXPECT_EQ (valueOf (read (chunkWithText (many)), params::mix), 0.5);

    const std::string digits (1 << 20, '9');
    EXPECT_EQ (valueOf (read (chunkWithText ("<ZDQXKPASETTINGS Mix=\"" + digits + "\"/>")), params::mix),
               std::numeric_limits<double>::infinity());

    for (const char* text : { "<ZDQXKPASETTINGS Mix=\"\xff\xfe\x80\"/>", "<ZDQXKPASETTINGS \xc3\xa9=\"1\" Mix=\"&\"/>",
                              "<ZDQXKPASETTINGS Mix=\"&#\"/>", "<ZDQXKPASETTINGS Mix=\"&#x;&#99999999999999999999;&\"/>", "&",
                              "<&", "<ZDQXKPASETTINGS&>" })
        (void) read (chunkWithText (text));

    // Every prefix of a valid chunk, with and without its length field adjusted.
    const auto full = state::makeStateChunk ({ 0.1f, 0.2f, 0.3f, 0.4f, 1.0f, 0.6f, 0.7f, 0.8f, 0.9f, 0.0f });
    for (std::size_t size = 0; size <= full.size(); ++size)
        (void) read (std::vector<std::uint8_t> (full.begin(), full.begin() + static_cast<std::ptrdiff_t> (size)));
}

TEST (StateChunkReader, Numbers)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        const char* text;
        double value;
    };
    const Case cases[] = {
        { "0.646330416", 0.646330416 },
        { "1", 1.0 },
        { "-2", -2.0 },
        { "  \t\n.5", 0.5 },
        { "5.", 5.0 },
        { "1e3", 1000.0 },
        { "1E+3", 1000.0 },
        { "1e", 1.0 },
        { "1e-", 1.0 },
        { "2.5e-1x", 0.25 },
        { "1.2.3", 1.2 },
        { "", 0.0 },
        { "-", 0.0 },
        { ".", 0.0 },
        { "e5", 0.0 },
        { "abc", 0.0 },
        { "0000.000", 0.0 },
        { "inf", inf },
        { "-INF", -inf },
        { "1e999999999999999999", inf },
        { "1e-999999999999999999", 0.0 },
        { "0.000000000000000000000000000000000000000000000000001e51", 1.0 },
        { "123456789012345678901234567890123456789012345678901234567890e-59", 1.2345678901234568 },
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ (state::parseNumber (c.text, c.text + std::strlen (c.text)), c.value) << c.text;
    const char* nan = "NaN";
    EXPECT_TRUE (std::isnan (state::parseNumber (nan, nan + 3)));
}

#include "StateChunk.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace vantoril::state
{

std::string formatValue (double value)
{
    char buffer[64];
    const auto result = std::to_chars (buffer, buffer + sizeof (buffer), value, std::chars_format::general, 9);
    return std::string (buffer, result.ptr);
}

std::string makeStateXml (const std::array<float, params::count>& normalised)
{
    std::string xml = "<";
    xml += tagName;

    for (int i = 0; i < params::count; ++i)
    {
        xml += ' ';
        xml += params::name (i);
        xml += "=\"";
        xml += formatValue (static_cast<double> (normalised[static_cast<size_t> (i)]));
        xml += '"';
    }

    xml += "/>";
    return xml;
}

std::vector<std::uint8_t> makeStateChunk (const std::array<float, params::count>& normalised)
{
    const std::string xml = makeStateXml (normalised);
    const auto length = static_cast<std::uint32_t> (xml.size());

    std::vector<std::uint8_t> chunk (xml.size() + 10, 0);
    for (int i = 0; i < 4; ++i)
    {
        chunk[static_cast<size_t> (i)] = static_cast<std::uint8_t> ((magicNumber >> (8 * i)) & 0xff);
        chunk[static_cast<size_t> (4 + i)] = static_cast<std::uint8_t> ((length >> (8 * i)) & 0xff);
    }
    std::copy (xml.begin(), xml.end(), chunk.begin() + 8);
    // chunk[8 + n] is the terminating zero, chunk[9 + n] the spare byte (also zero).
    return chunk;
}

} // namespace vantoril::state

//==============================================================================
namespace vantoril::state
{

namespace
{
bool isSpace (char c) noexcept { return c == ' ' || (c >= 9 && c <= 13); }
bool isDigit (char c) noexcept { return c >= '0' && c <= '9'; }

char lower (char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char> (c - 'A' + 'a') : c; }

bool equalsIgnoringCase (const char* begin, const char* end, const char* name) noexcept
{
    for (; begin != end; ++begin, ++name)
        if (*name == 0 || lower (*begin) != lower (*name))
            return false;
    return *name == 0;
}

bool startsWith (const char* p, const char* end, const char* prefix) noexcept
{
    for (; *prefix != 0; ++p, ++prefix)
        if (p == end || *p != *prefix)
            return false;
    return true;
}

// Letters, digits, '_', '-', ':', '.' and every byte of a multi-byte UTF-8 character.
bool isNameChar (char c) noexcept
{
    const auto u = static_cast<unsigned char> (c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit (c) || c == '_' || c == '-' || c == ':' || c == '.' ||
        u >= 0x80;
}

// Moves p past the next occurrence of terminator; false when there is none.
bool skipPast (const char*& p, const char* end, const char* terminator) noexcept
{
    const std::string_view text (p, static_cast<std::size_t> (end - p));
    const auto found = text.find (terminator);
    if (found == std::string_view::npos)
        return false;
    p += found + std::char_traits<char>::length (terminator);
    return true;
}

void skipSpace (const char*& p, const char* end) noexcept
{
    while (p != end && isSpace (*p))
        ++p;
}

const char* readName (const char* p, const char* end) noexcept
{
    while (p != end && isNameChar (*p))
        ++p;
    return p;
}

// An attribute value with its entities replaced (the five named ones and
// numeric character references; anything else is kept as it stands).
std::string decodeValue (const char* p, const char* end)
{
    std::string text;
    text.reserve (static_cast<std::size_t> (end - p));
    while (p != end)
    {
        if (*p != '&')
        {
            text += *p++;
            continue;
        }
        const char* semicolon = p + 1;
        while (semicolon != end && semicolon - p <= 10 && *semicolon != ';')
            ++semicolon;
        if (semicolon == end || *semicolon != ';')
        {
            text += *p++;
            continue;
        }
        const std::string_view entity (p + 1, static_cast<std::size_t> (semicolon - p - 1));
        long code = -1;
        if (entity == "amp")
            code = '&';
        else if (entity == "lt")
            code = '<';
        else if (entity == "gt")
            code = '>';
        else if (entity == "quot")
            code = '"';
        else if (entity == "apos")
            code = '\'';
        else if (entity.size() > 1 && entity[0] == '#')
        {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            const char* digits = entity.data() + (hex ? 2 : 1);
            const char* digitsEnd = entity.data() + entity.size();
            unsigned long value = 0;
            const auto result = std::from_chars (digits, digitsEnd, value, hex ? 16 : 10);
            if (result.ec == std::errc() && result.ptr == digitsEnd && digits != digitsEnd && value < 0x80)
                code = static_cast<long> (value);
        }
        if (code > 0)
        {
            text += static_cast<char> (code);
            p = semicolon + 1;
        }
        else
            text += *p++;
    }
    return text;
}

// Skips the content of an element whose start tag has just been read, up to
// and including its end tag, counting nested elements instead of recursing.
bool skipContent (const char*& p, const char* end) noexcept
{
    std::size_t depth = 1;
    while (depth > 0)
    {
        while (p != end && *p != '<')
            ++p;
        if (p == end)
            return false;

        if (startsWith (p, end, "<!--"))
        {
            if (! skipPast (p, end, "-->"))
                return false;
        }
        else if (startsWith (p, end, "<![CDATA["))
        {
            if (! skipPast (p, end, "]]>"))
                return false;
        }
        else if (startsWith (p, end, "<?"))
        {
            if (! skipPast (p, end, "?>"))
                return false;
        }
        else if (startsWith (p, end, "</"))
        {
            if (! skipPast (p, end, ">"))
                return false;
            --depth;
        }
        else
        {
            // A child's start tag: up to its '>', quoted values may hold '>'.
            ++p;
            char quote = 0;
            while (p != end && (quote != 0 || *p != '>'))
            {
                if (quote != 0 && *p == quote)
                    quote = 0;
                else if (quote == 0 && (*p == '"' || *p == '\''))
                    quote = *p;
                ++p;
            }
            if (p == end)
                return false;
            if (*(p - 1) != '/')
                ++depth;
            ++p;
        }
    }
    return true;
}
} // namespace

double parseNumber (const char* p, const char* end) noexcept
{
    skipSpace (p, end);

    bool negative = false;
    if (p != end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';

    const auto infinity = std::numeric_limits<double>::infinity();
    if (end - p >= 3 && lower (p[0]) == 'n' && lower (p[1]) == 'a' && lower (p[2]) == 'n')
        return std::numeric_limits<double>::quiet_NaN();
    if (end - p >= 3 && lower (p[0]) == 'i' && lower (p[1]) == 'n' && lower (p[2]) == 'f')
        return negative ? -infinity : infinity;

    // The significant digits (at most 40 are kept, the rest only scale) and the
    // position of the decimal point, then the exponent, saturated.
    constexpr int maxDigits = 40;
    char digits[maxDigits + 1];
    int numDigits = 0;
    long long exponent = 0;
    bool anyDigit = false, point = false;

    for (; p != end; ++p)
    {
        if (isDigit (*p))
        {
            anyDigit = true;
            if (numDigits == 0 && *p == '0')
            {
                if (point)
                    --exponent;
                continue;
            }
            if (numDigits < maxDigits)
            {
                digits[numDigits++] = *p;
                if (point)
                    --exponent;
            }
            else if (! point)
                ++exponent;
        }
        else if (*p == '.' && ! point)
            point = true;
        else
            break;
    }

    if (! anyDigit)
        return 0.0;
    if (numDigits == 0)
        return negative ? -0.0 : 0.0;

    if (p != end && (*p == 'e' || *p == 'E'))
    {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q != end && (*q == '-' || *q == '+'))
            negativeExponent = *q++ == '-';
        if (q != end && isDigit (*q))
        {
            long long value = 0;
            for (; q != end && isDigit (*q); ++q)
                value = std::min (value * 10 + (*q - '0'), 1000000LL);
            exponent += negativeExponent ? -value : value;
        }
    }

    // Far outside the double range: no need to ask the library.
    const long long magnitude = exponent + numDigits;
    if (magnitude > 400)
        return negative ? -infinity : infinity;
    if (magnitude < -400)
        return negative ? -0.0 : 0.0;

    char text[maxDigits + 16];
    std::memcpy (text, digits, static_cast<std::size_t> (numDigits));
    const auto suffix = std::to_chars (text + numDigits + 1, text + sizeof (text), exponent);
    text[numDigits] = 'e';

    double value = 0.0;
    const auto result = std::from_chars (text, suffix.ptr, value);
    if (result.ec == std::errc::result_out_of_range)
        value = exponent > 0 ? infinity : 0.0;
    return negative ? -value : value;
}

std::optional<ChunkValues> readStateChunk (const void* data, std::size_t size)
{
    if (data == nullptr || size <= 8)
        return std::nullopt;

    const auto* bytes = static_cast<const unsigned char*> (data);
    const auto word = [bytes] (int offset)
    {
        return static_cast<std::uint32_t> (bytes[offset]) | static_cast<std::uint32_t> (bytes[offset + 1]) << 8 |
            static_cast<std::uint32_t> (bytes[offset + 2]) << 16 | static_cast<std::uint32_t> (bytes[offset + 3]) << 24;
    };
    if (word (0) != magicNumber)
        return std::nullopt;
    const auto length = static_cast<std::int32_t> (word (4));
    if (length <= 0)
        return std::nullopt;

    const char* p = reinterpret_cast<const char*> (bytes + 8);
    const char* end = p + std::min (static_cast<std::size_t> (length), size - 8);
    end = std::find (p, end, '\0');

    // The text must end with the element (trailing white space aside).
    const char* last = end;
    while (last != p && isSpace (*(last - 1)))
        --last;
    if (last == p || *(last - 1) != '>')
        return std::nullopt;

    // Byte-order mark, declaration, comments, document type, white space.
    if (startsWith (p, end, "\xEF\xBB\xBF"))
        p += 3;
    for (;;)
    {
        skipSpace (p, end);
        if (startsWith (p, end, "<?"))
        {
            if (! skipPast (p, end, "?>"))
                return std::nullopt;
        }
        else if (startsWith (p, end, "<!--"))
        {
            if (! skipPast (p, end, "-->"))
                return std::nullopt;
        }
        else if (startsWith (p, end, "<!"))
        {
            if (! skipPast (p, end, ">"))
                return std::nullopt;
        }
        else
            break;
    }

    if (p == end || *p != '<')
        return std::nullopt;
    const char* tag = ++p;
    p = readName (p, end);
    if (p == tag || ! equalsIgnoringCase (tag, p, tagName))
        return std::nullopt;

    ChunkValues values;
    for (;;)
    {
        skipSpace (p, end);
        if (p == end)
            return std::nullopt;
        if (*p == '>')
        {
            ++p;
            if (! skipContent (p, end))
                return std::nullopt;
            break;
        }
        if (*p == '/')
        {
            if (end - p < 2 || p[1] != '>')
                return std::nullopt;
            break;
        }

        // name = "value" or name = 'value'
        const char* name = p;
        p = readName (p, end);
        if (p == name)
            return std::nullopt;
        const char* nameEnd = p;
        skipSpace (p, end);
        if (p == end || *p != '=')
            return std::nullopt;
        ++p;
        skipSpace (p, end);
        if (p == end || (*p != '"' && *p != '\''))
            return std::nullopt;
        const char quote = *p++;
        const char* value = p;
        p = std::find (p, end, quote);
        if (p == end)
            return std::nullopt;
        const char* valueEnd = p++;

        for (int i = 0; i < params::count; ++i)
        {
            auto& slot = values[static_cast<std::size_t> (i)];
            if (! slot && equalsIgnoringCase (name, nameEnd, params::name (i)))
            {
                const auto text = decodeValue (value, valueEnd);
                slot = parseNumber (text.data(), text.data() + text.size());
                break;
            }
        }
    }
    return values;
}

} // namespace vantoril::state

#include "StateChunk.h"

#include <charconv>

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

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ParameterMapping.h"

// The saved-state chunk: an eight-byte header (magic number, text length), one
// XML element with one attribute per parameter, a terminating zero byte and a
// spare byte.
namespace vantoril::state
{

inline constexpr std::uint32_t magicNumber = 0x21324356;
inline constexpr const char* tagName = "ZDQXKPASETTINGS";

// The element's text for the ten normalised values, in index order.
std::string makeStateXml (const std::array<float, params::count>& normalised);

// The whole chunk: header, text, zero byte and spare byte (text length + 10).
std::vector<std::uint8_t> makeStateChunk (const std::array<float, params::count>& normalised);

// The values a chunk holds, by parameter index; empty where the element has
// no attribute of that name (the parameter keeps its value).
using ChunkValues = std::array<std::optional<double>, params::count>;

// Reads a chunk: the header (magic number, then the text length n, refused
// when 0 or negative), then min (n, size - 8) bytes of text up to the first
// zero byte, which must hold one element tagged ZDQXKPASETTINGS (any letter
// case), optionally after an XML declaration, comments or a document type.
// Attribute names match in any letter case; the first of equal names counts;
// a value that does not begin with a number reads as 0. Returns nothing for
// any malformed or foreign chunk. Reads only the bytes given, in time linear
// in their number, without recursion.
std::optional<ChunkValues> readStateChunk (const void* data, std::size_t size);

// The number at the start of a text as the chunk format reads it: leading
// white space, a sign, "nan" or "inf" in any case, or decimal digits with at
// most one point and an optional exponent. 0 when there is no number.
double parseNumber (const char* begin, const char* end) noexcept;

// A value printed as printf's "%.9g" prints it in the "C" locale, whatever
// locale the host has set.
std::string formatValue (double value);

} // namespace vantoril::state

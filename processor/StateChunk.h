#pragma once

#include <array>
#include <cstdint>
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

// A value printed as printf's "%.9g" prints it in the "C" locale, whatever
// locale the host has set.
std::string formatValue (double value);

} // namespace vantoril::state

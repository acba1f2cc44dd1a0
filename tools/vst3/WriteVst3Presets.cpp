// Writes the factory presets as VST3 preset files (.vstpreset), one per preset:
//   vantoril-vst3-presets DIRECTORY CLASS_ID
// CLASS_ID is the plug-in component's class ID as 32 hexadecimal digits. Each
// file holds the component state the VST3 plug-in itself saves for those
// values: the state chunk, then the framework client's empty private-data
// trailer (two zero 64-bit words and "JUCEPrivateData").
#include "FactoryPresets.h"
#include "StateChunk.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
void append (std::vector<char>& out, const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*> (data);
    out.insert (out.end(), bytes, bytes + size);
}

template <typename Int> void appendLittleEndian (std::vector<char>& out, Int value)
{
    for (size_t i = 0; i < sizeof (Int); ++i)
        out.push_back (static_cast<char> ((static_cast<std::uint64_t> (value) >> (8 * i)) & 0xff));
}

std::vector<char> componentState (const vantoril::presets::FactoryPreset& preset)
{
    const auto chunk = vantoril::state::makeStateChunk (preset.values);
    std::vector<char> state (chunk.begin(), chunk.end());
    appendLittleEndian<std::int64_t> (state, 0);
    appendLittleEndian<std::int64_t> (state, 0);
    append (state, "JUCEPrivateData", 15);
    return state;
}

// The preset file: header ("VST3", version 1, class ID, offset of the chunk
// list), the component state, and the chunk list naming it "Comp".
std::vector<char> presetFile (const std::string& classId, const std::vector<char>& state)
{
    constexpr std::int64_t headerSize = 4 + 4 + 32 + 8;
    std::vector<char> file;
    append (file, "VST3", 4);
    appendLittleEndian<std::int32_t> (file, 1);
    append (file, classId.data(), 32);
    appendLittleEndian<std::int64_t> (file, headerSize + static_cast<std::int64_t> (state.size()));
    append (file, state.data(), state.size());
    append (file, "List", 4);
    appendLittleEndian<std::int32_t> (file, 1);
    append (file, "Comp", 4);
    appendLittleEndian<std::int64_t> (file, headerSize);
    appendLittleEndian<std::int64_t> (file, static_cast<std::int64_t> (state.size()));
    return file;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3 || std::strlen (argv[2]) != 32)
    {
        std::fprintf (stderr, "usage: vantoril-vst3-presets DIRECTORY CLASS_ID (32 hex digits)\n");
        return 2;
    }
    const std::string directory = argv[1], classId = argv[2];
    for (const auto& preset : vantoril::presets::factoryPresets())
    {
        const auto path = directory + "/" + preset.name + ".vstpreset";
        const auto bytes = presetFile (classId, componentState (preset));
        std::ofstream out (path, std::ios::binary | std::ios::trunc);
        out.write (bytes.data(), static_cast<std::streamsize> (bytes.size()));
        out.close();
        if (! out)
        {
            std::fprintf (stderr, "vantoril-vst3-presets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

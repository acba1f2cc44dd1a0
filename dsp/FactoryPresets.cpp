#include "FactoryPresets.h"

#include <cctype>

namespace vantoril::presets
{

namespace
{
// A preset in the parameters' units: attack and release in ms, threshold in
// dB, ratio n for n:1, knee 1 soft / 0 hard, low cut in Hz (0 or the lowest: off), drive in
// %, level in dB, mix in %, bypass 0.
struct InUnits
{
    const char* name;
    const char* description;
    std::array<float, params::count> values;
};

const InUnits inUnits[] = {
    { "Vocal",
      "Even lead vocal: fast attack, medium release, low cut in the detector",
      { 5.0f, 120.0f, -22.0f, 3.0f, 1.0f, 100.0f, 15.0f, 2.0f, 100.0f, 0.0f } },
    { "Drum Bus",
      "Punchy drums: the attack lets transients through, hard knee, some drive",
      { 20.0f, 100.0f, -18.0f, 4.0f, 0.0f, 60.0f, 30.0f, 2.0f, 100.0f, 0.0f } },
    { "Bass",
      "Steady bass: firm ratio, release long enough not to distort low notes",
      { 10.0f, 200.0f, -20.0f, 4.0f, 1.0f, 0.0f, 20.0f, 1.5f, 100.0f, 0.0f } },
    { "Acoustic Guitar",
      "Gentle levelling of strummed or picked guitar",
      { 15.0f, 250.0f, -20.0f, 2.5f, 1.0f, 80.0f, 10.0f, 1.0f, 100.0f, 0.0f } },
    { "Mix Bus Glue",
      "A dB or two of slow reduction that holds a mix together",
      { 30.0f, 300.0f, -12.0f, 2.0f, 1.0f, 40.0f, 5.0f, 1.0f, 100.0f, 0.0f } },
    { "Parallel Crush",
      "Heavy, driven compression mixed under the dry signal",
      { 1.0f, 60.0f, -32.0f, 10.0f, 0.0f, 0.0f, 60.0f, 6.0f, 40.0f, 0.0f } },
    { "Podcast Voice",
      "Spoken word, close and even, rumble kept out of the detector",
      { 3.0f, 150.0f, -24.0f, 4.0f, 1.0f, 120.0f, 10.0f, 4.0f, 100.0f, 0.0f } },
    { "Gentle Mastering",
      "Low ratio, slow release, clean: a final touch of density",
      { 30.0f, 500.0f, -10.0f, 1.5f, 1.0f, 30.0f, 0.0f, 1.0f, 100.0f, 0.0f } },
};

std::array<FactoryPreset, 9> makePresets()
{
    std::array<FactoryPreset, 9> result {};
    result[0] = { "Init", "The values of a new instance", {} };
    for (int i = 0; i < params::count; ++i)
        result[0].values[static_cast<size_t> (i)] = params::toNormalised (i, params::initialStoredValue (i));

    size_t next = 1;
    for (const auto& preset : inUnits)
    {
        auto& out = result[next++];
        out.name = preset.name;
        out.description = preset.description;
        for (int i = 0; i < params::count; ++i)
            out.values[static_cast<size_t> (i)] = params::fromUnitValue (i, preset.values[static_cast<size_t> (i)]);
    }
    return result;
}

bool equalIgnoringCase (std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower (static_cast<unsigned char> (a[i])) != std::tolower (static_cast<unsigned char> (b[i])))
            return false;
    return true;
}
} // namespace

const std::array<FactoryPreset, 9>& factoryPresets() noexcept
{
    static const auto presets = makePresets();
    return presets;
}

const FactoryPreset* findFactoryPreset (std::string_view name) noexcept
{
    for (const auto& preset : factoryPresets())
        if (equalIgnoringCase (preset.name, name))
            return &preset;
    return nullptr;
}

} // namespace vantoril::presets

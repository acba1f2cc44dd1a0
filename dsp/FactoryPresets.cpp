#include "FactoryPresets.h"

#include <cctype>

namespace vantoril::presets
{

namespace
{
// Normalised values in index order: attack, release, threshold, ratio, knee,
// low cut, drive, level, mix, bypass. The comments give what they show.
const std::array<FactoryPreset, 9> presets { {
    { "Init", "The values of a new instance", { 0.646330416f, 0.391486764f, 0.5f, 0.5f, 1.0f, 0.0f, 0.25f, 0.5f, 1.0f, 0.0f } },
    // 5 ms, 120 ms, -22 dB, 3:1, soft, 100 Hz, 15 %, +2 dB
    { "Vocal",
      "Even lead vocal: fast attack, medium release, low cut in the detector",
      { 0.368f, 0.288f, 0.45f, 0.667f, 1.0f, 0.233f, 0.15f, 0.567f, 1.0f, 0.0f } },
    // 20 ms, 100 ms, -18 dB, 4:1, hard, 60 Hz, 30 %, +2 dB
    { "Drum Bus",
      "Punchy drums: the attack lets transients through, hard knee, some drive",
      { 0.585f, 0.271f, 0.55f, 0.75f, 0.0f, 0.159f, 0.3f, 0.567f, 1.0f, 0.0f } },
    // 10 ms, 200 ms, -20 dB, 4:1, soft, no low cut, 20 %, +1.5 dB
    { "Bass",
      "Steady bass: firm ratio, release long enough not to distort low notes",
      { 0.464f, 0.342f, 0.5f, 0.75f, 1.0f, 0.0f, 0.2f, 0.55f, 1.0f, 0.0f } },
    // 15 ms, 250 ms, -20 dB, 2.5:1, soft, 80 Hz, 10 %, +1 dB
    { "Acoustic Guitar",
      "Gentle levelling of strummed or picked guitar",
      { 0.531f, 0.368f, 0.5f, 0.6f, 1.0f, 0.201f, 0.1f, 0.533f, 1.0f, 0.0f } },
    // 30 ms, 300 ms, -12 dB, 2:1, soft, 40 Hz, 5 %, +1 dB
    { "Mix Bus Glue",
      "A dB or two of slow reduction that holds a mix together",
      { 0.669f, 0.391f, 0.7f, 0.5f, 1.0f, 0.101f, 0.05f, 0.533f, 1.0f, 0.0f } },
    // 1 ms, 60 ms, -32 dB, 10:1, hard, no low cut, 60 %, +6 dB, 40 % wet
    { "Parallel Crush",
      "Heavy, driven compression mixed under the dry signal",
      { 0.215f, 0.229f, 0.2f, 0.9f, 0.0f, 0.0f, 0.6f, 0.7f, 0.4f, 0.0f } },
    // 3 ms, 150 ms, -24 dB, 4:1, soft, 120 Hz, 10 %, +4 dB
    { "Podcast Voice",
      "Spoken word, close and even, rumble kept out of the detector",
      { 0.311f, 0.311f, 0.4f, 0.75f, 1.0f, 0.26f, 0.1f, 0.633f, 1.0f, 0.0f } },
    // 30 ms, 500 ms, -10 dB, 1.5:1, soft, 30 Hz, no drive, +1 dB
    { "Gentle Mastering",
      "Low ratio, slow release, clean: a final touch of density",
      { 0.669f, 0.464f, 0.75f, 0.333f, 1.0f, 0.059f, 0.0f, 0.533f, 1.0f, 0.0f } },
} };

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

const std::array<FactoryPreset, 9>& factoryPresets() noexcept { return presets; }

const FactoryPreset* findFactoryPreset (std::string_view name) noexcept
{
    for (const auto& preset : presets)
        if (equalIgnoringCase (preset.name, name))
            return &preset;
    return nullptr;
}

} // namespace vantoril::presets

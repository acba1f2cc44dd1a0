#pragma once

#include "ParameterMapping.h"

#include <array>
#include <string_view>

// Musical starting points shipped with the plug-in: each a named set of the
// ten normalised values (index order). Hosts list them as LV2 and VST3 presets;
// the renderer takes them with --preset.
namespace vantoril::presets
{

struct FactoryPreset
{
    const char* name;
    const char* description;
    std::array<float, params::count> values;
};

// Every factory preset, "Init" (a new instance's values) first.
const std::array<FactoryPreset, 9>& factoryPresets() noexcept;

// The preset of that name in any letter case, or nullptr.
const FactoryPreset* findFactoryPreset (std::string_view name) noexcept;

} // namespace vantoril::presets

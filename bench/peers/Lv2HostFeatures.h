#pragma once

// What an LV2 host hands a plug-in: URID map and unmap, options (block
// lengths, sequence size, sample rate) and bounded block length. Shared by the
// peer benchmark and the LV2 tests.
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vantoril::lv2host
{

// URIDs: one table for the whole run, handed to every plug-in.
struct UridMap
{
    std::vector<std::string> uris;

    LV2_URID map (const char* uri)
    {
        for (size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri)
                return static_cast<LV2_URID> (i + 1);
        uris.emplace_back (uri);
        return static_cast<LV2_URID> (uris.size());
    }

    const char* unmap (LV2_URID urid) const { return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr; }

    static LV2_URID mapCallback (LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*> (h)->map (uri); }
    static const char* unmapCallback (LV2_URID_Unmap_Handle h, LV2_URID urid) { return static_cast<UridMap*> (h)->unmap (urid); }
};

struct Features
{
    UridMap urids;
    LV2_URID_Map map { &urids, &UridMap::mapCallback };
    LV2_URID_Unmap unmap { &urids, &UridMap::unmapCallback };
    int32_t minBlock = 1, maxBlock = 512, nominalBlock = 512, sequenceSize = 1 << 16;
    float rate = 48000.0f;
    std::vector<LV2_Options_Option> options;
    LV2_Feature mapFeature { LV2_URID__map, &map };
    LV2_Feature unmapFeature { LV2_URID__unmap, &unmap };
    LV2_Feature optionsFeature { LV2_OPTIONS__options, nullptr };
    LV2_Feature boundedFeature { LV2_BUF_SIZE__boundedBlockLength, nullptr };
    std::vector<const LV2_Feature*> list;

    explicit Features (int block) : maxBlock (block), nominalBlock (block)
    {
        const LV2_URID intType = urids.map (LV2_ATOM__Int), floatType = urids.map (LV2_ATOM__Float);
        options = {
            { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__minBlockLength), sizeof (int32_t), intType, &minBlock },
            { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__maxBlockLength), sizeof (int32_t), intType, &maxBlock },
            { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__nominalBlockLength), sizeof (int32_t), intType, &nominalBlock },
            { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__sequenceSize), sizeof (int32_t), intType, &sequenceSize },
            { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_PARAMETERS__sampleRate), sizeof (float), floatType, &rate },
            { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr },
        };
        optionsFeature.data = options.data();
        list = { &mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, nullptr };
    }
};

} // namespace vantoril::lv2host

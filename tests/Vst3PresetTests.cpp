// The VST3 preset files: their class ID is the one the built VST3 plug-in
// reports, and each holds the component state of its factory preset.
#include "FactoryPresets.h"
#include "StateChunk.h"

#include "Vst3Module.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace vantoril;

namespace
{
// The component's class ID as the plug-in reports it, as 32 hex digits.
std::string reportedClassId()
{
    Vst3Module module;
    if (module.factory == nullptr)
        return module.error;
    std::string id = "no audio module class";
    for (Steinberg::int32 i = 0; i < module.factory->countClasses(); ++i)
    {
        Steinberg::PClassInfo info {};
        if (module.factory->getClassInfo (i, &info) == Steinberg::kResultOk &&
            std::string (info.category) == "Audio Module Class")
        {
            id.clear();
            for (auto byte : info.cid)
            {
                char hex[3];
                std::snprintf (hex, sizeof (hex), "%02X", static_cast<unsigned char> (byte));
                id += hex;
            }
        }
    }
    return id;
}
} // namespace

TEST (Vst3Presets, EveryFactoryPresetAsTheVst3PluginSavesIt)
{
    const std::string classId = reportedClassId();
    ASSERT_EQ (classId.size(), 32u) << classId;

    for (const auto& preset : presets::factoryPresets())
    {
        SCOPED_TRACE (preset.name);
        const std::vector<char> file = readVst3PresetFile (preset.name);
        ASSERT_GT (file.size(), 48u);
        EXPECT_EQ (std::string (file.data(), 4), "VST3");
        EXPECT_EQ (readLittleEndian<std::int32_t> (file, 4), 1);
        EXPECT_EQ (std::string (file.data() + 8, 32), classId);

        // The chunk list names one "Comp" chunk.
        const auto list = static_cast<size_t> (readLittleEndian<std::int64_t> (file, 40));
        ASSERT_EQ (file.size(), list + 4 + 4 + 4 + 8 + 8);
        EXPECT_EQ (std::string (file.data() + list, 4), "List");
        EXPECT_EQ (readLittleEndian<std::int32_t> (file, list + 4), 1);
        EXPECT_EQ (std::string (file.data() + list + 8, 4), "Comp");
        const auto offset = static_cast<size_t> (readLittleEndian<std::int64_t> (file, list + 12));
        const auto size = static_cast<size_t> (readLittleEndian<std::int64_t> (file, list + 20));
        ASSERT_EQ (offset, 48u);
        ASSERT_EQ (offset + size, list);

        // The component state: the chunk and the client's empty private-data trailer.
        const std::string trailer ("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0JUCEPrivateData", 31);
        ASSERT_GT (size, trailer.size());
        EXPECT_EQ (std::string (file.data() + offset + size - trailer.size(), trailer.size()), trailer);
        const auto values = state::readStateChunk (file.data() + offset, size - trailer.size());
        ASSERT_TRUE (values.has_value());
        for (int i = 0; i < params::count; ++i)
        {
            ASSERT_TRUE ((*values)[static_cast<size_t> (i)].has_value()) << params::name (i);
            EXPECT_EQ (static_cast<float> (*(*values)[static_cast<size_t> (i)]), preset.values[static_cast<size_t> (i)])
                << params::name (i);
        }
    }
}

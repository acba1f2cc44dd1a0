// The VST3 preset files: their class ID is the one the built VST3 plug-in
// reports, and each holds the component state of its factory preset.
#include "FactoryPresets.h"
#include "StateChunk.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace vantoril;

namespace
{
// The few parts of the VST3 binary interface the test calls: the factory's
// class list (FUnknown's three functions, then getFactoryInfo, countClasses,
// getClassInfo).
struct ClassInfo
{
    std::uint8_t cid[16];
    std::int32_t cardinality;
    char category[32];
    char name[64];
};
struct Factory;
struct FactoryFunctions
{
    void* queryInterface;
    void* addRef;
    std::uint32_t (*release) (Factory*);
    void* getFactoryInfo;
    std::int32_t (*countClasses) (Factory*);
    std::int32_t (*getClassInfo) (Factory*, std::int32_t, ClassInfo*);
};
struct Factory
{
    const FactoryFunctions* functions;
};

// The component's class ID as the plug-in reports it, as 32 hex digits.
std::string reportedClassId()
{
    void* library = dlopen (VANTORIL_VST3_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return std::string ("cannot load: ") + dlerror();
    auto moduleEntry = reinterpret_cast<bool (*) (void*)> (dlsym (library, "ModuleEntry"));
    auto moduleExit = reinterpret_cast<bool (*)()> (dlsym (library, "ModuleExit"));
    auto getFactory = reinterpret_cast<Factory* (*) ()> (dlsym (library, "GetPluginFactory"));
    std::string id = "no audio module class";
    if (moduleEntry != nullptr && moduleEntry (library) && getFactory != nullptr)
        if (auto* factory = getFactory())
        {
            for (std::int32_t i = 0; i < factory->functions->countClasses (factory); ++i)
            {
                ClassInfo info {};
                if (factory->functions->getClassInfo (factory, i, &info) == 0 &&
                    std::string (info.category) == "Audio Module Class")
                {
                    id.clear();
                    for (auto byte : info.cid)
                    {
                        char hex[3];
                        std::snprintf (hex, sizeof (hex), "%02X", byte);
                        id += hex;
                    }
                }
            }
            factory->functions->release (factory);
        }
    if (moduleExit != nullptr)
        moduleExit();
    dlclose (library);
    return id;
}

template <typename Int> Int readLittleEndian (const std::vector<char>& bytes, size_t at)
{
    std::uint64_t value = 0;
    for (size_t i = 0; i < sizeof (Int); ++i)
        value |= static_cast<std::uint64_t> (static_cast<unsigned char> (bytes.at (at + i))) << (8 * i);
    return static_cast<Int> (value);
}
} // namespace

TEST (Vst3Presets, EveryFactoryPresetAsTheVst3PluginSavesIt)
{
    const std::string classId = reportedClassId();
    ASSERT_EQ (classId.size(), 32u) << classId;

    for (const auto& preset : presets::factoryPresets())
    {
        SCOPED_TRACE (preset.name);
        std::ifstream in (std::string (VANTORIL_VST3_PRESET_DIR) + "/" + preset.name + ".vstpreset", std::ios::binary);
        ASSERT_TRUE (in.good());
        const std::vector<char> file ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
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

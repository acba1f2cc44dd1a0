// The built VST3 library as a host loads it (module entry, then the factory),
// and the factory preset files beside it, for the VST3 tests.
#pragma once

#include <pluginterfaces/base/ipluginbase.h>

#include <dlfcn.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class Vst3Module
{
public:
    Vst3Module()
    {
        library = dlopen (VANTORIL_VST3_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
        {
            error = std::string ("cannot load: ") + dlerror();
            return;
        }
        auto moduleEntry = reinterpret_cast<bool (*) (void*)> (dlsym (library, "ModuleEntry"));
        auto getFactory = reinterpret_cast<Steinberg::IPluginFactory* (*) ()> (dlsym (library, "GetPluginFactory"));
        if (moduleEntry == nullptr || getFactory == nullptr || ! moduleEntry (library))
            error = "no module entry or factory";
        else
            factory = getFactory();
    }

    ~Vst3Module()
    {
        if (factory != nullptr)
            factory->release();
        if (library == nullptr)
            return;
        if (auto moduleExit = reinterpret_cast<bool (*)()> (dlsym (library, "ModuleExit")))
            moduleExit();
        dlclose (library);
    }

    Vst3Module (const Vst3Module&) = delete;
    Vst3Module& operator= (const Vst3Module&) = delete;

    Steinberg::IPluginFactory* factory = nullptr;
    std::string error;

private:
    void* library = nullptr;
};

// The bytes of a factory preset file (empty when it cannot be read).
inline std::vector<char> readVst3PresetFile (const std::string& name)
{
    std::ifstream in (std::string (VANTORIL_VST3_PRESET_DIR) + "/" + name + ".vstpreset", std::ios::binary);
    return std::vector<char> ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
}

template <typename Int> Int readLittleEndian (const std::vector<char>& bytes, size_t at)
{
    std::uint64_t value = 0;
    for (size_t i = 0; i < sizeof (Int); ++i)
        value |= static_cast<std::uint64_t> (static_cast<unsigned char> (bytes.at (at + i))) << (8 * i);
    return static_cast<Int> (value);
}

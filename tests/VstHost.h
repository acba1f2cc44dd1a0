#pragma once

// A minimal VST 2.4 host for tests: loads the plug-in library with dlopen and
// drives it through the raw binary interface.
#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/fst/aeffectx.h>

#include <dlfcn.h>

#include <algorithm>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VstOpcodes.h"

struct HostEvent
{
    int opcode;
    int index;
    float value;
};

// What the host callback records, and how it answers the version query.
struct HostState
{
    VstIntPtr versionAnswer = 2400;
    std::vector<HostEvent> events;
};

HostState& hostState();
VstIntPtr hostCallback (AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt);

class VstLibrary
{
public:
    explicit VstLibrary (const std::string& path) : handle (dlopen (path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~VstLibrary()
    {
        if (handle != nullptr)
            dlclose (handle);
    }
    bool isLoaded() const { return handle != nullptr; }
    void* symbol (const char* name) const { return handle != nullptr ? dlsym (handle, name) : nullptr; }

    // entryName: "VSTPluginMain", or "main" as older hosts call it.
    AEffect* instantiate (audioMasterCallback callback = hostCallback, const char* entryName = "VSTPluginMain") const
    {
        using Entry = AEffect* (*) (audioMasterCallback);
        auto entry = reinterpret_cast<Entry> (symbol (entryName));
        return entry != nullptr ? entry (callback) : nullptr;
    }

private:
    void* handle;
};

// One instance, opened on construction and closed on destruction.
struct VstInstance
{
    explicit VstInstance (const VstLibrary& library, audioMasterCallback callback = hostCallback,
                          const char* entryName = "VSTPluginMain")
        : effect (library.instantiate (callback, entryName))
    {
        if (effect != nullptr)
            dispatch (vst::open);
    }
    ~VstInstance()
    {
        if (effect != nullptr)
            dispatch (vst::close);
    }

    VstIntPtr dispatch (int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher (effect, opcode, index, value, ptr, opt);
    }

    std::string text (int opcode, int index = 0)
    {
        char buffer[256] = {};
        dispatch (opcode, index, 0, buffer);
        return buffer;
    }

    void resume (float sampleRate, int blockSize)
    {
        dispatch (vst::setSampleRate, 0, 0, nullptr, sampleRate);
        dispatch (vst::setBlockSize, 0, blockSize);
        dispatch (vst::mainsChanged, 0, 1);
    }

    void suspend() { dispatch (vst::mainsChanged, 0, 0); }

    void process (float** in, float** out, int frames) { effect->processReplacing (effect, in, out, frames); }

    // The state chunk as the host gets it, copied.
    std::vector<char> chunk (int isProgram = 0)
    {
        void* data = nullptr;
        const auto size = dispatch (vst::getChunk, isProgram, 0, &data);
        const auto* bytes = static_cast<const char*> (data);
        return size > 0 && data != nullptr ? std::vector<char> (bytes, bytes + size) : std::vector<char>();
    }

    AEffect* effect;
};

// A speaker arrangement with room for its speakers (the interface declares a
// flexible array).
struct SpeakerArrangement
{
    explicit SpeakerArrangement (int channels)
        : storage (sizeof (VstSpeakerArrangement) + sizeof (VstSpeakerProperties) * (size_t) std::max (channels, 8))
    {
        auto* arrangement = get();
        arrangement->type = channels == 1 ? vst::speakerArrMono : (channels == 2 ? vst::speakerArrStereo : -2);
        arrangement->numChannels = channels;
        for (int i = 0; i < channels; ++i)
            arrangement->speakers[i].type = i;
    }
    VstSpeakerArrangement* get() { return reinterpret_cast<VstSpeakerArrangement*> (storage.data()); }
    std::vector<std::uint8_t> storage;
};

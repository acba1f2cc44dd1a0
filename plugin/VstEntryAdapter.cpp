// Host entry for VST 2.4.
//
// The framework's VST 2.4 client reports at least one program and answers the
// capability queries "bypass" and "supportsViewDpiScaling" with 1. Hosts must
// see no programs and exactly the capability table below. The client's own entry
// point is compiled under the name juceVstPluginMain (a definition on that one
// source file, see CMakeLists.txt); this file exports VSTPluginMain, corrects the
// program count of the AEffect the client builds and answers effCanDo itself.
// Every other dispatcher call goes to the client unchanged.
#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

#include <atomic>
#include <cstring>

#define VANTORIL_EXPORT extern "C" __attribute__ ((visibility ("default")))

extern "C" AEffect* juceVstPluginMain (audioMasterCallback host);

namespace
{
// The client's dispatcher is one static function shared by all instances.
std::atomic<AEffectDispatcherProc> clientDispatcher { nullptr };

struct CanDoReply
{
    const char* query;
    VstIntPtr reply;
};

constexpr CanDoReply canDoReplies[] = {
    { "receiveVstEvents", -1 },    { "receiveVstMidiEvent", -1 }, { "receiveVstMidiEvents", -1 },
    { "sendVstEvents", -1 },       { "sendVstMidiEvent", -1 },    { "sendVstMidiEvents", -1 },
    { "receiveVstTimeInfo", 1 },   { "conformsToWindowRules", 1 }, { "openCloseAnyThread", -1 },
};

VstIntPtr canDo (const void* query)
{
    if (query == nullptr)
        return 0;
    for (const auto& entry : canDoReplies)
        if (std::strcmp (static_cast<const char*> (query), entry.query) == 0)
            return entry.reply;
    return 0;
}

VstIntPtr dispatch (AEffect* effect, int opcode, int index, VstIntPtr value, void* const ptr, float opt)
{
    if (opcode == effCanDo)
        return canDo (ptr);
    return clientDispatcher.load() (effect, opcode, index, value, ptr, opt);
}
} // namespace

VANTORIL_EXPORT AEffect* VSTPluginMain (audioMasterCallback host)
{
    // The client asks the host's version first, returns null when it answers 0,
    // and returns null when anything throws.
    AEffect* effect = juceVstPluginMain (host);
    if (effect == nullptr)
        return nullptr;

    clientDispatcher.store (effect->dispatcher);
    effect->dispatcher = dispatch;
    effect->numPrograms = 0;
    return effect;
}

// Legacy entries that hosts may look up; they do nothing.
VANTORIL_EXPORT void* NewPlugIn() { return nullptr; }
VANTORIL_EXPORT void* _PI_GetRoutineDescriptor() { return nullptr; }

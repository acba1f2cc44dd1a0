// Host entry for VST 2.4.
//
// The framework's VST 2.4 client is wrapped here so that hosts see exactly the
// plug-in's own answers and no host call can break it:
// - no programs, and the capability table below (effCanDo is answered here);
// - the process call runs only while the plug-in is resumed (otherwise the
//   input passes through untouched), in pieces of at most the announced block
//   size, with null channel pointers replaced by silence or a discarded buffer;
// - calls that write through the host's pointer are refused when it is null,
//   pin properties are written through a buffer of our own so that nothing
//   lands past the host's structure;
// - state chunks are served one request at a time per instance, each thread
//   gets its own copy of the chunk; pin properties and speaker arrangements
//   are read and changed one request at a time;
// - block sizes and sample rates that no processing can use are corrected.
// The client's own entry point is compiled under the name juceVstPluginMain:
// the plug-in target defines VSTPluginMain=juceVstPluginMain for its sources
// (see CMakeLists.txt), and this file takes the name back for its own entry.
// The legacy entry "main" is this file's vantorilVstLegacyMain (a linker
// symbol definition), so both entries answer the same.
#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#undef VSTPluginMain
#define VANTORIL_EXPORT extern "C" __attribute__ ((visibility ("default")))

extern "C" AEffect* juceVstPluginMain (audioMasterCallback host);

// What the library exports (see vst2-exports.map and windows/Vantoril.def).
VANTORIL_EXPORT AEffect* VSTPluginMain (audioMasterCallback host);
VANTORIL_EXPORT AEffect* vantorilVstLegacyMain (audioMasterCallback host);
VANTORIL_EXPORT void* NewPlugIn();
VANTORIL_EXPORT void* _PI_GetRoutineDescriptor();

namespace
{
struct CanDoReply
{
    const char* query;
    VstIntPtr reply;
};

constexpr CanDoReply canDoReplies[] = {
    { "receiveVstEvents", -1 },  { "receiveVstMidiEvent", -1 },  { "receiveVstMidiEvents", -1 },
    { "sendVstEvents", -1 },     { "sendVstMidiEvent", -1 },     { "sendVstMidiEvents", -1 },
    { "receiveVstTimeInfo", 1 }, { "conformsToWindowRules", 1 }, { "openCloseAnyThread", -1 },
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

// Block sizes beyond this are processed in pieces; the client's buffers are
// sized for it.
constexpr int maxBlockSize = 65536;
constexpr int maxChannels = 2;

// Processing states of an instance. The audio thread only ever tries one
// transition (resumed -> processing) and never waits; a suspend waits for a
// running block to end.
enum ProcessState : int
{
    suspended,
    resumed,
    processing
};

struct Instance
{
    AEffect* effect = nullptr;
    AEffectDispatcherProc clientDispatcher = nullptr;
    AEffectProcessProc clientProcessReplacing = nullptr;

    std::atomic<int> processState { suspended };
    int announcedBlockSize = 1024; // what the client was told, 1 .. maxBlockSize
    int preparedBlockSize = 1024; // the piece size while resumed

    // Silence for missing inputs and a sink for missing outputs, one block each.
    std::vector<float> silence, sink;

    // State chunks: one request at a time, a copy per requesting thread.
    std::mutex chunkLock;
    std::map<std::thread::id, std::vector<std::uint8_t>> chunks;

    // The bus layout: a speaker arrangement is not changed while another
    // thread reads pin properties or the arrangement from it.
    std::mutex layoutLock;
};

//==============================================================================
// Instances by their AEffect, for the callbacks, which receive only that. The
// table is read without a lock (also on the audio thread); slots are claimed
// and released under a mutex, by instantiation and effClose.
constexpr std::size_t tableSize = 4096;
AEffect* const releasedSlot = reinterpret_cast<AEffect*> (alignof (AEffect));

struct Slot
{
    std::atomic<AEffect*> key { nullptr };
    std::atomic<Instance*> instance { nullptr };
};
Slot table[tableSize];
std::mutex tableLock;
std::size_t liveInstances = 0;

std::size_t hashOf (const AEffect* effect) { return (reinterpret_cast<std::uintptr_t> (effect) >> 4) % tableSize; }

Instance* find (const AEffect* effect)
{
    if (effect == nullptr)
        return nullptr;
    for (std::size_t i = 0, slot = hashOf (effect); i < tableSize; ++i, slot = (slot + 1) % tableSize)
    {
        AEffect* key = table[slot].key.load (std::memory_order_acquire);
        if (key == effect)
            return table[slot].instance.load (std::memory_order_acquire);
        if (key == nullptr)
            return nullptr;
    }
    return nullptr;
}

bool insert (Instance* instance)
{
    const std::lock_guard<std::mutex> lock (tableLock);
    // Keep a quarter of the table free so that searches stay short.
    if (liveInstances >= tableSize - tableSize / 4)
        return false;
    for (std::size_t i = 0, slot = hashOf (instance->effect); i < tableSize; ++i, slot = (slot + 1) % tableSize)
    {
        AEffect* key = table[slot].key.load (std::memory_order_relaxed);
        if (key == nullptr || key == releasedSlot)
        {
            table[slot].instance.store (instance, std::memory_order_release);
            table[slot].key.store (instance->effect, std::memory_order_release);
            ++liveInstances;
            return true;
        }
    }
    return false;
}

void remove (const AEffect* effect)
{
    const std::lock_guard<std::mutex> lock (tableLock);
    for (std::size_t i = 0, slot = hashOf (effect); i < tableSize; ++i, slot = (slot + 1) % tableSize)
    {
        AEffect* key = table[slot].key.load (std::memory_order_relaxed);
        if (key == effect)
        {
            table[slot].key.store (releasedSlot, std::memory_order_release);
            table[slot].instance.store (nullptr, std::memory_order_release);
            --liveInstances;
            return;
        }
        if (key == nullptr)
            return;
    }
}

//==============================================================================
// Pass-through: each output gets its input (or silence).
template <typename Sample> void passThrough (AEffect* effect, Sample** inputs, Sample** outputs, int frames)
{
    if (outputs == nullptr || frames <= 0)
        return;
    const int numInputs = std::clamp (effect->numInputs, 0, maxChannels);
    const int numOutputs = std::clamp (effect->numOutputs, 0, maxChannels);
    for (int ch = 0; ch < numOutputs; ++ch)
    {
        Sample* out = outputs[ch];
        if (out == nullptr)
            continue;
        const Sample* in = (inputs != nullptr && ch < numInputs) ? inputs[ch] : nullptr;
        if (in == nullptr)
            std::fill (out, out + frames, Sample (0));
        else if (in != out)
            std::memmove (out, in, static_cast<std::size_t> (frames) * sizeof (Sample));
    }
}

void processReplacing (AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    Instance* instance = find (effect);
    if (instance == nullptr || frames <= 0)
        return;

    // While suspended (or while another thread is in a block) the input passes through.
    int expected = resumed;
    if (! instance->processState.compare_exchange_strong (expected, processing, std::memory_order_acquire))
    {
        passThrough (effect, inputs, outputs, frames);
        return;
    }

    const int numInputs = std::clamp (effect->numInputs, 0, maxChannels);
    const int numOutputs = std::clamp (effect->numOutputs, 0, maxChannels);

    const int pieceSize = instance->preparedBlockSize;
    float* pieceInputs[maxChannels] = {};
    float* pieceOutputs[maxChannels] = {};

    for (int start = 0; start < frames; start += pieceSize)
    {
        const int length = std::min (pieceSize, frames - start);
        for (int ch = 0; ch < numInputs; ++ch)
        {
            float* in = inputs != nullptr ? inputs[ch] : nullptr;
            pieceInputs[ch] = in != nullptr ? in + start : instance->silence.data();
        }
        for (int ch = 0; ch < numOutputs; ++ch)
        {
            float* out = outputs != nullptr ? outputs[ch] : nullptr;
            pieceOutputs[ch] = out != nullptr ? out + start : instance->sink.data() + ch * pieceSize;
        }
        instance->clientProcessReplacing (effect, pieceInputs, pieceOutputs, length);
    }

    instance->processState.store (resumed, std::memory_order_release);
}

// Double precision is not offered (the flag is not set); a host that calls it
// anyway gets its input back.
void processDoubleReplacing (AEffect* effect, double** inputs, double** outputs, VstInt32 frames)
{
    if (effect != nullptr)
        passThrough (effect, inputs, outputs, frames);
}

//==============================================================================
// Stops processing, waiting for a block that runs on another thread to end.
// Returns whether the instance was resumed.
bool stopProcessing (Instance& instance)
{
    for (;;)
    {
        int expected = resumed;
        if (instance.processState.compare_exchange_weak (expected, suspended, std::memory_order_acquire))
            return true;
        if (expected == suspended)
            return false;
        std::this_thread::yield();
    }
}

VstIntPtr suspend (Instance& instance, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    stopProcessing (instance);
    return instance.clientDispatcher (instance.effect, opcode, index, value, ptr, opt);
}

// Prepares the client for the block size announced last (a resume while
// resumed prepares again).
VstIntPtr resume (Instance& instance, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    stopProcessing (instance);

    const int blockSize = instance.announcedBlockSize;
    try
    {
        instance.silence.assign (static_cast<std::size_t> (blockSize), 0.0f);
        instance.sink.assign (static_cast<std::size_t> (blockSize) * maxChannels, 0.0f);
    }
    catch (const std::bad_alloc&)
    {
        return 0; // stays suspended: audio passes through
    }

    instance.clientDispatcher (instance.effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    const auto result = instance.clientDispatcher (instance.effect, opcode, index, value, ptr, opt);
    instance.preparedBlockSize = blockSize;
    instance.processState.store (resumed, std::memory_order_release);
    return result;
}

VstIntPtr getChunk (Instance& instance, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    if (ptr == nullptr)
        return 0;

    const std::lock_guard<std::mutex> lock (instance.chunkLock);
    void* clientData = nullptr;
    const auto size = instance.clientDispatcher (instance.effect, opcode, index, value, &clientData, opt);
    if (size <= 0 || clientData == nullptr)
        return 0;

    auto& copy = instance.chunks[std::this_thread::get_id()];
    const auto* bytes = static_cast<const std::uint8_t*> (clientData);
    copy.assign (bytes, bytes + size);
    *static_cast<void**> (ptr) = copy.data();
    return size;
}

VstIntPtr setChunk (Instance& instance, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    if (ptr == nullptr || value <= 0)
        return 0;
    const std::lock_guard<std::mutex> lock (instance.chunkLock);
    value = std::min<VstIntPtr> (value, INT32_MAX);
    return instance.clientDispatcher (instance.effect, opcode, index, value, ptr, opt);
}

// The client writes a terminated short label of up to nine bytes into an
// eight-byte field; it writes into a larger buffer here, and the host gets
// the structure with the short label cut to seven characters and a zero.
VstIntPtr getPinProperties (Instance& instance, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    struct
    {
        VstPinProperties properties;
        char overrun[64];
    } buffer {};

    const std::lock_guard<std::mutex> lock (instance.layoutLock);
    const auto result = instance.clientDispatcher (instance.effect, opcode, index, value, &buffer.properties, opt);
    if (result != 0)
    {
        buffer.properties.shortLabel[sizeof (buffer.properties.shortLabel) - 1] = 0;
        std::memcpy (ptr, &buffer.properties, sizeof (VstPinProperties));
    }
    return result;
}

// Opcodes whose pointer argument the client reads or writes.
constexpr int effGetParameterPropertiesOpcode = 56; // not named by the interface headers
bool needsPointer (int opcode)
{
    switch (opcode)
    {
        case effGetParameterPropertiesOpcode:
        case effGetProgramName:
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName:
        case effEditGetRect:
        case effGetChunk:
        case effSetChunk:
        case effString2Parameter:
        case effGetProgramNameIndexed:
        case effGetInputProperties:
        case effGetOutputProperties:
        case effSetSpeakerArrangement:
        case effGetEffectName:
        case effGetVendorString:
        case effGetProductString:
        case effGetSpeakerArrangement: return true;
        default: return false;
    }
}

VstIntPtr dispatch (AEffect* effect, int opcode, int index, VstIntPtr value, void* const ptr, float opt)
{
    Instance* instance = find (effect);
    if (instance == nullptr)
        return 0;

    if (opcode == effCanDo)
        return canDo (ptr);
    if (needsPointer (opcode) && ptr == nullptr)
        return 0;
    if (opcode == effSetSpeakerArrangement && value == 0)
        return 0;

    switch (opcode)
    {
        case effMainsChanged:
            return value != 0 ? resume (*instance, opcode, index, value, ptr, opt)
                              : suspend (*instance, opcode, index, value, ptr, opt);

        case effSetBlockSize:
            // Reaches the client at the next resume: while resumed, its buffers
            // keep the size they were prepared for.
            instance->announcedBlockSize = static_cast<int> (std::clamp<VstIntPtr> (value, 1, maxBlockSize));
            return 0;

        case effSetSampleRate:
            // The processor treats a rate that is not positive and finite as 44.1 kHz.
            return instance->clientDispatcher (effect, opcode, index, value, ptr,
                                               std::isfinite (opt) && opt > 0.0f ? opt : 44100.0f);

        case effGetChunk: return getChunk (*instance, opcode, index, value, ptr, opt);

        case effSetChunk: return setChunk (*instance, opcode, index, value, ptr, opt);

        case effGetInputProperties:
        case effGetOutputProperties: return getPinProperties (*instance, opcode, index, value, ptr, opt);

        case effSetSpeakerArrangement:
        case effGetSpeakerArrangement:
        {
            const std::lock_guard<std::mutex> lock (instance->layoutLock);
            return instance->clientDispatcher (effect, opcode, index, value, ptr, opt);
        }

        case effClose:
        {
            if (stopProcessing (*instance))
                instance->clientDispatcher (effect, effMainsChanged, 0, 0, nullptr, 0.0f);
            const auto dispatcher = instance->clientDispatcher;
            remove (effect);
            delete instance;
            return dispatcher (effect, opcode, index, value, ptr, opt);
        }

        default: return instance->clientDispatcher (effect, opcode, index, value, ptr, opt);
    }
}
} // namespace

VANTORIL_EXPORT AEffect* VSTPluginMain (audioMasterCallback host)
{
    if (host == nullptr)
        return nullptr;

    // The client asks the host's version first, returns null when it answers 0,
    // and returns null when anything throws.
    AEffect* effect = juceVstPluginMain (host);
    if (effect == nullptr)
        return nullptr;

    auto* instance = new (std::nothrow) Instance();
    if (instance != nullptr)
    {
        instance->effect = effect;
        instance->clientDispatcher = effect->dispatcher;
        instance->clientProcessReplacing = effect->processReplacing;
    }
    if (instance == nullptr || ! insert (instance))
    {
        delete instance;
        effect->dispatcher (effect, effClose, 0, 0, nullptr, 0.0f);
        return nullptr;
    }

    effect->dispatcher = dispatch;
    effect->processReplacing = processReplacing;
    effect->processDoubleReplacing = processDoubleReplacing;
    effect->numPrograms = 0;
    return effect;
}

// The legacy entry "main" of older hosts.
VANTORIL_EXPORT AEffect* vantorilVstLegacyMain (audioMasterCallback host) { return VSTPluginMain (host); }

// Legacy entries that hosts may look up; they do nothing.
VANTORIL_EXPORT void* NewPlugIn() { return nullptr; }
VANTORIL_EXPORT void* _PI_GetRoutineDescriptor() { return nullptr; }

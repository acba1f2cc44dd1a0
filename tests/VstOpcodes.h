#pragma once

// Opcode numbers of the published interface used here.
namespace vst
{
enum Opcode
{
    open = 0,
    close = 1,
    setSampleRate = 10,
    setBlockSize = 11,
    mainsChanged = 12,
    editGetRect = 13,
    getParamLabel = 6,
    getParamDisplay = 7,
    getParamName = 8,
    getChunk = 23,
    setChunk = 24,
    canBeAutomated = 26,
    getProgramName = 5,
    getProgramNameIndexed = 29,
    getInputProperties = 33,
    getOutputProperties = 34,
    getPlugCategory = 35,
    setSpeakerArrangement = 42,
    getEffectName = 45,
    getVendorString = 47,
    getProductString = 48,
    getVendorVersion = 49,
    vendorSpecific = 50,
    canDo = 51,
    getTailSize = 52,
    getVstVersion = 58,
};

enum HostOpcode
{
    hostAutomate = 0,
    hostVersion = 1,
    hostBeginEdit = 43,
    hostEndEdit = 44,
};

constexpr int speakerArrMono = 0;
constexpr int speakerArrStereo = 1;
} // namespace vst

namespace vst
{
// The capability replies hosts must get, by exact string comparison; near misses
// and unknown queries get 0.
struct CanDoCase
{
    const char* query;
    long long reply;
};

inline constexpr CanDoCase expectedCanDoReplies[] = {
    { "receiveVstEvents", -1 },
    { "receiveVstMidiEvent", -1 },
    { "receiveVstMidiEvents", -1 },
    { "sendVstEvents", -1 },
    { "sendVstMidiEvent", -1 },
    { "sendVstMidiEvents", -1 },
    { "receiveVstTimeInfo", 1 },
    { "conformsToWindowRules", 1 },
    { "openCloseAnyThread", -1 },
    { "bypass", 0 },
    { "supportsViewDpiScaling", 0 },
    { "MPE", 0 },
    { "receiveVstTimeInfo ", 0 },
    { "ReceiveVstTimeInfo", 0 },
    { "", 0 },
    { "offline", 0 },
};
} // namespace vst

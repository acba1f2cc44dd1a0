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

#include "VstHost.h"

HostState& hostState()
{
    static HostState state;
    return state;
}

VstIntPtr hostCallback (AEffect*, int opcode, int index, VstIntPtr, void*, float opt)
{
    auto& state = hostState();
    switch (opcode)
    {
        case vst::hostVersion: return state.versionAnswer;
        case vst::hostAutomate:
        case vst::hostBeginEdit:
        case vst::hostEndEdit: state.events.push_back ({ opcode, index, opt }); return 0;
        default: return 0;
    }
}

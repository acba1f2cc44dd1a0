// The built VST3 plug-in in a small host of the test's own: the factory, the
// component and the edit controller, connected as hosts connect them. Checks
// what a host sees when it hands a component state to the controller: a host
// that holds a lock of its own across setComponentState and takes it again in
// restartComponent (as Ardour does when it loads a preset file) is never called
// back there when it is Ardour, and gets the new values; other hosts see the
// controller's own restart request.
#include "FactoryPresets.h"
#include "Vst3Module.h"

#include <pluginterfaces/base/ibstream.h>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivsthostapplication.h>
#include <pluginterfaces/vst/ivstmessage.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace vantoril;

namespace
{
bool sameIid (const TUID a, const TUID b) { return FUnknownPrivate::iidEqual (a, b); }

// FUnknown for objects that live on the test's stack.
#define VANTORIL_STACK_OBJECT(Interface)                                                                                         \
    tresult PLUGIN_API queryInterface (const TUID wanted, void** obj) override                                                   \
    {                                                                                                                            \
        if (sameIid (wanted, FUnknown_iid) || sameIid (wanted, Interface##_iid))                                                 \
        {                                                                                                                        \
            *obj = this;                                                                                                         \
            return kResultOk;                                                                                                    \
        }                                                                                                                        \
        *obj = nullptr;                                                                                                          \
        return kNoInterface;                                                                                                     \
    }                                                                                                                            \
    uint32 PLUGIN_API addRef() override { return 1; }                                                                            \
    uint32 PLUGIN_API release() override { return 1; }

class HostApplication final : public Vst::IHostApplication
{
public:
    explicit HostApplication (const char* hostName) : name (hostName) {}
    VANTORIL_STACK_OBJECT (Vst::IHostApplication)
    tresult PLUGIN_API getName (Vst::String128 out) override
    {
        size_t i = 0;
        for (; i < name.size() && i < 127; ++i)
            out[i] = static_cast<Vst::TChar> (name[i]);
        out[i] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API createInstance (TUID, TUID, void** obj) override
    {
        *obj = nullptr;
        return kNotImplemented;
    }

private:
    std::string name;
};

// Records what the controller tells the host; `locked` stands for the host's
// own lock, held across setComponentState.
class ComponentHandler final : public Vst::IComponentHandler
{
public:
    VANTORIL_STACK_OBJECT (Vst::IComponentHandler)
    tresult PLUGIN_API beginEdit (Vst::ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit (Vst::ParamID id, Vst::ParamValue value) override
    {
        edits[id] = value;
        return kResultOk;
    }
    tresult PLUGIN_API endEdit (Vst::ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent (int32 flags) override
    {
        ++restarts;
        if (locked)
            ++restartsWhileLocked;
        lastFlags = flags;
        return kResultOk;
    }

    bool locked = false;
    int restarts = 0, restartsWhileLocked = 0;
    int32 lastFlags = 0;
    std::map<Vst::ParamID, Vst::ParamValue> edits;
};

// A read-only stream over bytes.
class ByteStream final : public IBStream
{
public:
    explicit ByteStream (std::vector<char> content) : bytes (std::move (content)) {}
    VANTORIL_STACK_OBJECT (IBStream)
    tresult PLUGIN_API read (void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const auto n = std::max<int64> (0, std::min<int64> (numBytes, static_cast<int64> (bytes.size()) - position));
        std::memcpy (buffer, bytes.data() + position, static_cast<size_t> (n));
        position += n;
        if (numBytesRead != nullptr)
            *numBytesRead = static_cast<int32> (n);
        return kResultOk;
    }
    tresult PLUGIN_API write (void*, int32, int32*) override { return kResultFalse; }
    tresult PLUGIN_API seek (int64 pos, int32 mode, int64* result) override
    {
        const int64 base = mode == kIBSeekSet ? 0 : (mode == kIBSeekCur ? position : static_cast<int64> (bytes.size()));
        if (base + pos < 0 || base + pos > static_cast<int64> (bytes.size()))
            return kResultFalse;
        position = base + pos;
        if (result != nullptr)
            *result = position;
        return kResultTrue;
    }
    tresult PLUGIN_API tell (int64* pos) override
    {
        *pos = position;
        return kResultOk;
    }

private:
    std::vector<char> bytes;
    int64 position = 0;
};

template <typename Interface> Interface* query (FUnknown* object, const TUID iid)
{
    void* result = nullptr;
    return object->queryInterface (iid, &result) == kResultOk ? static_cast<Interface*> (result) : nullptr;
}

// The component state inside a factory preset file (its one "Comp" chunk).
std::vector<char> presetComponentState (const std::string& name)
{
    const std::vector<char> file = readVst3PresetFile (name);
    if (file.size() < 48)
        return {};
    const auto list = static_cast<size_t> (readLittleEndian<std::int64_t> (file, 40));
    if (list < 48 || list + 28 > file.size())
        return {};
    const auto offset = static_cast<size_t> (readLittleEndian<std::int64_t> (file, list + 12));
    const auto size = static_cast<size_t> (readLittleEndian<std::int64_t> (file, list + 20));
    if (offset + size > list)
        return {};
    return std::vector<char> (file.begin() + static_cast<std::ptrdiff_t> (offset),
                              file.begin() + static_cast<std::ptrdiff_t> (offset + size));
}

// The plug-in as a host instantiates it.
class Vst3Instance
{
public:
    explicit Vst3Instance (const char* hostName) : application (hostName)
    {
        auto* factory = module.factory;
        if (factory == nullptr)
            return;
        if (auto* factory3 = query<IPluginFactory3> (factory, IPluginFactory3_iid))
        {
            factory3->setHostContext (&application);
            factory3->release();
        }
        for (int32 i = 0; i < factory->countClasses(); ++i)
        {
            PClassInfo info {};
            if (factory->getClassInfo (i, &info) == kResultOk && std::string (info.category) == kVstAudioEffectClass)
                factory->createInstance (info.cid, Vst::IComponent_iid, reinterpret_cast<void**> (&component));
        }
        if (component == nullptr || component->initialize (&application) != kResultOk)
            return;
        TUID controllerClass {};
        if (component->getControllerClassId (controllerClass) != kResultOk ||
            factory->createInstance (controllerClass, Vst::IEditController_iid, reinterpret_cast<void**> (&controller)) !=
                kResultOk ||
            controller == nullptr || controller->initialize (&application) != kResultOk)
            return;
        componentPoint = query<Vst::IConnectionPoint> (component, Vst::IConnectionPoint_iid);
        controllerPoint = query<Vst::IConnectionPoint> (controller, Vst::IConnectionPoint_iid);
        if (componentPoint == nullptr || controllerPoint == nullptr)
            return;
        componentPoint->connect (controllerPoint);
        controllerPoint->connect (componentPoint);
        controller->setComponentHandler (&handler);
        ready = true;
    }

    ~Vst3Instance()
    {
        if (controller != nullptr)
        {
            controller->setComponentHandler (nullptr);
            if (controllerPoint != nullptr && componentPoint != nullptr)
            {
                componentPoint->disconnect (controllerPoint);
                controllerPoint->disconnect (componentPoint);
            }
            controller->terminate();
        }
        if (component != nullptr)
            component->terminate();
        for (FUnknown* object : { static_cast<FUnknown*> (controllerPoint), static_cast<FUnknown*> (componentPoint),
                                  static_cast<FUnknown*> (controller), static_cast<FUnknown*> (component) })
            if (object != nullptr)
                object->release();
    }

    // Hands a component state over the way hosts do: to the component, then
    // to the controller, with the host's lock held.
    void loadComponentState (const std::vector<char>& state)
    {
        ByteStream forComponent (state), forController (state);
        handler.locked = true;
        EXPECT_EQ (component->setState (&forComponent), kResultTrue);
        // The controller takes its values from the component; hosts accept "not implemented" here.
        const auto result = controller->setComponentState (&forController);
        EXPECT_TRUE (result == kResultOk || result == kNotImplemented) << result;
        handler.locked = false;
    }

    HostApplication application;
    ComponentHandler handler;
    Vst3Module module;
    Vst::IComponent* component = nullptr;
    Vst::IEditController* controller = nullptr;
    Vst::IConnectionPoint* componentPoint = nullptr;
    Vst::IConnectionPoint* controllerPoint = nullptr;
    bool ready = false;
};

// The controller's parameter IDs in parameter order (the ten parameters first).
std::vector<Vst::ParamID> parameterIds (Vst::IEditController& controller)
{
    std::vector<Vst::ParamID> ids;
    for (int32 i = 0; i < controller.getParameterCount(); ++i)
    {
        Vst::ParameterInfo info {};
        if (controller.getParameterInfo (i, info) == kResultOk)
            ids.push_back (info.id);
    }
    return ids;
}
} // namespace

TEST (Vst3Host, ArdourGetsAPresetsValuesWithoutACallBackUnderItsLock)
{
    Vst3Instance plugin ("Ardour");
    ASSERT_TRUE (plugin.ready);
    const auto& crush = presets::factoryPresets()[6];
    ASSERT_STREQ (crush.name, "Parallel Crush");
    const auto state = presetComponentState (crush.name);
    ASSERT_FALSE (state.empty());

    plugin.loadComponentState (state);
    EXPECT_EQ (plugin.handler.restartsWhileLocked, 0);
    const auto ids = parameterIds (*plugin.controller);
    ASSERT_GE (ids.size(), static_cast<size_t> (params::count));
    for (int i = 0; i < params::count; ++i)
    {
        const auto id = ids[static_cast<size_t> (i)];
        const auto expected = static_cast<double> (crush.values[static_cast<size_t> (i)]);
        EXPECT_NEAR (plugin.controller->getParamNormalized (id), expected, 1e-6) << params::name (i);
        ASSERT_EQ (plugin.handler.edits.count (id), 1u) << params::name (i);
        EXPECT_NEAR (plugin.handler.edits[id], expected, 1e-6) << params::name (i);
    }
}

TEST (Vst3Host, OtherHostsGetTheControllersRestartRequest)
{
    Vst3Instance plugin ("Some Host");
    ASSERT_TRUE (plugin.ready);
    const auto& vocal = presets::factoryPresets()[1];
    plugin.loadComponentState (presetComponentState (vocal.name));
    EXPECT_EQ (plugin.handler.restarts, 1);
    EXPECT_NE (plugin.handler.lastFlags & Vst::kParamValuesChanged, 0);
    EXPECT_TRUE (plugin.handler.edits.empty());
    const auto ids = parameterIds (*plugin.controller);
    ASSERT_GE (ids.size(), static_cast<size_t> (params::count));
    for (int i = 0; i < params::count; ++i)
        EXPECT_NEAR (plugin.controller->getParamNormalized (ids[static_cast<size_t> (i)]),
                     static_cast<double> (vocal.values[static_cast<size_t> (i)]), 1e-6)
            << params::name (i);
}

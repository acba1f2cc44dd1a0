// Host entry for VST3.
//
// The framework's factory is wrapped so that its edit controller never calls
// Ardour back in a way that deadlocks it. The framework's controller answers
// setComponentState with a synchronous restartComponent (kParamValuesChanged);
// Ardour holds its processing lock across setComponentState when it loads a
// preset file and takes the same lock again in restartComponent, so it would
// wait for itself for ever. With Ardour as the host, that notification is
// replaced by one performEdit per parameter with the value the state gave it
// (Ardour takes no lock there and updates its controls the same way); every
// other host call and notification, and every other host, passes through
// unchanged.
//
// The framework's entry point is compiled under the name
// juceVst3GetPluginFactory: the plug-in target defines
// GetPluginFactory=juceVst3GetPluginFactory for its sources (see
// CMakeLists.txt), and this file takes the name back for its own entry.
#undef GetPluginFactory

#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivsthostapplication.h>

#include <atomic>

extern "C" Steinberg::IPluginFactory* PLUGIN_API juceVst3GetPluginFactory();

namespace
{
using namespace Steinberg;

bool sameIid (const TUID a, const TUID b) { return FUnknownPrivate::iidEqual (a, b); }

// A wrapper of Interface with its reference count; it deletes itself at zero.
template <typename Interface> class RefCounted : public Interface
{
public:
    virtual ~RefCounted() = default;
    uint32 PLUGIN_API addRef() override { return ++references; }
    uint32 PLUGIN_API release() override
    {
        const auto left = --references;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    // Answers a query with the wrapper itself, with a reference for the caller.
    tresult self (void** obj)
    {
        addRef();
        *obj = static_cast<Interface*> (this);
        return kResultOk;
    }

private:
    std::atomic<uint32> references { 1 };
};

// The host's component handler as the controller sees it: every call goes to
// the host, except parameter-values restarts while they are held back.
class HandlerFilter final : public RefCounted<Vst::IComponentHandler>
{
public:
    explicit HandlerFilter (Vst::IComponentHandler* hostHandler) : host (hostHandler) { host->addRef(); }
    ~HandlerFilter() override { host->release(); }

    // Set by the controller wrapper around setComponentState (the host's UI
    // thread); heldRestart tells whether a restart came in meanwhile. Atomic:
    // the framework also calls restartComponent from its own message thread.
    std::atomic<bool> holdRestarts { false };
    std::atomic<bool> heldRestart { false };

    tresult PLUGIN_API queryInterface (const TUID wanted, void** obj) override
    {
        if (sameIid (wanted, FUnknown_iid) || sameIid (wanted, Vst::IComponentHandler_iid))
            return self (obj);
        // IComponentHandler2 and the others are the host's own.
        return host->queryInterface (wanted, obj);
    }

    tresult PLUGIN_API beginEdit (Vst::ParamID id) override { return host->beginEdit (id); }
    tresult PLUGIN_API performEdit (Vst::ParamID id, Vst::ParamValue value) override { return host->performEdit (id, value); }
    tresult PLUGIN_API endEdit (Vst::ParamID id) override { return host->endEdit (id); }
    tresult PLUGIN_API restartComponent (int32 flags) override
    {
        if (holdRestarts && (flags & Vst::kParamValuesChanged) != 0)
        {
            heldRestart = true;
            flags &= ~Vst::kParamValuesChanged;
        }
        return flags == 0 ? kResultOk : host->restartComponent (flags);
    }

private:
    Vst::IComponentHandler* host;
};

// True when the host application calls itself Ardour.
bool isArdour (FUnknown* context)
{
    Vst::IHostApplication* application = nullptr;
    if (context == nullptr ||
        context->queryInterface (Vst::IHostApplication_iid, reinterpret_cast<void**> (&application)) != kResultOk ||
        application == nullptr)
        return false;
    Vst::String128 name {};
    const bool named = application->getName (name) == kResultOk;
    application->release();
    const char ardour[] = "Ardour";
    for (int i = 0; named && i < 6; ++i)
        if (name[i] != static_cast<Vst::TChar> (ardour[i]))
            return false;
    return named;
}

// The framework's edit controller with its component handler filtered.
class ControllerWrapper final : public RefCounted<Vst::IEditController>
{
public:
    explicit ControllerWrapper (Vst::IEditController* controller) : inner (controller) { inner->addRef(); }
    ~ControllerWrapper() override
    {
        if (filter != nullptr)
            filter->release();
        inner->release();
    }

    tresult PLUGIN_API queryInterface (const TUID wanted, void** obj) override
    {
        if (sameIid (wanted, FUnknown_iid) || sameIid (wanted, IPluginBase_iid) || sameIid (wanted, Vst::IEditController_iid))
            return self (obj);
        // The controller's other interfaces (IEditController2, IConnectionPoint,
        // IMidiMapping, IUnitInfo, ...) are the framework's own objects.
        return inner->queryInterface (wanted, obj);
    }

    tresult PLUGIN_API initialize (FUnknown* context) override
    {
        hostIsArdour = isArdour (context);
        return inner->initialize (context);
    }
    tresult PLUGIN_API terminate() override { return inner->terminate(); }

    tresult PLUGIN_API setComponentState (IBStream* state) override
    {
        if (! hostIsArdour || filter == nullptr)
            return inner->setComponentState (state);

        filter->holdRestarts = true;
        filter->heldRestart = false;
        const auto result = inner->setComponentState (state);
        filter->holdRestarts = false;
        if (filter->heldRestart)
            for (int32 i = 0; i < inner->getParameterCount(); ++i)
            {
                Vst::ParameterInfo info {};
                if (inner->getParameterInfo (i, info) == kResultOk)
                    filter->performEdit (info.id, inner->getParamNormalized (info.id));
            }
        return result;
    }
    tresult PLUGIN_API setState (IBStream* state) override { return inner->setState (state); }
    tresult PLUGIN_API getState (IBStream* state) override { return inner->getState (state); }
    int32 PLUGIN_API getParameterCount() override { return inner->getParameterCount(); }
    tresult PLUGIN_API getParameterInfo (int32 index, Vst::ParameterInfo& info) override
    {
        return inner->getParameterInfo (index, info);
    }
    tresult PLUGIN_API getParamStringByValue (Vst::ParamID id, Vst::ParamValue value, Vst::String128 text) override
    {
        return inner->getParamStringByValue (id, value, text);
    }
    tresult PLUGIN_API getParamValueByString (Vst::ParamID id, Vst::TChar* text, Vst::ParamValue& value) override
    {
        return inner->getParamValueByString (id, text, value);
    }
    Vst::ParamValue PLUGIN_API normalizedParamToPlain (Vst::ParamID id, Vst::ParamValue value) override
    {
        return inner->normalizedParamToPlain (id, value);
    }
    Vst::ParamValue PLUGIN_API plainParamToNormalized (Vst::ParamID id, Vst::ParamValue value) override
    {
        return inner->plainParamToNormalized (id, value);
    }
    Vst::ParamValue PLUGIN_API getParamNormalized (Vst::ParamID id) override { return inner->getParamNormalized (id); }
    tresult PLUGIN_API setParamNormalized (Vst::ParamID id, Vst::ParamValue value) override
    {
        return inner->setParamNormalized (id, value);
    }
    tresult PLUGIN_API setComponentHandler (Vst::IComponentHandler* handler) override
    {
        auto* replacement = handler != nullptr ? new HandlerFilter (handler) : nullptr;
        const auto result = inner->setComponentHandler (replacement);
        if (filter != nullptr)
            filter->release();
        filter = replacement;
        return result;
    }
    IPlugView* PLUGIN_API createView (FIDString name) override { return inner->createView (name); }

private:
    Vst::IEditController* inner;
    HandlerFilter* filter = nullptr;
    bool hostIsArdour = false;
};

// The framework's factory; the edit controllers it creates come wrapped.
class FactoryWrapper final : public RefCounted<IPluginFactory3>
{
public:
    explicit FactoryWrapper (IPluginFactory* factory) : inner (factory)
    {
        if (inner->queryInterface (IPluginFactory3_iid, reinterpret_cast<void**> (&inner3)) != kResultOk)
            inner3 = nullptr;
        if (inner->queryInterface (IPluginFactory2_iid, reinterpret_cast<void**> (&inner2)) != kResultOk)
            inner2 = nullptr;
    }
    ~FactoryWrapper() override
    {
        if (inner3 != nullptr)
            inner3->release();
        if (inner2 != nullptr)
            inner2->release();
        inner->release();
    }

    tresult PLUGIN_API queryInterface (const TUID wanted, void** obj) override
    {
        const bool offered = sameIid (wanted, FUnknown_iid) || sameIid (wanted, IPluginFactory_iid) ||
            (inner2 != nullptr && sameIid (wanted, IPluginFactory2_iid)) ||
            (inner3 != nullptr && sameIid (wanted, IPluginFactory3_iid));
        if (! offered)
        {
            *obj = nullptr;
            return kNoInterface;
        }
        return self (obj);
    }

    tresult PLUGIN_API getFactoryInfo (PFactoryInfo* info) override { return inner->getFactoryInfo (info); }
    int32 PLUGIN_API countClasses() override { return inner->countClasses(); }
    tresult PLUGIN_API getClassInfo (int32 index, PClassInfo* info) override { return inner->getClassInfo (index, info); }
    tresult PLUGIN_API getClassInfo2 (int32 index, PClassInfo2* info) override
    {
        return inner2 != nullptr ? inner2->getClassInfo2 (index, info) : kNotImplemented;
    }
    tresult PLUGIN_API getClassInfoUnicode (int32 index, PClassInfoW* info) override
    {
        return inner3 != nullptr ? inner3->getClassInfoUnicode (index, info) : kNotImplemented;
    }
    tresult PLUGIN_API setHostContext (FUnknown* context) override
    {
        return inner3 != nullptr ? inner3->setHostContext (context) : kNotImplemented;
    }

    tresult PLUGIN_API createInstance (FIDString cid, FIDString wanted, void** obj) override
    {
        if (obj == nullptr)
            return kInvalidArgument;
        *obj = nullptr;
        if (cid == nullptr || wanted == nullptr)
            return kInvalidArgument;
        FUnknown* created = nullptr;
        const auto result = inner->createInstance (cid, FUnknown_iid, reinterpret_cast<void**> (&created));
        if (result != kResultOk || created == nullptr)
            return result != kResultOk ? result : kNoInterface;

        Vst::IEditController* controller = nullptr;
        if (created->queryInterface (Vst::IEditController_iid, reinterpret_cast<void**> (&controller)) == kResultOk &&
            controller != nullptr)
        {
            auto* wrapper = new ControllerWrapper (controller);
            controller->release();
            created->release();
            const auto answer = wrapper->queryInterface (wanted, obj);
            wrapper->release();
            return answer;
        }

        const auto answer = created->queryInterface (wanted, obj);
        created->release();
        return answer;
    }

private:
    IPluginFactory* inner;
    IPluginFactory2* inner2 = nullptr;
    IPluginFactory3* inner3 = nullptr;
};
} // namespace

extern "C" __attribute__ ((visibility ("default"))) IPluginFactory* PLUGIN_API GetPluginFactory()
{
    // One wrapper for the library's lifetime, like the framework's factory:
    // hosts release the factory they are given, and may ask again.
    static FactoryWrapper* factory = [] { return new FactoryWrapper (juceVst3GetPluginFactory()); }();
    factory->addRef();
    return factory;
}

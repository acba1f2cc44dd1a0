// The LV2 bundle as a host reads it through lilv: class and metadata, the ten
// parameters in their units and ranges, the factory presets, and a hosted run
// that counts what the plug-in tells the host.
#include "FactoryPresets.h"
#include "Lv2HostFeatures.h"
#include "ParameterMapping.h"
#include "StateChunk.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/units/units.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vantoril;

namespace
{
const std::string pluginUri = VANTORIL_LV2_URI;
constexpr int blockSize = 512;

// The plug-in saves its chunk in the framework's base64 form: "<size>." and
// then six bits per character, least significant bits first.
std::optional<std::vector<uint8_t>> decodeFrameworkBase64 (const std::string& text)
{
    static const std::string alphabet = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+";
    const auto dot = text.find ('.');
    if (dot == std::string::npos || dot == 0)
        return std::nullopt;
    const auto size = std::stoul (text.substr (0, dot));
    std::vector<uint8_t> bytes (size, 0);
    size_t bit = 0;
    for (size_t i = dot + 1; i < text.size(); ++i, bit += 6)
    {
        const auto value = alphabet.find (text[i]);
        if (value == std::string::npos)
            return std::nullopt;
        for (size_t b = 0; b < 6; ++b)
            if ((value >> b) & 1u && (bit + b) / 8 < size)
                bytes[(bit + b) / 8] |= static_cast<uint8_t> (1u << ((bit + b) % 8));
    }
    return bytes;
}

// One lilv world with our bundle and the system's LV2 bundles (lv2core and the other vocabularies).
struct World
{
    World()
    {
        const std::string path = std::string (VANTORIL_LV2_BUNDLE_DIR) + ":/usr/lib/lv2";
        setenv ("LV2_PATH", path.c_str(), 1);
        world = lilv_world_new();
        lilv_world_load_all (world);
        LilvNode* uri = lilv_new_uri (world, pluginUri.c_str());
        plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uri);
        // The plug-in's data files (dsp.ttl), which lilv otherwise reads on first use.
        if (plugin != nullptr)
            lilv_world_load_resource (world, uri);
        lilv_node_free (uri);
    }
    ~World()
    {
        nodes.clear();
        lilv_world_free (world);
    }

    LilvNode* node (const std::string& uri)
    {
        return nodes.emplace_back (lilv_new_uri (world, uri.c_str()), &lilv_node_free).get();
    }

    // The one value of subject's predicate, as a string; "" when there is none.
    std::string value (const std::string& subject, const std::string& predicate)
    {
        LilvNode* found = lilv_world_get (world, node (subject), node (predicate), nullptr);
        std::string text = found != nullptr ? lilv_node_as_string (found) : "";
        lilv_node_free (found);
        return text;
    }

    float number (const std::string& subject, const std::string& predicate)
    {
        LilvNode* found = lilv_world_get (world, node (subject), node (predicate), nullptr);
        const float v = found != nullptr ? lilv_node_as_float (found) : NAN;
        lilv_node_free (found);
        return v;
    }

    bool has (const std::string& subject, const std::string& predicate, const std::string& object)
    {
        return lilv_world_ask (world, node (subject), node (predicate), node (object));
    }

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    std::vector<std::unique_ptr<LilvNode, decltype (&lilv_node_free)>> nodes;
};

World& world()
{
    static World w;
    return w;
}

// A running instance with every port connected: stereo audio, the control
// and notification sequences, the enabled, free-wheeling and latency ports.
struct Hosted
{
    Hosted() : features (blockSize)
    {
        instance = lilv_plugin_instantiate (world().plugin, 48000.0, features.list.data());
        if (instance == nullptr)
            return;
        auto& w = world();
        const uint32_t ports = lilv_plugin_get_num_ports (w.plugin);
        controls.assign (ports, 0.0f);
        audio.assign (ports, std::vector<float> (blockSize, 0.0f));
        atoms.assign (ports, std::vector<uint8_t> (static_cast<size_t> (features.sequenceSize)));
        for (uint32_t i = 0; i < ports; ++i)
        {
            const LilvPort* port = lilv_plugin_get_port_by_index (w.plugin, i);
            const std::string symbol = lilv_node_as_string (lilv_port_get_symbol (w.plugin, port));
            const bool input = lilv_port_is_a (w.plugin, port, w.node (LV2_CORE__InputPort));
            if (lilv_port_is_a (w.plugin, port, w.node (LV2_CORE__AudioPort)))
            {
                lilv_instance_connect_port (instance, i, audio[i].data());
                (input ? audioInputs : audioOutputs).push_back (i);
            }
            else if (lilv_port_is_a (w.plugin, port, w.node (LV2_ATOM__AtomPort)))
            {
                lilv_instance_connect_port (instance, i, atoms[i].data());
                (input ? controlIn : notifyOut) = i;
            }
            else
            {
                lilv_instance_connect_port (instance, i, &controls[i]);
                if (symbol == "enabled")
                    enabledPort = i, controls[i] = 1.0f;
            }
        }
        lilv_instance_activate (instance);
    }

    ~Hosted()
    {
        if (instance != nullptr)
        {
            lilv_instance_deactivate (instance);
            lilv_instance_free (instance);
        }
    }

    // Runs one cycle, sending the given properties (URI, value in the unit) first;
    // returns the number of events the plug-in wrote to the host.
    int run (const std::vector<std::pair<std::string, float>>& properties = {})
    {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init (&forge, &features.map);
        lv2_atom_forge_set_buffer (&forge, atoms[controlIn].data(), atoms[controlIn].size());
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head (&forge, &sequence, 0);
        for (const auto& [uri, value] : properties)
        {
            LV2_Atom_Forge_Frame object;
            lv2_atom_forge_frame_time (&forge, 0);
            lv2_atom_forge_object (&forge, &object, 0, map (LV2_PATCH__Set));
            lv2_atom_forge_key (&forge, map (LV2_PATCH__property));
            lv2_atom_forge_urid (&forge, map (uri.c_str()));
            lv2_atom_forge_key (&forge, map (LV2_PATCH__value));
            lv2_atom_forge_float (&forge, value);
            lv2_atom_forge_pop (&forge, &object);
        }
        lv2_atom_forge_pop (&forge, &sequence);

        auto* out = reinterpret_cast<LV2_Atom_Sequence*> (atoms[notifyOut].data());
        out->atom.size = static_cast<uint32_t> (atoms[notifyOut].size() - sizeof (LV2_Atom));
        out->atom.type = map (LV2_ATOM__Chunk);

        lilv_instance_run (instance, blockSize);

        int events = 0;
        LV2_ATOM_SEQUENCE_FOREACH (out, event) { ++events; }
        return events;
    }

    // The ten normalised values the plug-in saves as its state right now
    // (through its state interface, as a host saves a session).
    std::array<std::optional<double>, params::count> savedValues()
    {
        std::array<std::optional<double>, params::count> values {};
        const auto* interface =
            static_cast<const LV2_State_Interface*> (lilv_instance_get_extension_data (instance, LV2_STATE__interface));
        if (interface == nullptr)
            return values;
        struct Saved
        {
            LV2_URID key;
            std::string text;
        } saved { map ((pluginUri + ":StateString").c_str()), {} };
        const auto store = [] (LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t,
                               uint32_t) -> LV2_State_Status
        {
            auto* s = static_cast<Saved*> (handle);
            if (key == s->key)
                s->text.assign (static_cast<const char*> (value), strnlen (static_cast<const char*> (value), size));
            return LV2_STATE_SUCCESS;
        };
        interface->save (lilv_instance_get_handle (instance), store, &saved, LV2_STATE_IS_POD, features.list.data());
        if (const auto chunk = decodeFrameworkBase64 (saved.text))
            if (const auto read = state::readStateChunk (chunk->data(), chunk->size()))
                values = *read;
        return values;
    }

    LV2_URID map (const char* uri) { return features.urids.map (uri); }

    lv2host::Features features;
    LilvInstance* instance = nullptr;
    std::vector<float> controls;
    std::vector<std::vector<float>> audio;
    std::vector<std::vector<uint8_t>> atoms;
    std::vector<uint32_t> audioInputs, audioOutputs;
    uint32_t controlIn = 0, notifyOut = 0, enabledPort = 0;
};

class Lv2Plugin : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE (world().plugin, nullptr) << "no " << pluginUri << " in " << VANTORIL_LV2_BUNDLE_DIR; }
};
} // namespace

TEST_F (Lv2Plugin, ClassAndMetadata)
{
    auto& w = world();
    EXPECT_STREQ (lilv_node_as_uri (lilv_plugin_class_get_uri (lilv_plugin_get_class (w.plugin))), LV2_CORE__CompressorPlugin);
    EXPECT_EQ (w.value (pluginUri, "http://usefulinc.com/ns/doap#license"), "https://spdx.org/licenses/GPL-3.0-or-later");
    const std::string description = w.value (pluginUri, "http://usefulinc.com/ns/doap#description");
    EXPECT_NE (description, "Vantoril");
    EXPECT_EQ (description.find ('\n'), std::string::npos);
    LilvNode* email = lilv_plugin_get_author_email (w.plugin);
    ASSERT_NE (email, nullptr);
    EXPECT_STREQ (lilv_node_as_uri (email), "mailto:support@zazuziza.example");
    lilv_node_free (email);
}

TEST_F (Lv2Plugin, ParametersInTheirUnitsWithTheInitialValuesAsDefaults)
{
    auto& w = world();
    struct Expected
    {
        float minimum, maximum, initial;
        const char* unit; // "" for none
        bool toggle, logarithmic;
    };
    const Expected expected[params::count] = {
        { 0.0f, 100.0f, 27.0f, LV2_UNITS__ms, false, false },
        { 0.0f, 5000.0f, 300.0f, LV2_UNITS__ms, false, false },
        { -40.0f, 0.0f, -20.0f, LV2_UNITS__db, false, false },
        { 1.0f, 1000.0f, 2.0f, "", false, true },
        { 0.0f, 1.0f, 1.0f, "", true, false },
        { 19.9526f, 19952.6f, 19.9526f, LV2_UNITS__hz, false, true },
        { 0.0f, 100.0f, 25.0f, LV2_UNITS__pc, false, false },
        { -15.0f, 15.0f, 0.0f, LV2_UNITS__db, false, false },
        { 0.0f, 100.0f, 100.0f, LV2_UNITS__pc, false, false },
        { 0.0f, 1.0f, 0.0f, "", true, false },
    };

    for (int i = 0; i < params::count; ++i)
    {
        SCOPED_TRACE (params::name (i));
        const std::string subject = pluginUri + ":" + params::name (i);
        const auto& e = expected[i];
        EXPECT_TRUE (w.has (pluginUri, LV2_PATCH__writable, subject));
        EXPECT_NEAR (w.number (subject, LV2_CORE__minimum), e.minimum, std::abs (e.minimum) * 1e-5f);
        EXPECT_NEAR (w.number (subject, LV2_CORE__maximum), e.maximum, std::abs (e.maximum) * 1e-5f);
        EXPECT_NEAR (w.number (subject, LV2_CORE__default), e.initial, std::abs (e.initial) * 1e-5f);
        EXPECT_EQ (w.has (subject, LV2_CORE__portProperty, LV2_CORE__toggled), e.toggle);
        EXPECT_EQ (w.has (subject, LV2_CORE__portProperty, "http://lv2plug.in/ns/ext/port-props#logarithmic"), e.logarithmic);
        if (*e.unit != '\0')
        {
            EXPECT_EQ (w.value (subject, LV2_UNITS__unit), e.unit);
        }
    }
    // The ratio's unit is its own: shown as "n:1".
    LilvNode* ratioUnit = lilv_world_get (w.world, w.node (pluginUri + ":Ratio"), w.node (LV2_UNITS__unit), nullptr);
    ASSERT_NE (ratioUnit, nullptr);
    LilvNode* symbol = lilv_world_get (w.world, ratioUnit, w.node (LV2_UNITS__symbol), nullptr);
    ASSERT_NE (symbol, nullptr);
    EXPECT_STREQ (lilv_node_as_string (symbol), ":1");
    lilv_node_free (symbol);
    lilv_node_free (ratioUnit);
}

TEST_F (Lv2Plugin, FactoryPresetsAreListedAndRestoreTheirValues)
{
    auto& w = world();
    LilvNodes* presets = lilv_plugin_get_related (w.plugin, w.node (LV2_PRESETS__Preset));
    ASSERT_NE (presets, nullptr);
    EXPECT_EQ (lilv_nodes_size (presets), presets::factoryPresets().size());

    Hosted host;
    ASSERT_NE (host.instance, nullptr);
    LILV_FOREACH (nodes, it, presets)
    {
        const LilvNode* preset = lilv_nodes_get (presets, it);
        lilv_world_load_resource (w.world, preset);
        LilvNode* label = lilv_world_get (w.world, preset, w.node (LILV_NS_RDFS "label"), nullptr);
        ASSERT_NE (label, nullptr);
        const auto* factory = presets::findFactoryPreset (lilv_node_as_string (label));
        ASSERT_NE (factory, nullptr) << lilv_node_as_string (label);
        lilv_node_free (label);

        LilvState* state = lilv_state_new_from_world (w.world, &host.features.map, preset);
        ASSERT_NE (state, nullptr);
        lilv_state_restore (state, host.instance, nullptr, nullptr, 0, nullptr);
        lilv_state_free (state);
        const auto values = host.savedValues();
        for (int i = 0; i < params::count; ++i)
        {
            ASSERT_TRUE (values[static_cast<size_t> (i)].has_value()) << factory->name << " " << params::name (i);
            EXPECT_EQ (static_cast<float> (*values[static_cast<size_t> (i)]), factory->values[static_cast<size_t> (i)])
                << factory->name << " " << params::name (i);
        }
    }
    lilv_nodes_free (presets);
}

// A state as hosts saved it before the parameters had units (the plug-in's
// chunk in the framework's base64 form) restores its values.
TEST_F (Lv2Plugin, SavedStateRestores)
{
    auto& w = world();
    const std::string turtle = "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                               "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                               "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                               "<urn:vantoril:saved> a pset:Preset ; lv2:appliesTo <" +
        pluginUri + "> ;\n  state:state [ <" + pluginUri +
        ":StateString> \""
        "197.VMjLgrK....OZQTTXsDTAMUQTQURNczTfDDczE1Xq0iHv3RM3PSN4jSN2jiHfHUYrUVXyUVOh.iKxbCL4jSN4jCNh.BUnIWYyg1arQVOh."
        "iK0TCLv.CLvDiLh.hTgQWZu0iHv3xM0HBHK4VYk0iHvHBHL81cCUGc8HBLtDSM3jSN4jSNzHBHDIWZ1UVOh.iKy.CLv.CLvDiLh.BSkYWYr0iH"
        "v3RM1XSN4jSN2HiHfzTZ30iHwHBHBkGbgM2b8HBLh7hO...\" ] .\n";
    Hosted host;
    ASSERT_NE (host.instance, nullptr);
    LilvState* state = lilv_state_new_from_string (w.world, &host.features.map, turtle.c_str());
    ASSERT_NE (state, nullptr);
    lilv_state_restore (state, host.instance, nullptr, nullptr, 0, nullptr);
    lilv_state_free (state);
    const auto values = host.savedValues();
    const float saved[params::count] = { 0.585f, 0.271f, 0.55f, 0.75f, 0.0f, 0.159f, 0.3f, 0.567f, 1.0f, 0.0f };
    for (int i = 0; i < params::count; ++i)
        EXPECT_EQ (static_cast<float> (values[static_cast<size_t> (i)].value_or (-1)), saved[i]) << params::name (i);
}

TEST_F (Lv2Plugin, TellsTheHostNothingUnlessAParameterChanged)
{
    Hosted host;
    ASSERT_NE (host.instance, nullptr);
    int events = 0;
    for (int cycle = 0; cycle < 2000; ++cycle)
        events += host.run();
    EXPECT_EQ (events, 0);

    // Values the host sets are in the unit and are not echoed back.
    EXPECT_EQ (host.run ({ { pluginUri + ":Threshold", -24.0f },
                           { pluginUri + ":Ratio", 4.0f },
                           { pluginUri + ":Attack", 10.0f },
                           { pluginUri + ":LowCut", 1000.0f } }),
               0);
    const auto values = host.savedValues();
    EXPECT_FLOAT_EQ (static_cast<float> (values[params::threshold].value_or (-1)), 0.4f);
    EXPECT_FLOAT_EQ (static_cast<float> (values[params::ratio].value_or (-1)), 0.75f);
    EXPECT_NEAR (values[params::attack].value_or (-1), params::fromUnitValue (params::attack, 10.0f), 1e-7);
    EXPECT_NEAR (values[params::lowCut].value_or (-1), (3.0 - 1.3) / 3.0, 1e-6);

    // The host's bypass port passes the audio through and leaves the Bypass
    // parameter alone, silently.
    host.controls[host.enabledPort] = 0.0f;
    ASSERT_EQ (host.audioInputs.size(), 2u);
    for (auto port : host.audioInputs)
        std::fill (host.audio[port].begin(), host.audio[port].end(), 0.5f);
    events = 0;
    for (int cycle = 0; cycle < 100; ++cycle)
        events += host.run();
    EXPECT_EQ (events, 0);
    for (auto port : host.audioOutputs)
        EXPECT_EQ (host.audio[port], std::vector<float> (blockSize, 0.5f));
    EXPECT_EQ (host.savedValues()[params::bypass].value_or (-1), 0.0);
}

// Completes the LV2 bundle the framework's helper writes (a build step after it):
//   vantoril-lv2-bundle BUNDLE_DIRECTORY
// - dsp.ttl: each parameter gets its unit (and the logarithmic property where
//   its range is logarithmic); the plug-in is an lv2:CompressorPlugin with a
//   one-line description, a licence and a maintainer reachable by mailto:;
// - presets.ttl: the factory presets, each as the state the plug-in itself
//   saves, listed in manifest.ttl so hosts show them in their preset menus.
// Runs again on every build: the helper rewrites the files it owns first.
#include "FactoryPresets.h"
#include "StateChunk.h"

#include <juce_core/juce_core.h>

#include <cstdio>

namespace
{
using namespace vantoril;

const juce::String pluginUri = JucePlugin_LV2URI;
const juce::String description = "Dynamics compressor with RMS detector, soft knee, side-chain low cut, drive and mix";
const juce::String licence = "https://spdx.org/licenses/GPL-3.0-or-later";

juce::String unitStatements (int index)
{
    const auto range = params::unitRange (index);
    const juce::String symbol (range.symbol);
    juce::String unit;
    if (symbol == "ms")
        unit = "units:ms";
    else if (symbol == "dB")
        unit = "units:db";
    else if (symbol == "Hz")
        unit = "units:hz";
    else if (symbol == "%")
        unit = "units:pc";
    else if (symbol == ":1")
        unit = "[\n\t\ta units:Unit ;\n\t\trdfs:label \"ratio\" ;\n\t\tunits:symbol \":1\" ;\n"
               "\t\tunits:render \"%.2f:1\" ;\n\t]";

    juce::String statements;
    if (unit.isNotEmpty())
        statements << "\tunits:unit " << unit << " ;\n";
    if (range.logarithmic)
        statements << "\tlv2:portProperty pprop:logarithmic ;\n";
    return statements;
}

// Replaces the one occurrence of `from`; false when it is not there exactly once.
bool replaceOnce (juce::String& text, const juce::String& from, const juce::String& to)
{
    const int at = text.indexOf (from);
    if (at < 0 || text.indexOf (at + 1, from) >= 0)
    {
        std::fprintf (stderr, "vantoril-lv2-bundle: expected one \"%s\" in dsp.ttl\n", from.toRawUTF8());
        return false;
    }
    text = text.replaceSection (at, from.length(), to);
    return true;
}

bool completeDsp (const juce::File& file)
{
    auto text = file.loadFileAsString();
    bool ok = text.isNotEmpty();

    for (int i = 0; ok && i < params::count; ++i)
    {
        const juce::String head = juce::String ("plug:") + params::name (i) + "\n\ta lv2:Parameter ;\n";
        const int start = text.indexOf (head);
        const juce::String range = "\trdfs:range atom:Float ;\n";
        const int at = start < 0 ? -1 : text.indexOf (start, range);
        if (at < 0)
        {
            std::fprintf (stderr, "vantoril-lv2-bundle: no parameter %s in dsp.ttl\n", params::name (i));
            return false;
        }
        text = text.replaceSection (at + range.length(), 0, unitStatements (i));
    }

    ok = ok &&
        replaceOnce (text, "<" + pluginUri + ">\n\tui:ui", "<" + pluginUri + ">\n\tdoap:license <" + licence + "> ;\n\tui:ui");
    ok = ok && replaceOnce (text, "\ta lv2:Plugin ;\n\tdoap:name", "\ta lv2:Plugin , lv2:CompressorPlugin ;\n\tdoap:name");
    ok = ok && replaceOnce (text, "doap:description \"" JucePlugin_Name "\" ;", "doap:description \"" + description + "\" ;");
    ok = ok &&
        replaceOnce (text, "foaf:mbox <" JucePlugin_ManufacturerEmail ">", "foaf:mbox <mailto:" JucePlugin_ManufacturerEmail ">");
    return ok && file.replaceWithText (text, false, false, "\n");
}

juce::String presetUri (const presets::FactoryPreset& preset)
{
    return pluginUri + ":preset-" + juce::String (preset.name).toLowerCase().replaceCharacter (' ', '-');
}

bool writePresets (const juce::File& bundle)
{
    juce::String presetsTtl = "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n";
    juce::String manifestEntries;

    for (const auto& preset : presets::factoryPresets())
    {
        const auto bytes = state::makeStateChunk (preset.values);
        const juce::MemoryBlock chunk (bytes.data(), bytes.size());

        const auto uri = presetUri (preset);
        presetsTtl << "\n<" << uri << ">\n"
                   << "\ta pset:Preset ;\n"
                   << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
                   << "\trdfs:label \"" << preset.name << "\" ;\n"
                   << "\trdfs:comment \"" << preset.description << "\" ;\n"
                   << "\tstate:state [\n"
                   << "\t\t<" << pluginUri << ":StateString> \"" << chunk.toBase64Encoding() << "\" ;\n"
                   << "\t] .\n";
        manifestEntries << "\n<" << uri << ">\n"
                        << "\ta pset:Preset ;\n"
                        << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
                        << "\trdfs:seeAlso <presets.ttl> .\n";
    }

    const auto manifest = bundle.getChildFile ("manifest.ttl");
    const auto manifestText = manifest.loadFileAsString();
    return manifestText.contains ("<" + pluginUri + ">") &&
        bundle.getChildFile ("presets.ttl").replaceWithText (presetsTtl, false, false, "\n") &&
        manifest.replaceWithText (manifestText + manifestEntries, false, false, "\n");
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: vantoril-lv2-bundle BUNDLE_DIRECTORY\n");
        return 2;
    }
    const juce::File bundle = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! completeDsp (bundle.getChildFile ("dsp.ttl")) || ! writePresets (bundle))
    {
        std::fprintf (stderr, "vantoril-lv2-bundle: cannot complete %s\n", bundle.getFullPathName().toRawUTF8());
        return 1;
    }
    return 0;
}

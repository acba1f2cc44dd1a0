// A block host over lilv that measures LV2 compressors side by side: ours and
// other RMS compressors from Debian's packages, each set to comparable settings
// (4:1, 10 ms attack, 100 ms release, each threshold chosen for a similar level
// change on the material, our low cut off), run interleaved over the same
// 48 kHz stereo material in 512-frame blocks. Only the plug-ins' run() calls are
// timed; the cost of the timing itself is measured with an empty call and
// subtracted. Prints a table of medians and their spread, the processor's model
// and which of our signal paths ran. --ours adds one more build of ours (the
// measurement builds with one signal path each, found through LV2_PATH).
//
//   vantoril-peers [--rounds N] [--seconds S] [--block N] [--only TEXT] [--markdown] [--ours LABEL URI]...
#include "Lv2HostFeatures.h"

#include "BlockKernel.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/patch/patch.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifndef VANTORIL_LV2_BUNDLE_DIR
#define VANTORIL_LV2_BUNDLE_DIR ""
#endif
#ifndef VANTORIL_LV2_URI
#define VANTORIL_LV2_URI ""
#endif

namespace
{

constexpr double sampleRate = 48000.0;

// The processor's model name as the system reports it.
std::string cpuModel()
{
    std::ifstream info ("/proc/cpuinfo");
    for (std::string line; std::getline (info, line);)
        if (line.rfind ("model name", 0) == 0 && line.find (':') != std::string::npos)
            return line.substr (line.find (':') + 2);
    return "unknown";
}

// The signal path the shipped plug-in picks on this processor.
const char* ourSignalPath()
{
    if (vantoril::cpuRunsAvx512())
        return "AVX-512 kernel";
    if (vantoril::cpuRunsAvx2())
        return "AVX2 kernel";
    if (vantoril::cpuRunsSse2())
        return "SSE2 kernel";
    if (vantoril::cpuRunsNeon())
        return "Advanced SIMD kernel";
    return "per-sample path";
}
using vantoril::lv2host::Features;
using vantoril::lv2host::UridMap;

// A peer and its settings: control port symbol -> value, and for plug-ins
// whose parameters are properties, property URI -> value (sent as patch:Set).
struct Peer
{
    std::string label;
    std::string uri;
    std::map<std::string, float> controls;
    std::map<std::string, float> properties;
    bool ours = false;
};

// Our plug-in under a label and URI (measurement builds have URIs of their own).
Peer ourPlugin (const std::string& label, const std::string& our)
{
    return { label,
             our,
             { { "enabled", 1.0f }, { "freeWheeling", 0.0f } },
             // In the parameters' units: 4:1, 10 ms, 100 ms, low cut off; threshold below.
             { { our + ":Threshold", -19.0f },
               { our + ":Ratio", 4.0f },
               { our + ":Attack", 10.0f },
               { our + ":Release", 100.0f },
               { our + ":LowCut", 0.0f } },
             true };
}

std::vector<Peer> peers (const std::vector<std::pair<std::string, std::string>>& moreOfOurs)
{
    std::vector<Peer> list { ourPlugin ("Vantoril", VANTORIL_LV2_URI) };
    for (const auto& [label, uri] : moreOfOurs)
        list.push_back (ourPlugin (label, uri));
    std::vector<Peer> others {
        { "swh SC4",
          "http://plugin.org.uk/swh-plugins/sc4",
          { { "rms_peak", 0.0f },
            { "attack", 10.0f },
            { "release", 100.0f },
            { "threshold", -22.0f },
            { "ratio", 4.0f },
            { "makeup_gain", 0.0f } },
          {} },
        { "x42 dynamic compressor (darc)",
          "http://gareus.org/oss/lv2/darc#stereo",
          { { "enable", 1.0f },
            { "inputgain", 0.0f },
            { "threshold", -40.0f },
            { "Ratio", 0.75f },
            { "attack", 0.01f },
            { "release", 0.1f } },
          {} },
        { "Ardour a-comp (stereo)",
          "urn:ardour:a-comp#stereo",
          { { "att", 10.0f }, { "rel", 100.0f }, { "rat", 4.0f }, { "thr", -22.0f }, { "mak", 0.0f }, { "enable", 1.0f } },
          {} },
        { "Calf Compressor",
          "http://calf.sourceforge.net/plugins/Compressor",
          { { "bypass", 0.0f },
            { "threshold", 0.125f },
            { "ratio", 4.0f },
            { "attack", 10.0f },
            { "release", 100.0f },
            { "makeup", 1.0f },
            { "detection", 0.0f },
            { "mix", 1.0f } },
          {} },
        { "LSP Compressor Stereo",
          "http://lsp-plug.in/plugins/lv2/compressor_stereo",
          { { "enabled", 1.0f },
            { "scm", 1.0f },
            { "al", 0.0708f },
            { "at", 10.0f },
            { "rt", 100.0f },
            { "cr", 4.0f },
            { "mk", 1.0f } },
          {} },
        { "ZamCompX2",
          "urn:zamaudio:ZamCompX2",
          { { "att", 10.0f }, { "rel", 100.0f }, { "rat", 4.0f }, { "thr", -23.0f }, { "mak", 0.0f } },
          {} },
    };
    list.insert (list.end(), others.begin(), others.end());
    return list;
}

// One instantiated plug-in with every port connected.
struct Instance
{
    Peer peer;
    LilvInstance* instance = nullptr;
    std::vector<float> controlValues;
    std::vector<std::vector<float>> audioIn, audioOut; // main inputs/outputs, first two of each
    std::vector<float> silence; // further audio inputs (side chains)
    std::vector<std::vector<float>> spareOutputs; // further audio/CV outputs
    std::vector<std::vector<uint8_t>> atomIn, atomOut;
    bool pendingProperties = false;
    double reductionDb = 0.0;
    std::vector<double> nsPerFrame;

    ~Instance()
    {
        if (instance != nullptr)
        {
            lilv_instance_deactivate (instance);
            lilv_instance_free (instance);
        }
    }
};

bool connect (LilvWorld* world, const LilvPlugin* plugin, Instance& in, Features& features, int block)
{
    LilvNode* audio = lilv_new_uri (world, LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri (world, LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri (world, LV2_CORE__InputPort);
    LilvNode* cv = lilv_new_uri (world, LV2_CORE__CVPort);
    LilvNode* atom = lilv_new_uri (world, LV2_ATOM__AtomPort);

    const uint32_t numPorts = lilv_plugin_get_num_ports (plugin);
    std::vector<float> defaults (numPorts, 0.0f);
    lilv_plugin_get_port_ranges_float (plugin, nullptr, nullptr, defaults.data());
    in.controlValues.assign (numPorts, 0.0f);
    in.silence.assign (static_cast<size_t> (block), 0.0f);
    in.audioIn.reserve (numPorts);
    in.audioOut.reserve (numPorts);
    in.spareOutputs.reserve (numPorts);
    in.atomIn.reserve (numPorts);
    in.atomOut.reserve (numPorts);
    bool ok = true;

    for (uint32_t i = 0; i < numPorts; ++i)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index (plugin, i);
        const bool isInput = lilv_port_is_a (plugin, port, input);
        const std::string symbol = lilv_node_as_string (lilv_port_get_symbol (plugin, port));
        if (lilv_port_is_a (plugin, port, control))
        {
            float value = std::isnan (defaults[i]) ? 0.0f : defaults[i];
            if (isInput && in.peer.controls.count (symbol) != 0)
                value = in.peer.controls.at (symbol);
            in.controlValues[i] = value;
            lilv_instance_connect_port (in.instance, i, &in.controlValues[i]);
        }
        else if (lilv_port_is_a (plugin, port, audio) || lilv_port_is_a (plugin, port, cv))
        {
            auto& list = isInput ? in.audioIn : in.audioOut;
            if (lilv_port_is_a (plugin, port, audio) && list.size() < 2)
            {
                list.emplace_back (static_cast<size_t> (block), 0.0f);
                lilv_instance_connect_port (in.instance, i, list.back().data());
            }
            else if (isInput)
            {
                lilv_instance_connect_port (in.instance, i, in.silence.data());
            }
            else
            {
                in.spareOutputs.emplace_back (static_cast<size_t> (block), 0.0f);
                lilv_instance_connect_port (in.instance, i, in.spareOutputs.back().data());
            }
        }
        else if (lilv_port_is_a (plugin, port, atom))
        {
            auto& list = isInput ? in.atomIn : in.atomOut;
            list.emplace_back (static_cast<size_t> (features.sequenceSize), 0);
            lilv_instance_connect_port (in.instance, i, list.back().data());
        }
        else
        {
            LilvNode* optional = lilv_new_uri (world, LV2_CORE__connectionOptional);
            const bool canStayOpen = lilv_port_has_property (plugin, port, optional);
            lilv_node_free (optional);
            if (canStayOpen)
                continue;
            std::fprintf (stderr, "%s: port %s has a type this host does not know\n", in.peer.label.c_str(), symbol.c_str());
            ok = false;
        }
    }
    if (in.audioIn.size() != 2 || in.audioOut.size() != 2)
    {
        std::fprintf (stderr, "%s: not a stereo plug-in\n", in.peer.label.c_str());
        ok = false;
    }

    for (auto* node : { audio, control, input, cv, atom })
        lilv_node_free (node);
    return ok;
}

// Fills the atom ports for one cycle: patch:Set messages for the properties on
// the first cycle, empty sequences afterwards; output sequences get their capacity.
void prepareAtoms (Instance& in, Features& f)
{
    UridMap& u = f.urids;
    for (auto& buffer : in.atomIn)
    {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init (&forge, &f.map);
        lv2_atom_forge_set_buffer (&forge, buffer.data(), buffer.size());
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head (&forge, &sequence, 0);
        if (in.pendingProperties)
            for (const auto& [uri, value] : in.peer.properties)
            {
                LV2_Atom_Forge_Frame object;
                lv2_atom_forge_frame_time (&forge, 0);
                lv2_atom_forge_object (&forge, &object, 0, u.map (LV2_PATCH__Set));
                lv2_atom_forge_key (&forge, u.map (LV2_PATCH__property));
                lv2_atom_forge_urid (&forge, u.map (uri.c_str()));
                lv2_atom_forge_key (&forge, u.map (LV2_PATCH__value));
                lv2_atom_forge_float (&forge, value);
                lv2_atom_forge_pop (&forge, &object);
            }
        lv2_atom_forge_pop (&forge, &sequence);
    }
    in.pendingProperties = false;
    for (auto& buffer : in.atomOut)
    {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*> (buffer.data());
        seq->atom.size = static_cast<uint32_t> (buffer.size() - sizeof (LV2_Atom));
        seq->atom.type = u.map (LV2_ATOM__Chunk);
    }
}

// Program-like stereo material: a beat envelope over a low tone and noise.
std::vector<std::vector<float>> material (double seconds)
{
    const auto length = static_cast<size_t> (seconds * sampleRate);
    std::vector<std::vector<float>> m (2, std::vector<float> (length));
    std::mt19937 random (7);
    std::normal_distribution<float> noise (0.0f, 0.1f);
    for (size_t k = 0; k < length; ++k)
    {
        const double t = static_cast<double> (k) / sampleRate;
        const auto beat = static_cast<float> (std::exp (-std::fmod (t, 0.25) * 12.0));
        for (int ch = 0; ch < 2; ++ch)
            m[static_cast<size_t> (ch)][k] =
                beat * (0.6f * static_cast<float> (std::sin (6.2831853 * 80.0 * t)) + noise (random));
    }
    return m;
}

using Clock = std::chrono::steady_clock;

// An empty call timed like a plug-in's run(): the host's own share of each block.
__attribute__ ((noinline)) void emptyRun (void* p) { asm volatile("" : : "r"(p) : "memory"); }

double timingOverheadNs (int blocks)
{
    double best = 1e30;
    for (int round = 0; round < 5; ++round)
    {
        double total = 0.0;
        for (int b = 0; b < blocks; ++b)
        {
            const auto t0 = Clock::now();
            emptyRun (&total);
            total += std::chrono::duration<double, std::nano> (Clock::now() - t0).count();
        }
        best = std::min (best, total / blocks);
    }
    return best;
}

// Copies block b of the material into the plug-in's inputs and prepares its atom ports.
void feedBlock (Instance& in, Features& f, const std::vector<std::vector<float>>& m, int block, size_t b)
{
    for (int ch = 0; ch < 2; ++ch)
        std::memcpy (in.audioIn[static_cast<size_t> (ch)].data(),
                     m[static_cast<size_t> (ch)].data() + b * static_cast<size_t> (block),
                     sizeof (float) * static_cast<size_t> (block));
    prepareAtoms (in, f);
}

// Runs the whole material through one instance; returns ns per stereo frame.
double runOnce (Instance& in, Features& f, const std::vector<std::vector<float>>& m, int block, double overheadNs,
                bool measureReduction)
{
    const size_t length = m[0].size();
    const size_t blocks = length / static_cast<size_t> (block);
    double timed = 0.0, inEnergy = 0.0, outEnergy = 0.0;
    // A few untimed blocks first: the plug-in that follows another in a round
    // would otherwise pay for the processor's caches and predictors switching over.
    for (size_t b = 0; b < std::min<size_t> (blocks, 32); ++b)
    {
        feedBlock (in, f, m, block, b);
        lilv_instance_run (in.instance, static_cast<uint32_t> (block));
    }
    for (size_t b = 0; b < blocks; ++b)
    {
        feedBlock (in, f, m, block, b);
        const auto t0 = Clock::now();
        lilv_instance_run (in.instance, static_cast<uint32_t> (block));
        timed += std::chrono::duration<double, std::nano> (Clock::now() - t0).count() - overheadNs;
        if (measureReduction)
            for (int ch = 0; ch < 2; ++ch)
                for (int k = 0; k < block; ++k)
                {
                    const double x = in.audioIn[static_cast<size_t> (ch)][static_cast<size_t> (k)];
                    const double y = in.audioOut[static_cast<size_t> (ch)][static_cast<size_t> (k)];
                    inEnergy += x * x;
                    outEnergy += y * y;
                }
    }
    if (measureReduction)
        in.reductionDb = 10.0 * std::log10 (outEnergy / std::max (inEnergy, 1e-30));
    return timed / static_cast<double> (blocks * static_cast<size_t> (block));
}

double median (std::vector<double> v)
{
    std::sort (v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]));
}

} // namespace

int main (int argc, char** argv)
{
    int rounds = 15, block = 512;
    double seconds = 4.0;
    bool markdown = false;
    std::string only;
    std::vector<std::pair<std::string, std::string>> moreOfOurs;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::max (1, std::atoi (argv[++i]));
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::max (0.1, std::atof (argv[++i]));
        else if (a == "--block" && i + 1 < argc)
            block = std::max (1, std::atoi (argv[++i]));
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (a == "--markdown")
            markdown = true;
        else if (a == "--ours" && i + 2 < argc)
        {
            moreOfOurs.emplace_back (argv[i + 1], argv[i + 2]);
            i += 2;
        }
        else
        {
            std::fprintf (stderr,
                          "usage: vantoril-peers [--rounds N] [--seconds S] [--block N] [--only TEXT] [--markdown] "
                          "[--ours LABEL URI]...\n");
            return 2;
        }
    }

    // Our freshly built bundle first, then the system's plug-ins.
    std::string path = VANTORIL_LV2_BUNDLE_DIR;
    if (const char* existing = std::getenv ("LV2_PATH"))
        path += std::string (":") + existing;
    else
        path += ":/usr/lib/lv2:/usr/local/lib/lv2:/usr/lib/x86_64-linux-gnu/lv2";
    setenv ("LV2_PATH", path.c_str(), 1);

    LilvWorld* world = lilv_world_new();
    lilv_world_load_all (world);
    const LilvPlugins* all = lilv_world_get_all_plugins (world);

    Features features (block);
    const auto m = material (seconds);
    std::vector<std::unique_ptr<Instance>> instances;
    for (const auto& peer : peers (moreOfOurs))
    {
        if (! peer.ours && ! only.empty() && peer.label.find (only) == std::string::npos)
            continue;
        LilvNode* uri = lilv_new_uri (world, peer.uri.c_str());
        const LilvPlugin* plugin = lilv_plugins_get_by_uri (all, uri);
        lilv_node_free (uri);
        if (plugin == nullptr)
        {
            std::fprintf (stderr, "%s (%s) is not installed; left out\n", peer.label.c_str(), peer.uri.c_str());
            if (peer.ours)
                return 1;
            continue;
        }
        auto in = std::make_unique<Instance>();
        in->peer = peer;
        in->instance = lilv_plugin_instantiate (plugin, sampleRate, features.list.data());
        if (in->instance == nullptr || ! connect (world, plugin, *in, features, block))
        {
            std::fprintf (stderr, "%s could not be instantiated; left out\n", peer.label.c_str());
            if (peer.ours)
                return 1;
            in->instance = nullptr;
            continue;
        }
        in->pendingProperties = ! peer.properties.empty();
        lilv_instance_activate (in->instance);
        instances.push_back (std::move (in));
    }

    const double overhead = timingOverheadNs (static_cast<int> (m[0].size()) / block);

    // A warm-up round that also measures each compressor's level change, then
    // the timed rounds, all plug-ins interleaved.
    for (auto& in : instances)
        runOnce (*in, features, m, block, overhead, true);
    for (int round = 0; round < rounds; ++round)
        for (auto& in : instances)
            in->nsPerFrame.push_back (runOnce (*in, features, m, block, overhead, false));

    // Ratios are medians of the per-round ratios: each round runs every
    // plug-in within a second or two, so a machine that speeds up or slows
    // down between rounds does not shift them. "x ours" compares with the
    // first of our builds, "x best peer" with the fastest other plug-in of the
    // same round.
    const Instance* ours = nullptr;
    for (auto& in : instances)
        if (in->peer.ours && ours == nullptr)
            ours = in.get();
    auto bestPeer = [&] (size_t round)
    {
        double best = 0.0;
        for (auto& in : instances)
            if (! in->peer.ours && (best == 0.0 || in->nsPerFrame[round] < best))
                best = in->nsPerFrame[round];
        return best;
    };
    auto ratioTo = [&] (const Instance& in, auto reference)
    {
        std::vector<double> ratios;
        for (size_t r = 0; r < in.nsPerFrame.size(); ++r)
            if (const double ref = reference (r); ref > 0.0)
                ratios.push_back (in.nsPerFrame[r] / ref);
        return ratios.empty() ? 0.0 : median (ratios);
    };

    std::printf (markdown ? "| Plug-in | ns per stereo frame (median) | spread (min to max) | time relative to Vantoril (median "
                            "per round) | x best peer | level change |\n|---|---|---|---|---|---|\n"
                          : "%-32s %12s %22s %10s %12s %12s\n",
                 "plug-in", "ns/frame", "spread", "x ours", "x best peer", "level");
    for (auto& in : instances)
    {
        const double med = median (in->nsPerFrame);
        const auto [lo, hi] = std::minmax_element (in->nsPerFrame.begin(), in->nsPerFrame.end());
        const double toOurs = ratioTo (*in, [&] (size_t r) { return ours->nsPerFrame[r]; });
        const double toBest = ratioTo (*in, bestPeer);
        if (markdown)
            std::printf ("| %s | %.1f | %.1f to %.1f | %.2f | %.2f | %+.1f dB |\n", in->peer.label.c_str(), med, *lo, *hi, toOurs,
                         toBest, in->reductionDb);
        else
            std::printf ("%-32s %12.1f %10.1f to %8.1f %10.2f %12.2f %+9.1f dB\n", in->peer.label.c_str(), med, *lo, *hi, toOurs,
                         toBest, in->reductionDb);
    }
    std::printf ("\n%d rounds of %.1f s at %.0f Hz, %d-frame blocks; timing overhead %.1f ns per block subtracted\n", rounds,
                 seconds, sampleRate, block, overhead);
    std::printf ("processor: %s; Vantoril's signal path here: %s\n", cpuModel().c_str(), ourSignalPath());
    std::printf ("thresholds are set per plug-in for a similar level change on this material (darc's automatic gain\n"
                 "keeps its level change near 0 dB)\n");

    instances.clear();
    lilv_world_free (world);
    return 0;
}

// Fuzzes the state restore as a host drives it: restore any bytes, save,
// read the parameters back, restore the saved chunk into a second processor
// and save again (the chunks must be identical), and process one block.
#include "StateChunk.h"
#include "processor/VantorilAudioProcessor.h"

#include <cmath>
#include <cstdlib>
#include <memory>

namespace
{
struct Processors
{
    Processors()
    {
        for (auto* p : { &first, &second })
        {
            p->setPlayConfigDetails (2, 2, 48000.0, 64);
            p->prepareToPlay (48000.0, 64);
        }
    }
    juce::ScopedJuceInitialiser_GUI framework;
    std::unique_ptr<juce::AudioProcessor> ownedFirst { createPluginFilter() }, ownedSecond { createPluginFilter() };
    VantorilAudioProcessor& first = dynamic_cast<VantorilAudioProcessor&> (*ownedFirst);
    VantorilAudioProcessor& second = dynamic_cast<VantorilAudioProcessor&> (*ownedSecond);
    juce::AudioBuffer<float> block { 2, 64 };
};

void check (bool condition)
{
    if (! condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static Processors p;
    if (size > static_cast<std::size_t> (std::numeric_limits<int>::max()))
        return 0;

    p.first.setStateInformation (data, static_cast<int> (size));

    juce::MemoryBlock saved;
    p.first.getStateInformation (saved);
    const auto values = vantoril::state::readStateChunk (saved.getData(), saved.getSize());
    check (values.has_value());
    for (int i = 0; i < vantoril::params::count; ++i)
    {
        const float value = p.first.getNormalisedValue (i);
        check (value >= 0.0f && value <= 1.0f);
        check (static_cast<float> (*(*values)[static_cast<std::size_t> (i)]) == value);
    }

    p.second.setStateInformation (saved.getData(), static_cast<int> (saved.getSize()));
    juce::MemoryBlock again;
    p.second.getStateInformation (again);
    check (again == saved);

    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 64; ++k)
            p.block.setSample (ch, k, std::sin (0.1f * static_cast<float> (k + ch)));
    juce::MidiBuffer midi;
    p.first.processBlock (p.block, midi);
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 64; ++k)
            check (std::isfinite (p.block.getSample (ch, k)));
    return 0;
}

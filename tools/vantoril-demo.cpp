// Pushes a built-in test signal through the plug-in's processor and prints the
// gain reduction it measured.
#include "processor/VantorilAudioProcessor.h"

#include <cmath>
#include <cstdio>
#include <memory>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

int main()
{
    constexpr double sampleRate = 44100.0;
    constexpr int blockSize = 512;
    constexpr int seconds = 4;

    std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());
    auto& vantoril = dynamic_cast<VantorilAudioProcessor&> (*processor);
    vantoril.setParameter (vantoril::params::threshold, 0.4f); // -24 dB
    vantoril.setParameter (vantoril::params::ratio, 0.75f);    // 4:1
    vantoril.prepareToPlay (sampleRate, blockSize);

    // A 110 Hz tone with a decaying hit every half second, loud then quiet.
    juce::AudioBuffer<float> block (2, blockSize);
    double maxReductionDb = 0.0, sumReductionDb = 0.0;
    int blocks = 0;
    const int total = static_cast<int> (sampleRate) * seconds;

    for (int start = 0; start < total; start += blockSize)
    {
        for (int k = 0; k < blockSize; ++k)
        {
            const double t = (start + k) / sampleRate;
            const double sinceHit = std::fmod (t, 0.5);
            const double loudness = t < seconds / 2.0 ? 0.8 : 0.1;
            const float s = static_cast<float> (loudness * std::exp (-sinceHit * 8.0)
                                                * std::sin (2.0 * juce::MathConstants<double>::pi * 110.0 * t));
            block.setSample (0, k, s);
            block.setSample (1, k, s);
        }
        juce::MidiBuffer midi;
        vantoril.processBlock (block, midi);
        const double reductionDb = -20.0 * std::log10 (juce::jmax (1e-6f, vantoril.getGainMeterValue()));
        maxReductionDb = juce::jmax (maxReductionDb, reductionDb);
        sumReductionDb += reductionDb;
        ++blocks;
    }

    std::printf ("%s %s: %d s of test signal at %.0f Hz, threshold %s, ratio %s\n",
                 vantoril.getName().toRawUTF8(), JucePlugin_VersionString, seconds, sampleRate,
                 vantoril.getParameterText (vantoril::params::threshold).toRawUTF8(),
                 vantoril.getParameterText (vantoril::params::ratio).toRawUTF8());
    std::printf ("gain reduction: max %.2f dB, average %.2f dB\n", maxReductionDb, sumReductionDb / blocks);
    return 0;
}

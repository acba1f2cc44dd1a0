#pragma once

#include "BlockKernel.h"
#include "CompressorChannel.h"
#include "LowCutFilter.h"
#include "ParameterMapping.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <cstdint>

// The compressor as the framework's plug-in clients see it: ten parameters in
// index order, the per-channel signal path, the saved state and the meter feeds.
class VantorilAudioProcessor : public juce::AudioProcessor
{
public:
    VantorilAudioProcessor();
    ~VantorilAudioProcessor() override;

    //==========================================================================
    // Playback
    void prepareToPlay (double sampleRate, int expectedBlockSize) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    //==========================================================================
    // Identity and editor
    const juce::String getName() const override;
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool hasEditor() const override;
    // Parameter 9 is the host's bypass too, so no format adds a bypass of its own.
    // Not in LV2: there the host's bypass is a port the client would copy into
    // the parameter on every cycle (overriding the user's setting and reporting
    // a change each time); the client passes the audio through itself instead.
    juce::AudioProcessorParameter* getBypassParameter() const override;
    juce::AudioProcessorEditor* createEditor() override;

    //==========================================================================
    // Programs: none; the state travels as a chunk.
    int getNumPrograms() override { return 0; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}

    //==========================================================================
    // Saved state
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==========================================================================
    // Parameters. Hosts and the framework's clients reach them through the ten
    // parameter objects (getParameters(), see VantorilParameter), which forward
    // to these index-based operations; the editor, the saved state and the tools
    // call them directly, so every path sees the same values and texts.

    // Stores a normalised value (clamped to [0, 1]; NaN and unknown indices are
    // ignored) without telling the host.
    void setNormalisedValue (int index, float newValue);
    // The normalised value last written (switches: exactly 0 or 1); 0 for unknown indices.
    float getNormalisedValue (int index) const noexcept;
    // The display text of the stored value, unit included.
    juce::String getDisplayText (int index) const;

    // Largest number of frames processed at once: longer blocks run in pieces.
    static constexpr int maxPieceSize = 65536;

    // Changes made by the editor: written through the parameter objects so the
    // host records them (automation and gestures) in every plug-in format.
    void setParameterNotifyingHost (int index, float newValue);
    void beginParameterChangeGesture (int index);
    void endParameterChangeGesture (int index);

    //==========================================================================
    // Meter feeds for the editor (any thread): channel 0's smoothed gain
    // (1.0 = no reduction) and its output peak (1.0 = full scale).
    float getGainMeterValue() const noexcept { return gainMeterValue.load (std::memory_order_relaxed); }
    float getPeakMeterValue() const noexcept { return peakMeterValue.load (std::memory_order_relaxed); }

    // Number of entries in the per-channel banks (for tests and diagnostics).
    int getNumChannelEntries() const noexcept { return compressorChannels.size(); }
    const vantoril::CompressorChannel* getChannelEntry (int index) const noexcept { return compressorChannels[index]; }

    // Highest cut-off the low-cut design uses at a sample rate: the design is
    // only valid below Nyquist, so settings above it are held just under it.
    static double lowCutDesignFrequency (float amount, double sampleRate) noexcept;

    // The block kernel processBlock uses: the fastest one the processor runs by
    // default, nullptr for the per-sample path. Change it only while no block
    // is being processed (tests and benchmarks compare the paths).
    void setBlockKernel (vantoril::BlockKernel kernel) noexcept { blockKernel.store (kernel, std::memory_order_relaxed); }

private:
    // Settings reach the per-channel banks only on the audio thread (at the start
    // of a block) and in prepareToPlay: setNormalisedValue marks what changed.
    enum PendingChange : std::uint32_t
    {
        compressorSettingsChanged = 1,
        lowCutChanged = 2
    };
    void applyPendingChanges() noexcept;
    void pushCompressorSettings() noexcept;
    void updateLowCutFilters() noexcept;

    void processPiece (juce::AudioBuffer<float>& buffer, int numProcessed);
    void processPerSample (juce::AudioBuffer<float>& buffer, int numProcessed, float makeupScale);
    void processWithKernel (vantoril::BlockKernel kernel, juce::AudioBuffer<float>& buffer, int numProcessed,
                            float makeupScale) noexcept;
    void updateOutputPeak (int channel, float magnitude) noexcept;
    float getStoredValue (int index) const noexcept;
    void resizeBanks (int numChannels);
    void publishMeters() noexcept;

    // Stored parameter values in engineering units; written by any thread that
    // changes a parameter, read by the audio thread.
    std::atomic<bool> bypassed { false };
    std::atomic<bool> softKnee { true };
    std::atomic<float> attackSeconds { vantoril::params::initialStoredValue (vantoril::params::attack) };
    std::atomic<float> releaseSeconds { vantoril::params::initialStoredValue (vantoril::params::release) };
    std::atomic<float> thresholdGain { vantoril::params::initialStoredValue (vantoril::params::threshold) };
    std::atomic<float> lowCutAmount { vantoril::params::initialStoredValue (vantoril::params::lowCut) };
    std::atomic<float> ratioAmount { vantoril::params::initialStoredValue (vantoril::params::ratio) };
    std::atomic<float> driveAmount { vantoril::params::initialStoredValue (vantoril::params::drive) };
    std::atomic<float> levelGain { vantoril::params::initialStoredValue (vantoril::params::level) };
    std::atomic<float> mixAmount { vantoril::params::initialStoredValue (vantoril::params::mix) };

    // The normalised value last written to each parameter (clamped to [0, 1]),
    // so that reading a parameter back gives exactly what was written and a
    // saved state restores to the same bytes. Switches read their stored value.
    std::array<std::atomic<float>, vantoril::params::count> normalisedValues;

    // PendingChange bits set by setNormalisedValue, taken by the audio thread.
    std::atomic<std::uint32_t> pendingChanges { 0 };

    std::atomic<double> currentSampleRate { 44100.0 };

    // Per-channel banks, one entry per input channel; built in prepareToPlay,
    // used by the audio thread, deleted in releaseResources.
    juce::OwnedArray<vantoril::CompressorChannel> compressorChannels;
    juce::OwnedArray<vantoril::LowCutFilter> lowCutFilters;
    juce::Array<float> outputPeaks;

    // Side-chain copy of one piece, sized in prepareToPlay so that the audio
    // thread does not allocate; its length is the piece size.
    juce::AudioBuffer<float> sideChain;

    std::atomic<vantoril::BlockKernel> blockKernel { vantoril::selectBlockKernel() };

    std::atomic<float> gainMeterValue { 1.0f };
    std::atomic<float> peakMeterValue { 0.0f };

    std::array<juce::AudioProcessorParameter*, vantoril::params::count> parameterObjects {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VantorilAudioProcessor)
};

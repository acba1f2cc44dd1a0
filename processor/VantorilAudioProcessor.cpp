#include "VantorilAudioProcessor.h"

#include "Drive.h"
#include "StateChunk.h"
#include "VantorilParameter.h"
#include "VantorilVersion.h"
#include "editor/VantorilAudioProcessorEditor.h"

#include <algorithm>
#include <cmath>

using namespace vantoril;

//==============================================================================
namespace
{
juce::NormalisableRange<float> makeUnitRange (int index)
{
    const auto range = params::unitRange (index);
    return { range.minimum, range.maximum,
             [index] (float, float, float normalised) { return params::toUnitValue (index, normalised); },
             [index] (float, float, float value) { return params::fromUnitValue (index, value); } };
}
} // namespace

VantorilParameter::VantorilParameter (VantorilAudioProcessor& owner, int index)
    : juce::RangedAudioParameter (juce::ParameterID (params::name (index), 1), params::name (index)),
      processor (owner),
      parameterIndex (index),
      unitRange (makeUnitRange (index))
{
}

float VantorilParameter::getValue() const { return processor.getNormalisedValue (parameterIndex); }

void VantorilParameter::setValue (float newValue) { processor.setNormalisedValue (parameterIndex, newValue); }

float VantorilParameter::getDefaultValue() const
{
    return params::toNormalised (parameterIndex, params::initialStoredValue (parameterIndex));
}

juce::String VantorilParameter::getText (float normalisedValue, int maximumStringLength) const
{
    // The current value shows the processor's own text; any other value the
    // text of the value it would store.
    const juce::String text = normalisedValue == getValue()
        ? processor.getDisplayText (parameterIndex)
        : juce::String (params::displayText (parameterIndex, params::toStored (parameterIndex, normalisedValue)));
    return text.substring (0, maximumStringLength);
}

float VantorilParameter::getValueForText (const juce::String& text) const
{
    if (auto value = params::parseValueText (parameterIndex, text.toStdString()))
        return *value;
    return getValue();
}

//==============================================================================
VantorilAudioProcessor::VantorilAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    for (int i = 0; i < params::count; ++i)
        normalisedValues[static_cast<size_t> (i)].store (params::toNormalised (i, params::initialStoredValue (i)));

    for (int i = 0; i < params::count; ++i)
    {
        auto* parameter = new VantorilParameter (*this, i);
        parameterObjects[static_cast<size_t> (i)] = parameter;
        addParameter (parameter);
    }
}

VantorilAudioProcessor::~VantorilAudioProcessor() = default;

const juce::String VantorilAudioProcessor::getName() const { return productName; }

juce::AudioProcessorParameter* VantorilAudioProcessor::getBypassParameter() const
{
    return wrapperType == wrapperType_LV2 ? nullptr : parameterObjects[params::bypass];
}

bool VantorilAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto in = layouts.getMainInputChannelSet();
    const auto out = layouts.getMainOutputChannelSet();
    return in == out && (in == juce::AudioChannelSet::mono() || in == juce::AudioChannelSet::stereo());
}

//==============================================================================
// Parameters

float VantorilAudioProcessor::getStoredValue (int index) const noexcept
{
    switch (index)
    {
        case params::attack: return attackSeconds.load (std::memory_order_relaxed);
        case params::release: return releaseSeconds.load (std::memory_order_relaxed);
        case params::threshold: return thresholdGain.load (std::memory_order_relaxed);
        case params::ratio: return ratioAmount.load (std::memory_order_relaxed);
        case params::knee: return softKnee.load (std::memory_order_relaxed) ? 1.0f : 0.0f;
        case params::lowCut: return lowCutAmount.load (std::memory_order_relaxed);
        case params::drive: return driveAmount.load (std::memory_order_relaxed);
        case params::level: return levelGain.load (std::memory_order_relaxed);
        case params::mix: return mixAmount.load (std::memory_order_relaxed);
        case params::bypass: return bypassed.load (std::memory_order_relaxed) ? 1.0f : 0.0f;
        default: return 0.0f;
    }
}

float VantorilAudioProcessor::getNormalisedValue (int index) const noexcept
{
    if (! juce::isPositiveAndBelow (index, params::count))
        return 0.0f;
    if (params::isSwitch (index))
        return params::toNormalised (index, getStoredValue (index));
    return normalisedValues[static_cast<size_t> (index)].load (std::memory_order_relaxed);
}

juce::String VantorilAudioProcessor::getDisplayText (int index) const
{
    return params::displayText (index, getStoredValue (index));
}

void VantorilAudioProcessor::setNormalisedValue (int index, float newValue)
{
    // Values outside [0, 1] are clamped; a NaN leaves the parameter unchanged.
    const auto sanitised = params::sanitiseNormalised (newValue);
    if (! sanitised || ! juce::isPositiveAndBelow (index, params::count))
        return;

    normalisedValues[static_cast<size_t> (index)].store (*sanitised, std::memory_order_relaxed);
    const float stored = params::toStored (index, *sanitised);
    constexpr auto relaxed = std::memory_order_relaxed;

    switch (index)
    {
        case params::attack: attackSeconds.store (stored, relaxed); break;
        case params::release: releaseSeconds.store (stored, relaxed); break;
        case params::threshold: thresholdGain.store (stored, relaxed); break;
        case params::ratio: ratioAmount.store (stored, relaxed); break;
        case params::knee: softKnee.store (stored != 0.0f, relaxed); break;
        case params::lowCut: lowCutAmount.store (stored, relaxed); break;
        case params::drive: driveAmount.store (stored, relaxed); break;
        case params::level: levelGain.store (stored, relaxed); break;
        case params::mix: mixAmount.store (stored, relaxed); break;
        case params::bypass: bypassed.store (stored != 0.0f, relaxed); break;
        default: return;
    }

    // The audio thread hands the new settings to its channels and filters at
    // the start of the next block.
    if (index <= params::knee)
        pendingChanges.fetch_or (compressorSettingsChanged, std::memory_order_release);
    else if (index == params::lowCut)
        pendingChanges.fetch_or (lowCutChanged, std::memory_order_release);
}

void VantorilAudioProcessor::setParameterNotifyingHost (int index, float newValue)
{
    if (juce::isPositiveAndBelow (index, params::count))
        parameterObjects[static_cast<size_t> (index)]->setValueNotifyingHost (newValue);
}

void VantorilAudioProcessor::beginParameterChangeGesture (int index)
{
    if (juce::isPositiveAndBelow (index, params::count))
        parameterObjects[static_cast<size_t> (index)]->beginChangeGesture();
}

void VantorilAudioProcessor::endParameterChangeGesture (int index)
{
    if (juce::isPositiveAndBelow (index, params::count))
        parameterObjects[static_cast<size_t> (index)]->endChangeGesture();
}

//==============================================================================
// Saved state

void VantorilAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    std::array<float, params::count> values {};
    for (int i = 0; i < params::count; ++i)
        values[static_cast<size_t> (i)] = getNormalisedValue (i);

    const auto chunk = state::makeStateChunk (values);
    destData.replaceAll (chunk.data(), chunk.size());
}

void VantorilAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (sizeInBytes <= 0)
        return;

    // A malformed chunk changes nothing; a missing attribute keeps its parameter.
    if (const auto values = state::readStateChunk (data, static_cast<size_t> (sizeInBytes)))
        for (int i = 0; i < params::count; ++i)
            if (const auto& value = (*values)[static_cast<size_t> (i)])
                setNormalisedValue (i, static_cast<float> (*value));
}

//==============================================================================
// Signal path

double VantorilAudioProcessor::lowCutDesignFrequency (float amount, double sampleRate) noexcept
{
    // The bilinear high-pass design needs the cut-off below Nyquist (tan(pi f / fs)
    // is only meaningful there). 0.49 fs leaves every rate from 44.1 kHz up untouched,
    // since the highest setting is 19953 Hz.
    const double frequency = static_cast<double> (params::lowCutFrequency (amount));
    return std::min (frequency, 0.49 * sampleRate);
}

void VantorilAudioProcessor::applyPendingChanges() noexcept
{
    const auto changes = pendingChanges.exchange (0, std::memory_order_acquire);
    if ((changes & compressorSettingsChanged) != 0)
        pushCompressorSettings();
    if ((changes & lowCutChanged) != 0)
        updateLowCutFilters();
}

void VantorilAudioProcessor::pushCompressorSettings() noexcept
{
    const double attack = attackSeconds.load (std::memory_order_relaxed);
    const double release = releaseSeconds.load (std::memory_order_relaxed);
    const double threshold = thresholdGain.load (std::memory_order_relaxed);
    const double ratio = ratioAmount.load (std::memory_order_relaxed);
    const bool knee = softKnee.load (std::memory_order_relaxed);

    for (auto* channel : compressorChannels)
    {
        channel->setAttack (attack);
        channel->setRelease (release);
        channel->threshold.store (threshold, std::memory_order_relaxed);
        channel->ratio.store (ratio, std::memory_order_relaxed);
        channel->softKnee.store (knee, std::memory_order_relaxed);
    }
}

void VantorilAudioProcessor::updateLowCutFilters() noexcept
{
    const double rate = currentSampleRate.load (std::memory_order_relaxed);
    const double frequency = lowCutDesignFrequency (lowCutAmount.load (std::memory_order_relaxed), rate);
    const auto design = juce::IIRCoefficients::makeHighPass (rate, frequency);

    for (auto* filter : lowCutFilters)
        filter->setCoefficients (design.coefficients);
}

void VantorilAudioProcessor::resizeBanks (int numChannels)
{
    // Entries that already exist keep their signal state; the banks hold exactly
    // one entry per input channel however often the host prepares.
    while (compressorChannels.size() > numChannels)
        compressorChannels.removeLast();
    while (lowCutFilters.size() > numChannels)
        lowCutFilters.removeLast();
    outputPeaks.resize (juce::jmin (outputPeaks.size(), numChannels));

    while (compressorChannels.size() < numChannels)
        compressorChannels.add (new CompressorChannel());
    while (lowCutFilters.size() < numChannels)
        lowCutFilters.add (new LowCutFilter());
    while (outputPeaks.size() < numChannels)
        outputPeaks.add (0.0f);
}

void VantorilAudioProcessor::prepareToPlay (double sampleRate, int expectedBlockSize)
{
    // Runs while no block is processed, even if a host calls it from another
    // thread during playback: the framework's clients hold this lock around
    // every block.
    const juce::ScopedLock lock (getCallbackLock());

    // A rate that is not a positive finite number is taken as 44.1 kHz.
    if (! (sampleRate > 0.0 && std::isfinite (sampleRate)))
        sampleRate = 44100.0;
    currentSampleRate.store (sampleRate, std::memory_order_relaxed);

    const int numInputs = getTotalNumInputChannels();
    resizeBanks (numInputs);

    // Everything is applied now; later writes mark themselves again.
    pendingChanges.exchange (0, std::memory_order_acquire);
    for (auto* channel : compressorChannels)
        channel->setSampleRate (sampleRate);
    pushCompressorSettings();
    updateLowCutFilters();

    sideChain.setSize (juce::jmax (1, numInputs), juce::jlimit (1, maxPieceSize, expectedBlockSize), false, false, true);
    publishMeters();
}

void VantorilAudioProcessor::releaseResources()
{
    const juce::ScopedLock lock (getCallbackLock());
    compressorChannels.clear();
    lowCutFilters.clear();
    outputPeaks.clear();
    outputPeaks.minimiseStorageOverheads();
    sideChain.setSize (0, 0);
    publishMeters();
}

void VantorilAudioProcessor::publishMeters() noexcept
{
    gainMeterValue.store (compressorChannels.isEmpty() ? 1.0f : static_cast<float> (compressorChannels[0]->getSmoothedGain()),
                          std::memory_order_relaxed);
    peakMeterValue.store (outputPeaks.isEmpty() ? 0.0f : outputPeaks[0], std::memory_order_relaxed);
}

void VantorilAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    applyPendingChanges();

    if (bypassed.load (std::memory_order_relaxed))
        return;

    const int numSamples = buffer.getNumSamples();
    const int numInputs = juce::jmin (getTotalNumInputChannels(), buffer.getNumChannels());

    // Input channels without a bank entry (before prepareToPlay, after
    // releaseResources) are left exactly as they came: nothing reads past a bank.
    const int numProcessed =
        std::min ({ numInputs, compressorChannels.size(), lowCutFilters.size(), outputPeaks.size(), sideChain.getNumChannels() });

    if (numProcessed > 0 && numSamples > 0)
    {
        // Blocks longer than prepared run in pieces of the prepared size (a
        // buffer that refers to the host's channels allocates nothing).
        const int pieceSize = sideChain.getNumSamples();
        for (int start = 0; start < numSamples; start += pieceSize)
        {
            juce::AudioBuffer<float> piece (buffer.getArrayOfWritePointers(), numProcessed, start,
                                            juce::jmin (pieceSize, numSamples - start));
            processPiece (piece, numProcessed);
        }
    }

    for (int j = getTotalNumInputChannels(); j < juce::jmin (getTotalNumOutputChannels(), buffer.getNumChannels()); ++j)
        buffer.clear (j, 0, numSamples);

    publishMeters();
}

void VantorilAudioProcessor::processPiece (juce::AudioBuffer<float>& buffer, int numProcessed)
{
    const float makeupScale = driveMakeupScale (driveAmount.load (std::memory_order_relaxed));

    // The kernel handles one or two channels, the layouts this processor accepts.
    const auto kernel = blockKernel.load (std::memory_order_relaxed);
    if (kernel != nullptr && numProcessed <= 2)
        processWithKernel (kernel, buffer, numProcessed, makeupScale);
    else
        processPerSample (buffer, numProcessed, makeupScale);
}

// The per-sample path: every sample through the channel's own step
// function, parameters read anew for every sample. It is the reference the
// block kernels are measured against.
void VantorilAudioProcessor::processPerSample (juce::AudioBuffer<float>& buffer, int numProcessed, float makeupScale)
{
    const int numSamples = buffer.getNumSamples();

    // The whole side chain is copied before any channel is processed.
    for (int ch = 0; ch < numProcessed; ++ch)
        sideChain.copyFrom (ch, 0, buffer, ch, 0, numSamples);

    for (int ch = 0; ch < numProcessed; ++ch)
    {
        auto* samples = buffer.getWritePointer (ch);
        auto* side = sideChain.getWritePointer (ch);
        auto& channel = *compressorChannels.getUnchecked (ch);
        auto& filter = *lowCutFilters.getUnchecked (ch);

        // Non-finite samples count as silence, in the side chain before the
        // filter and in the audio path, so no detector or filter state can
        // become non-finite and the output stays finite.
        for (int k = 0; k < numSamples; ++k)
            if (! std::isfinite (side[k]))
                side[k] = 0.0f;

        if (lowCutAmount.load (std::memory_order_relaxed) > 1e-5f)
            filter.processSamples (side, numSamples);

        bool filterOverflowed = false;

        for (int k = 0; k < numSamples; ++k)
        {
            float x = samples[k];
            if (! std::isfinite (x))
                x = 0.0f;

            float c = side[k];
            if (! std::isfinite (c))
            {
                c = 0.0f;
                filterOverflowed = true;
            }

            const auto y = static_cast<float> (channel.process (static_cast<double> (x), static_cast<double> (c)));
            const float d = vantoril::applyDrive (y, driveAmount.load (std::memory_order_relaxed), 0.5f, makeupScale);
            const float mix = mixAmount.load (std::memory_order_relaxed);
            float out = ((d * levelGain.load (std::memory_order_relaxed)) * mix) + ((1.0f - mix) * x);
            if (! std::isfinite (out))
                out = 0.0f;
            samples[k] = out;
        }

        if (filterOverflowed)
            filter.reset();
        channel.recoverFromNonFiniteState();

        updateOutputPeak (ch, buffer.getMagnitude (ch, 0, numSamples));
    }
}

// The block path: the same signal path, both channels at once and vectorised;
// drive, level and mix are read once per block.
void VantorilAudioProcessor::processWithKernel (vantoril::BlockKernel kernel, juce::AudioBuffer<float>& buffer, int numProcessed,
                                                float makeupScale) noexcept
{
    const bool lowCutOn = lowCutAmount.load (std::memory_order_relaxed) > 1e-5f;
    vantoril::LowCutState lowCuts[2];
    vantoril::KernelChannel channels[2];

    for (int ch = 0; ch < numProcessed; ++ch)
    {
        lowCuts[ch] = lowCutFilters.getUnchecked (ch)->takeState (lowCutOn);
        channels[ch].compressor = compressorChannels.getUnchecked (ch);
        channels[ch].lowCut = &lowCuts[ch];
        channels[ch].samples = buffer.getWritePointer (ch);
    }

    vantoril::BlockSettings settings;
    settings.driveAmount = driveAmount.load (std::memory_order_relaxed);
    settings.makeupScale = makeupScale;
    settings.levelGain = levelGain.load (std::memory_order_relaxed);
    settings.mixAmount = mixAmount.load (std::memory_order_relaxed);

    kernel (channels, numProcessed, buffer.getNumSamples(), settings);

    for (int ch = 0; ch < numProcessed; ++ch)
    {
        auto& filter = *lowCutFilters.getUnchecked (ch);
        if (lowCuts[ch].overflowed)
            filter.reset();
        else if (lowCuts[ch].run)
            filter.storeHistory (lowCuts[ch]);
        compressorChannels.getUnchecked (ch)->recoverFromNonFiniteState();
        updateOutputPeak (ch, channels[ch].magnitude);
    }
}

// The peak holds the block's largest output magnitude or falls linearly.
void VantorilAudioProcessor::updateOutputPeak (int channel, float magnitude) noexcept
{
    const float peakFall = static_cast<float> (50.0 / currentSampleRate.load (std::memory_order_relaxed));
    const float falling = outputPeaks.getUnchecked (channel) - peakFall;
    outputPeaks.setUnchecked (channel, magnitude > falling ? magnitude : falling);
}

//==============================================================================
bool VantorilAudioProcessor::hasEditor() const { return true; }

juce::AudioProcessorEditor* VantorilAudioProcessor::createEditor() { return new VantorilAudioProcessorEditor (this); }

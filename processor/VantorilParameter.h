#pragma once

#include "ParameterMapping.h"

#include <juce_audio_processors/juce_audio_processors.h>

class VantorilAudioProcessor;

// One of the ten parameters as a framework parameter object. It keeps no value of
// its own: every call forwards to the processor's index-based operations, so the
// processor stays the only owner of parameter state. The parameter's ID is its
// name, which formats that address parameters by ID (VST3, LV2) use. Its range
// is the parameter in its own unit (ms, dB, Hz, %, n for n:1), which formats
// that publish real values (LV2) show and send; the others use the normalised value.
class VantorilParameter : public juce::RangedAudioParameter
{
public:
    VantorilParameter (VantorilAudioProcessor& owner, int index);

    const juce::NormalisableRange<float>& getNormalisableRange() const override { return unitRange; }

    float getValue() const override;
    void setValue (float newValue) override;
    float getDefaultValue() const override;
    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;
    bool isAutomatable() const override { return true; }
    bool isMetaParameter() const override { return false; }
    // Knee and bypass are switches: formats that know two-state parameters show them so.
    bool isDiscrete() const override { return vantoril::params::isSwitch (parameterIndex); }
    bool isBoolean() const override { return vantoril::params::isSwitch (parameterIndex); }
    int getNumSteps() const override
    {
        return vantoril::params::isSwitch (parameterIndex) ? 2 : juce::AudioProcessor::getDefaultNumParameterSteps();
    }

private:
    VantorilAudioProcessor& processor;
    const int parameterIndex;
    const juce::NormalisableRange<float> unitRange;
};

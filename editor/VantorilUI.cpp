#include "VantorilUI.h"

#include "PanelLayout.h"
#include "VantorilVersion.h"
#include "processor/VantorilAudioProcessor.h"
#include "resources/Artwork.h"

namespace params = vantoril::params;
namespace lay = vantoril::layout;

namespace
{
enum class LabelStyle
{
    caption,
    smallReadout,
    readout,
    version
};

std::unique_ptr<juce::Label> makeLabel (juce::Component& parent, const juce::String& name, const juce::String& text,
                                        LabelStyle style)
{
    auto label = std::make_unique<juce::Label> (name, text);
    parent.addAndMakeVisible (label.get());

    float height = 10.0f;
    auto justification = juce::Justification::centred;
    juce::Colour colour = juce::Colours::white;
    switch (style)
    {
        case LabelStyle::caption: break;
        case LabelStyle::smallReadout: colour = juce::Colour (0xff7e7e7e); break;
        case LabelStyle::readout:
            height = 15.0f;
            colour = juce::Colour (0xff7e7e7e);
            break;
        case LabelStyle::version:
            height = 15.0f;
            justification = juce::Justification::topRight;
            colour = juce::Colour (0xff636363);
            break;
    }

    label->setFont (juce::Font (height, juce::Font::plain));
    label->setJustificationType (justification);
    label->setEditable (false, false, false);
    label->setColour (juce::Label::textColourId, colour);
    label->setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label->setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
    return label;
}

void place (juce::Component& component, const lay::Bounds& b) { component.setBounds (b.x, b.y, b.width, b.height); }
} // namespace

namespace
{
// The bypass picture button; in scaled-up contexts it shows the picture at
// double resolution over the same area.
class BypassButton final : public juce::ImageButton
{
public:
    using juce::ImageButton::ImageButton;

    void paintButton (juce::Graphics& g, bool isMouseOver, bool isButtonDown) override
    {
        const auto resolution = vantoril::artwork::resolutionFor (g);
        if (resolution == vantoril::artwork::Resolution::normal)
            juce::ImageButton::paintButton (g, isMouseOver, isButtonDown);
        else
            g.drawImage (vantoril::artwork::bypassOverlay (resolution), getLocalBounds().toFloat());
    }
};
} // namespace

VantorilUI::VantorilUI (VantorilAudioProcessor* owner)
{
    auto makeKnob = [this] (const char* name)
    {
        auto knob = std::make_unique<ZDQSlider3D> (name);
        addAndMakeVisible (knob.get());
        knob->setRange (0.0, 1.0, 0.0);
        knob->setSliderStyle (juce::Slider::RotaryVerticalDrag);
        knob->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
        knob->addListener (this);
        return knob;
    };

    outCaption = makeLabel (*this, "new label", "OUT", LabelStyle::caption);
    grCaption = makeLabel (*this, "new label", "GR", LabelStyle::caption);
    lowCutText = makeLabel (*this, "new label", "1 Hz", LabelStyle::smallReadout);
    driveText = makeLabel (*this, "new label", "0 %", LabelStyle::readout);
    releaseText = makeLabel (*this, "new label", "5 ms", LabelStyle::readout);
    ratioText = makeLabel (*this, "new label", "0 %", LabelStyle::readout);
    attackText = makeLabel (*this, "new label", "1 ms", LabelStyle::readout);
    levelText = makeLabel (*this, "new label", "0 dB", LabelStyle::readout);
    thresholdText = makeLabel (*this, "new label", "0 dB", LabelStyle::readout);

    bypassButton = std::make_unique<BypassButton> ("Bypass");
    addAndMakeVisible (bypassButton.get());
    bypassButton->setButtonText ("new button");
    bypassButton->addListener (this);
    const juce::Colour transparent (0x00000000);
    bypassButton->setImages (false, true, true, vantoril::artwork::bypassOverlay(), 1.0f, transparent, juce::Image(), 1.0f,
                             transparent, juce::Image(), 1.0f, transparent, 0.0f);

    meter = std::make_unique<ZDQVuMeter>();
    addAndMakeVisible (meter.get());

    attackKnob = makeKnob ("Attack");
    releaseKnob = makeKnob ("Release");
    ratioKnob = makeKnob ("Ratio");
    driveKnob = makeKnob ("Drive");
    thresholdKnob = makeKnob ("Threshold");
    levelKnob = makeKnob ("Level");
    versionLabel = makeLabel (*this, "Version", "Vantoril\nx.x.x", LabelStyle::version);
    lowCutKnob = makeKnob ("LowCut");
    lowCutCaption = makeLabel (*this, "new label", "Low cut", LabelStyle::caption);
    meterModeSwitch = std::make_unique<ZDQMicroSwitch>();
    addAndMakeVisible (meterModeSwitch.get());
    mixText = makeLabel (*this, "new label", "100 %", LabelStyle::smallReadout);
    mixKnob = makeKnob ("Mix");
    mixCaption = makeLabel (*this, "new label", "Mix", LabelStyle::caption);
    kneeSwitch = std::make_unique<ZDQMicroSwitch>();
    addAndMakeVisible (kneeSwitch.get());
    medKneeCaption = makeLabel (*this, "new label", "med knee", LabelStyle::caption);
    softKneeCaption = makeLabel (*this, "new label", "soft knee", LabelStyle::caption);

    backgroundImage = vantoril::artwork::panelBackground();
    // The background picture covers the whole panel, so nothing behind it is
    // drawn. The panel is not buffered to an image: a buffer would hold the
    // children too, so each needle move would repaint the background into it
    // and then copy it to the window.
    setOpaque (true);
    processor = owner;
    meter->peakHoldEnabled = false;
    showGainReduction = true;

    meterModeSwitch->setToggleState (true, juce::dontSendNotification);
    meterModeSwitch->addListener (this);
    kneeSwitch->setToggleState (true, juce::dontSendNotification);
    kneeSwitch->addListener (this);

    // Caps lean away from the panel's centre line.
    lowCutKnob->capOffsetX = -0.04f;
    lowCutKnob->capOffsetY = 0.015f;
    attackKnob->capOffsetX = -0.035f;
    attackKnob->capOffsetY = -0.01f;
    thresholdKnob->capOffsetX = -0.03f;
    thresholdKnob->capOffsetY = 0.01f;
    releaseKnob->capOffsetX = -0.02f;
    releaseKnob->capOffsetY = -0.01f;
    ratioKnob->capOffsetX = 0.02f;
    ratioKnob->capOffsetY = -0.01f;
    levelKnob->capOffsetX = 0.03f;
    levelKnob->capOffsetY = 0.01f;
    driveKnob->capOffsetX = 0.035f;
    driveKnob->capOffsetY = -0.01f;
    mixKnob->capOffsetX = 0.04f;
    mixKnob->capOffsetY = 0.015f;

    attackKnob->setDoubleClickReturnValue (true, 0.3);
    releaseKnob->setDoubleClickReturnValue (true, 0.4);
    thresholdKnob->setDoubleClickReturnValue (true, 0.3);
    lowCutKnob->setDoubleClickReturnValue (true, 0.0);
    ratioKnob->setDoubleClickReturnValue (true, 0.5);
    driveKnob->setDoubleClickReturnValue (true, 0.0);
    levelKnob->setDoubleClickReturnValue (true, 0.5);
    mixKnob->setDoubleClickReturnValue (true, 1.0);

    versionLabel->setText (juce::String (vantoril::productName) + " " + vantoril::versionString, juce::dontSendNotification);

    setSize (lay::panelWidth, lay::panelHeight);
}

VantorilUI::~VantorilUI()
{
    outCaption.reset();
    grCaption.reset();
    lowCutText.reset();
    driveText.reset();
    releaseText.reset();
    ratioText.reset();
    attackText.reset();
    levelText.reset();
    thresholdText.reset();
    bypassButton.reset();
    meter.reset();
    attackKnob.reset();
    releaseKnob.reset();
    ratioKnob.reset();
    driveKnob.reset();
    thresholdKnob.reset();
    levelKnob.reset();
    versionLabel.reset();
    lowCutKnob.reset();
    lowCutCaption.reset();
    meterModeSwitch.reset();
    mixText.reset();
    mixKnob.reset();
    mixCaption.reset();
    kneeSwitch.reset();
    medKneeCaption.reset();
    softKneeCaption.reset();
    backgroundImage = {};
}

void VantorilUI::paint (juce::Graphics& g)
{
    // The meter's face hides the panel behind most of it.
    g.excludeClipRegion (ZDQVuMeter::getOpaqueArea() + meter->getPosition());
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    // Scaled-up contexts get the double-resolution picture.
    const auto resolution = vantoril::artwork::resolutionFor (g);
    const auto background =
        resolution == vantoril::artwork::Resolution::normal ? backgroundImage : vantoril::artwork::panelBackground (resolution);
    if (resolution == vantoril::artwork::Resolution::normal && background.getBounds() == getLocalBounds())
        vantoril::artwork::drawAt (g, background, resolution, 0, 0);
    else
        g.drawImage (background, 0, 0, proportionOfWidth (1.0f), proportionOfHeight (1.0f), 0, 0, background.getWidth(),
                     background.getHeight(), false);
}

void VantorilUI::resized()
{
    place (*outCaption, lay::outCaption);
    place (*grCaption, lay::grCaption);
    place (*lowCutText, lay::lowCutText);
    place (*driveText, lay::driveText);
    place (*releaseText, lay::releaseText);
    place (*ratioText, lay::ratioText);
    place (*attackText, lay::attackText);
    place (*levelText, lay::levelText);
    place (*thresholdText, lay::thresholdText);
    place (*bypassButton, lay::bypassButton);
    place (*meter, lay::meter);
    place (*attackKnob, lay::attackKnob);
    place (*releaseKnob, lay::releaseKnob);
    place (*ratioKnob, lay::ratioKnob);
    place (*driveKnob, lay::driveKnob);
    place (*thresholdKnob, lay::thresholdKnob);
    place (*levelKnob, lay::levelKnob);
    place (*versionLabel, lay::versionLabel);
    place (*lowCutKnob, lay::lowCutKnob);
    place (*lowCutCaption, lay::lowCutCaption);
    place (*meterModeSwitch, lay::meterModeSwitch);
    place (*mixText, lay::mixText);
    place (*mixKnob, lay::mixKnob);
    place (*mixCaption, lay::mixCaption);
    place (*kneeSwitch, lay::kneeSwitch);
    place (*medKneeCaption, lay::medKneeCaption);
    place (*softKneeCaption, lay::softKneeCaption);
}

//==============================================================================
// Behaviour

void VantorilUI::visibilityChanged()
{
    if (isVisible())
    {
        startTimer (refreshTimerId, 50);
        startTimer (meterTimerId, 5);
    }
    else
    {
        stopTimer (refreshTimerId);
        stopTimer (meterTimerId);
    }
}

void VantorilUI::timerCallback (int timerId)
{
    if (timerId == refreshTimerId)
        refreshFromProcessor();
    else if (timerId == meterTimerId)
        meter->setLevel (showGainReduction ? processor->getGainMeterValue() : processor->getPeakMeterValue());
}

std::array<VantorilUI::KnobBinding, 8> VantorilUI::knobBindings() const noexcept
{
    // In the order the refresh visits them.
    return { { { attackKnob.get(), attackText.get(), params::attack },
               { releaseKnob.get(), releaseText.get(), params::release },
               { thresholdKnob.get(), thresholdText.get(), params::threshold },
               { lowCutKnob.get(), lowCutText.get(), params::lowCut },
               { ratioKnob.get(), ratioText.get(), params::ratio },
               { driveKnob.get(), driveText.get(), params::drive },
               { levelKnob.get(), levelText.get(), params::level },
               { mixKnob.get(), mixText.get(), params::mix } } };
}

int VantorilUI::parameterIndexOf (const juce::Slider* slider) const noexcept
{
    for (const auto& binding : knobBindings())
        if (binding.knob == slider)
            return binding.index;
    return -1;
}

void VantorilUI::sliderValueChanged (juce::Slider* slider)
{
    const int index = parameterIndexOf (slider);
    if (index >= 0)
        processor->setParameterNotifyingHost (index, static_cast<float> (slider->getValue()));
}

void VantorilUI::sliderDragStarted (juce::Slider* slider)
{
    const int index = parameterIndexOf (slider);
    if (index >= 0)
        processor->beginParameterChangeGesture (index);
}

void VantorilUI::sliderDragEnded (juce::Slider* slider)
{
    const int index = parameterIndexOf (slider);
    if (index >= 0)
        processor->endParameterChangeGesture (index);
}

void VantorilUI::buttonClicked (juce::Button* button)
{
    if (button == bypassButton.get())
    {
        processor->beginParameterChangeGesture (params::bypass);
        const float value = processor->getNormalisedValue (params::bypass);
        processor->setParameterNotifyingHost (params::bypass, 1.0f - value);
        processor->endParameterChangeGesture (params::bypass);
    }
    else if (button == meterModeSwitch.get())
    {
        showGainReduction = ! showGainReduction;
        meter->peakHoldEnabled = ! showGainReduction;
        // The peak needle appears or disappears now, not at the next level change.
        meter->repaint();
    }
    else if (button == kneeSwitch.get())
    {
        processor->beginParameterChangeGesture (params::knee);
        processor->setParameterNotifyingHost (params::knee, 1.0f - processor->getNormalisedValue (params::knee));
        processor->endParameterChangeGesture (params::knee);
    }
}

void VantorilUI::refreshFromProcessor()
{
    const auto bindings = knobBindings();
    for (const auto& binding : bindings)
        binding.knob->setValue (processor->getNormalisedValue (binding.index), juce::dontSendNotification);

    bypassButton->setAlpha (1.0f - processor->getNormalisedValue (params::bypass));
    kneeSwitch->setToggleState (processor->getNormalisedValue (params::knee) > 0.5f, juce::dontSendNotification);

    for (const auto& binding : bindings)
        binding.readout->setText (processor->getDisplayText (binding.index), juce::dontSendNotification);
}

// The panel and the editor window against a live processor, without a window.
#include "RepaintAreas.h"
#include "VantorilVersion.h"
#include "editor/PanelLayout.h"
#include "editor/VantorilAudioProcessorEditor.h"
#include "processor/VantorilAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace params = vantoril::params;
namespace lay = vantoril::layout;

namespace
{
// What a host would see of the processor: parameter changes and gestures.
struct HostRecorder : juce::AudioProcessorListener
{
    struct Event
    {
        char kind; // 'v' value, 'b' gesture begin, 'e' gesture end
        int index;
        float value;
        bool operator== (const Event& other) const { return kind == other.kind && index == other.index && value == other.value; }
    };
    std::vector<Event> events;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        events.push_back ({ 'v', index, value });
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
    {
        events.push_back ({ 'b', index, 0.0f });
    }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
    {
        events.push_back ({ 'e', index, 0.0f });
    }
};

std::ostream& operator<< (std::ostream& os, const HostRecorder::Event& e) { return os << e.kind << e.index << "=" << e.value; }

// What one user change looks like to the host: gesture begin, the value, gesture end.
std::vector<HostRecorder::Event> gesture (int index, float value)
{
    return { { 'b', index, 0.0f }, { 'v', index, value }, { 'e', index, 0.0f } };
}

struct EditorFixture : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    std::unique_ptr<juce::AudioProcessor> owned { createPluginFilter() };
    VantorilAudioProcessor& processor = dynamic_cast<VantorilAudioProcessor&> (*owned);
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    VantorilUI* panel = nullptr;
    HostRecorder host;

    void SetUp() override
    {
        openEditor();
        processor.addListener (&host);
    }

    void TearDown() override
    {
        processor.removeListener (&host);
        closeEditor();
    }

    void openEditor()
    {
        editor.reset (processor.createEditorIfNeeded());
        panel = dynamic_cast<VantorilAudioProcessorEditor&> (*editor).getPanel();
    }

    void closeEditor()
    {
        if (editor != nullptr)
        {
            processor.editorBeingDeleted (editor.get());
            editor.reset();
        }
    }

    // Lets the panel's timers and any posted clicks run.
    static void runMessageLoop (int milliseconds) { juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds); }

    static juce::MouseEvent mouseEvent (juce::Component& c, juce::Point<float> position, int clicks = 1)
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                                 juce::ModifierKeys::leftButtonModifier, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, &c, &c, now,
                                 { 20.0f, 20.0f }, now, clicks, false);
    }
};
} // namespace

TEST_F (EditorFixture, WindowHoldsThePanel)
{
    EXPECT_EQ (editor->getWidth(), 900);
    EXPECT_EQ (editor->getHeight(), 300);
    ASSERT_EQ (editor->getNumChildComponents(), 1);
    EXPECT_EQ (editor->getChildComponent (0), panel);
    EXPECT_EQ (panel->getBounds(), juce::Rectangle<int> (0, 0, 900, 300));
    EXPECT_TRUE (panel->isVisible());
    EXPECT_TRUE (panel->isTimerRunning (VantorilUI::refreshTimerId));
    EXPECT_EQ (panel->getTimerInterval (VantorilUI::refreshTimerId), 50);
    EXPECT_EQ (panel->getTimerInterval (VantorilUI::meterTimerId), 5);
    EXPECT_TRUE (panel->isOpaque());
    EXPECT_EQ (panel->getCachedComponentImage(), nullptr); // drawn straight to the window
    EXPECT_TRUE (processor.hasEditor());
}

TEST_F (EditorFixture, LayoutTable)
{
    enum Kind
    {
        label,
        knob,
        meterKind,
        switchKind,
        imageButton
    };
    struct Row
    {
        juce::Component* component;
        lay::Bounds bounds;
        Kind kind;
        const char* text; // label text before the first refresh
        float fontHeight;
        juce::Justification justification;
        juce::uint32 colour;
    };
    const auto centred = juce::Justification::centred;
    const Row rows[] = {
        { panel->outCaption.get(), { 592, 280, 32, 17 }, label, "OUT", 10, centred, 0xffffffff },
        { panel->grCaption.get(), { 592, 232, 32, 17 }, label, "GR", 10, centred, 0xffffffff },
        { panel->lowCutText.get(), { 60, 280, 88, 17 }, label, "1 Hz", 10, centred, 0xff7e7e7e },
        { panel->driveText.get(), { 704, 104, 96, 24 }, label, "0 %", 15, centred, 0xff7e7e7e },
        { panel->releaseText.get(), { 200, 104, 96, 24 }, label, "5 ms", 15, centred, 0xff7e7e7e },
        { panel->ratioText.get(), { 608, 104, 96, 24 }, label, "0 %", 15, centred, 0xff7e7e7e },
        { panel->attackText.get(), { 104, 104, 96, 24 }, label, "1 ms", 15, centred, 0xff7e7e7e },
        { panel->levelText.get(), { 622, 272, 158, 24 }, label, "0 dB", 15, centred, 0xff7e7e7e },
        { panel->thresholdText.get(), { 120, 272, 158, 24 }, label, "0 dB", 15, centred, 0xff7e7e7e },
        { panel->bypassButton.get(), { 804, 112, 91, 75 }, imageButton, "", 0, centred, 0 },
        { panel->meter.get(), { 300, 0, 300, 300 }, meterKind, "", 0, centred, 0 },
        { panel->attackKnob.get(), { 106, 30, 90, 90 }, knob, "", 0, centred, 0 },
        { panel->releaseKnob.get(), { 205, 30, 90, 90 }, knob, "", 0, centred, 0 },
        { panel->ratioKnob.get(), { 606, 30, 90, 90 }, knob, "", 0, centred, 0 },
        { panel->driveKnob.get(), { 706, 30, 90, 90 }, knob, "", 0, centred, 0 },
        { panel->thresholdKnob.get(), { 135, 160, 130, 130 }, knob, "", 0, centred, 0 },
        { panel->levelKnob.get(), { 635, 160, 130, 130 }, knob, "", 0, centred, 0 },
        { panel->versionLabel.get(),
          { 808, 176, 88, 72 },
          label,
          "Vantoril 1.4.0",
          15,
          juce::Justification::topRight,
          0xff636363 },
        { panel->lowCutKnob.get(), { 80, 232, 48, 48 }, knob, "", 0, centred, 0 },
        { panel->lowCutCaption.get(), { 60, 208, 88, 17 }, label, "Low cut", 10, centred, 0xffffffff },
        { panel->meterModeSwitch.get(), { 592, 248, 32, 32 }, switchKind, "", 0, centred, 0 },
        { panel->mixText.get(), { 756, 280, 88, 17 }, label, "100 %", 10, centred, 0xff7e7e7e },
        { panel->mixKnob.get(), { 776, 232, 48, 48 }, knob, "", 0, centred, 0 },
        { panel->mixCaption.get(), { 756, 208, 88, 17 }, label, "Mix", 10, centred, 0xffffffff },
        { panel->kneeSwitch.get(), { 280, 248, 32, 32 }, switchKind, "", 0, centred, 0 },
        { panel->medKneeCaption.get(), { 272, 280, 48, 17 }, label, "med knee", 10, centred, 0xffffffff },
        { panel->softKneeCaption.get(), { 272, 232, 48, 17 }, label, "soft knee", 10, centred, 0xffffffff },
    };

    ASSERT_EQ (panel->getNumChildComponents(), 27);
    for (int i = 0; i < 27; ++i)
    {
        const auto& row = rows[i];
        SCOPED_TRACE (i + 1);
        EXPECT_EQ (panel->getChildComponent (i), row.component); // creation and z-order
        EXPECT_EQ (row.component->getBounds(),
                   juce::Rectangle<int> (row.bounds.x, row.bounds.y, row.bounds.width, row.bounds.height));
        EXPECT_TRUE (row.component->isVisible());
        if (auto* client = dynamic_cast<juce::SettableTooltipClient*> (row.component))
        {
            EXPECT_EQ (client->getTooltip(), "");
        }

        if (row.kind == label)
        {
            auto* l = dynamic_cast<juce::Label*> (row.component);
            ASSERT_NE (l, nullptr);
            EXPECT_EQ (l->getText(), row.text);
            EXPECT_EQ (l->getName(), row.component == panel->versionLabel.get() ? "Version" : "new label");
            EXPECT_EQ (l->getFont().getHeight(), row.fontHeight);
            EXPECT_EQ (l->getFont().getStyleFlags(), juce::Font::plain);
            EXPECT_EQ (l->getFont().getTypefaceName(), juce::Font::getDefaultSansSerifFontName());
            EXPECT_EQ (l->getJustificationType(), row.justification);
            EXPECT_EQ (l->findColour (juce::Label::textColourId).getARGB(), row.colour);
            EXPECT_EQ (l->findColour (juce::TextEditor::textColourId).getARGB(), 0xff000000u);
            EXPECT_EQ (l->findColour (juce::TextEditor::backgroundColourId).getARGB(), 0u);
            EXPECT_FALSE (l->isEditableOnSingleClick() || l->isEditableOnDoubleClick());
            EXPECT_FALSE (l->isColourSpecified (juce::Label::backgroundColourId));
        }
        else if (row.kind == knob)
        {
            auto* k = dynamic_cast<ZDQSlider3D*> (row.component);
            ASSERT_NE (k, nullptr);
            EXPECT_EQ (k->getMinimum(), 0.0);
            EXPECT_EQ (k->getMaximum(), 1.0);
            EXPECT_EQ (k->getInterval(), 0.0);
            EXPECT_EQ (k->getSliderStyle(), juce::Slider::RotaryVerticalDrag);
            EXPECT_EQ (k->getTextBoxPosition(), juce::Slider::NoTextBox);
            EXPECT_EQ (k->getValue(), 0.0); // until the first refresh
        }
    }

    struct KnobSettings
    {
        ZDQSlider3D* knob;
        float x, y;
        double doubleClick;
    };
    const KnobSettings knobs[] = {
        { panel->lowCutKnob.get(), -0.04f, 0.015f, 0.0 },   { panel->attackKnob.get(), -0.035f, -0.01f, 0.3 },
        { panel->thresholdKnob.get(), -0.03f, 0.01f, 0.3 }, { panel->releaseKnob.get(), -0.02f, -0.01f, 0.4 },
        { panel->ratioKnob.get(), 0.02f, -0.01f, 0.5 },     { panel->levelKnob.get(), 0.03f, 0.01f, 0.5 },
        { panel->driveKnob.get(), 0.035f, -0.01f, 0.0 },    { panel->mixKnob.get(), 0.04f, 0.015f, 1.0 },
    };
    for (const auto& k : knobs)
    {
        EXPECT_EQ (k.knob->capOffsetX, k.x);
        EXPECT_EQ (k.knob->capOffsetY, k.y);
        EXPECT_EQ (k.knob->getDoubleClickReturnValue(), k.doubleClick);
        EXPECT_TRUE (k.knob->isDoubleClickReturnEnabled());
    }

    EXPECT_TRUE (panel->meterModeSwitch->getToggleState());
    EXPECT_TRUE (panel->kneeSwitch->getToggleState());
    EXPECT_FALSE (panel->meter->peakHoldEnabled);
    EXPECT_TRUE (panel->isShowingGainReduction());
    EXPECT_EQ (panel->bypassButton->getButtonText(), "new button");
    EXPECT_EQ (panel->bypassButton->getAlpha(), 1.0f);
    auto& button = static_cast<juce::Component&> (*panel->bypassButton);
    EXPECT_TRUE (button.hitTest (1, 1)); // hit-test alpha threshold 0: the whole rectangle
    EXPECT_TRUE (button.hitTest (89, 73));
    EXPECT_EQ (panel->bypassButton->getNormalImage().getWidth(), 91);
    EXPECT_EQ (juce::String (vantoril::productName), processor.getName());
}

TEST_F (EditorFixture, KnobGesturesReachTheHost)
{
    auto& knob = *panel->attackKnob;

    // A drag: gesture begin, value changes, gesture end.
    knob.mouseDown (mouseEvent (knob, { 45.0f, 45.0f }));
    knob.mouseDrag (mouseEvent (knob, { 45.0f, 25.0f }));
    knob.mouseUp (mouseEvent (knob, { 45.0f, 25.0f }));
    ASSERT_GE (host.events.size(), 3u);
    EXPECT_EQ (host.events.front(), (HostRecorder::Event { 'b', 0, 0.0f }));
    EXPECT_EQ (host.events.back(), (HostRecorder::Event { 'e', 0, 0.0f }));
    EXPECT_EQ (host.events[1].kind, 'v');
    EXPECT_NEAR (processor.getNormalisedValue (0), (float) knob.getValue(), 1e-6f);

    // A double-click resets to the knob's value: attack 0.3, mix 1.0.
    host.events.clear();
    knob.mouseDoubleClick (mouseEvent (knob, { 45.0f, 45.0f }, 2));
    EXPECT_EQ (host.events, gesture (0, 0.3f));
    host.events.clear();
    panel->mixKnob->setValue (0.2, juce::dontSendNotification);
    panel->mixKnob->mouseDoubleClick (mouseEvent (*panel->mixKnob, { 24.0f, 24.0f }, 2));
    EXPECT_EQ (host.events, gesture (8, 1.0f));

    // Every knob writes its own parameter.
    const std::pair<ZDQSlider3D*, int> knobs[] = {
        { panel->attackKnob.get(), 0 }, { panel->releaseKnob.get(), 1 }, { panel->thresholdKnob.get(), 2 },
        { panel->ratioKnob.get(), 3 },  { panel->lowCutKnob.get(), 5 },  { panel->driveKnob.get(), 6 },
        { panel->levelKnob.get(), 7 },  { panel->mixKnob.get(), 8 },
    };
    for (const auto& [k, index] : knobs)
    {
        host.events.clear();
        k->setValue (0.625, juce::sendNotificationSync);
        ASSERT_EQ (host.events.size(), 1u) << index;
        EXPECT_EQ (host.events[0], (HostRecorder::Event { 'v', index, 0.625f }));
        EXPECT_NEAR (processor.getNormalisedValue (index), 0.625f, 1e-6f);
    }
}

TEST_F (EditorFixture, ChangesGoThroughTheParameterObjects)
{
    struct Recorder : juce::AudioProcessorParameter::Listener
    {
        int values = 0, gestures = 0;
        void parameterValueChanged (int, float) override { ++values; }
        void parameterGestureChanged (int, bool) override { ++gestures; }
    } recorder;
    auto* knee = processor.getParameters()[params::knee];
    knee->addListener (&recorder);
    panel->kneeSwitch->triggerClick();
    runMessageLoop (20);
    knee->removeListener (&recorder);
    EXPECT_EQ (recorder.values, 1);
    EXPECT_EQ (recorder.gestures, 2);
}

TEST_F (EditorFixture, SwitchesAndBypassButton)
{
    // Knee switch while knee is 1.0: sends 0.0 and shows "med knee" after the refresh.
    ASSERT_EQ (processor.getNormalisedValue (params::knee), 1.0f);
    panel->kneeSwitch->triggerClick();
    runMessageLoop (10);
    EXPECT_EQ (host.events, gesture (4, 0.0f));
    EXPECT_FALSE (panel->kneeSwitch->getToggleState());
    panel->timerCallback (VantorilUI::refreshTimerId);
    EXPECT_FALSE (panel->kneeSwitch->getToggleState());
    EXPECT_EQ (processor.getDisplayText (params::knee), "HARD KNEE");

    // Bypass button: 1.0, and transparent at the next refresh; again: 0.0 and back.
    host.events.clear();
    panel->bypassButton->triggerClick();
    runMessageLoop (10);
    EXPECT_EQ (host.events, gesture (9, 1.0f));
    panel->timerCallback (VantorilUI::refreshTimerId);
    EXPECT_EQ (panel->bypassButton->getAlpha(), 0.0f);
    host.events.clear();
    panel->bypassButton->triggerClick();
    runMessageLoop (10);
    EXPECT_EQ (host.events, gesture (9, 0.0f));
    panel->timerCallback (VantorilUI::refreshTimerId);
    EXPECT_EQ (panel->bypassButton->getAlpha(), 1.0f);
}

TEST_F (EditorFixture, MeterModes)
{
    // Not prepared: the gain feed shows 1.0, the peak feed 0.0.
    panel->timerCallback (VantorilUI::meterTimerId);
    EXPECT_EQ (panel->meter->getLevel(), 1.0f);

    // The peak needle appears at once, not at the next level change.
    juce::RectangleList<int> areas;
    panel->meter->setCachedComponentImage (new RepaintAreas (&areas));
    panel->meterModeSwitch->triggerClick();
    runMessageLoop (10);
    panel->meter->setCachedComponentImage (nullptr);
    EXPECT_TRUE (areas.containsRectangle (panel->meter->getLocalBounds()));
    EXPECT_TRUE (host.events.empty()); // no parameter, no gesture
    EXPECT_FALSE (panel->isShowingGainReduction());
    EXPECT_TRUE (panel->meter->peakHoldEnabled);
    EXPECT_FALSE (panel->meterModeSwitch->getToggleState());
    panel->timerCallback (VantorilUI::meterTimerId);
    EXPECT_EQ (panel->meter->getLevel(), 0.0f);

    // With audio the feeds follow the processor.
    processor.prepareToPlay (44100.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    for (int b = 0; b < 40; ++b)
    {
        for (int k = 0; k < 512; ++k)
            buffer.setSample (0, k, 0.9f * (float) std::sin (k * 0.05));
        buffer.copyFrom (1, 0, buffer, 0, 0, 512);
        processor.processBlock (buffer, midi);
    }
    panel->timerCallback (VantorilUI::meterTimerId);
    EXPECT_EQ (panel->meter->getLevel(), processor.getPeakMeterValue());
    panel->meterModeSwitch->triggerClick();
    runMessageLoop (10);
    panel->timerCallback (VantorilUI::meterTimerId);
    EXPECT_EQ (panel->meter->getLevel(), processor.getGainMeterValue());
    EXPECT_FALSE (panel->meter->peakHoldEnabled);

    // A new editor starts in the gain display again.
    panel->meterModeSwitch->triggerClick();
    runMessageLoop (10);
    closeEditor();
    openEditor();
    EXPECT_TRUE (panel->isShowingGainReduction());
    EXPECT_FALSE (panel->meter->peakHoldEnabled);
}

namespace
{
// The editor drawn into `canvas` as a window draws it: at `scale`, within
// `area` (editor coordinates; everything when empty).
void drawEditor (juce::Component& editor, juce::Image& canvas, float scale, const juce::RectangleList<int>& area = {})
{
    juce::RectangleList<int> clip;
    if (area.isEmpty())
        clip.add (canvas.getBounds());
    else
        for (const auto& r : area)
            clip.add ((r.toFloat() * scale).getSmallestIntegerContainer());
    juce::LowLevelGraphicsSoftwareRenderer context (canvas, {}, clip);
    juce::Graphics g (context);
    g.addTransform (juce::AffineTransform::scale (scale));
    editor.paintEntireComponent (g, true);
}

int differingPixels (const juce::Image& a, const juce::Image& b)
{
    int n = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            n += a.getPixelAt (x, y) != b.getPixelAt (x, y) ? 1 : 0;
    return n;
}
} // namespace

// A window redraws only what the meter asks for, and leaves no pixel of the
// editor to whatever was there before: at normal and double scale, the
// editor drawn over two different backgrounds gives the same picture, and a
// needle move drawn only where the meter asks for it gives the picture of the
// whole editor drawn afresh. (At fractional scales the framework's resampled
// pictures depend slightly on the clip, so there only coverage is checked.)
TEST_F (EditorFixture, PartialRedrawsMatchTheWholeEditor)
{
    auto* meter = panel->meter.get();
    const auto origin = editor->getLocalPoint (meter, juce::Point<int>());
    for (const float scale : { 1.0f, 1.5f, 2.0f })
    {
        for (const bool peakHold : { false, true })
        {
            meter->peakHoldEnabled = peakHold;
            meter->setLevel (0.9f);
            const int w = juce::roundToInt (900 * scale), h = juce::roundToInt (300 * scale);
            juce::Image onRed (juce::Image::ARGB, w, h, false), onGreen (juce::Image::ARGB, w, h, false);
            onRed.clear (onRed.getBounds(), juce::Colours::red);
            onGreen.clear (onGreen.getBounds(), juce::Colours::green);
            drawEditor (*editor, onRed, scale);
            drawEditor (*editor, onGreen, scale);
            ASSERT_EQ (differingPixels (onRed, onGreen), 0) << "scale " << scale;
            if (scale != std::floor (scale))
                continue;

            for (const float level : { 1.3f, 0.2f, 0.25f, 1.0f, 0.0f, 1.41f })
            {
                juce::RectangleList<int> areas;
                meter->setCachedComponentImage (new RepaintAreas (&areas));
                areas.clear();
                meter->setLevel (level);
                meter->setCachedComponentImage (nullptr);
                areas.offsetAll (origin);
                drawEditor (*editor, onRed, scale, areas);

                onGreen.clear (onGreen.getBounds(), juce::Colours::green);
                drawEditor (*editor, onGreen, scale);
                ASSERT_EQ (differingPixels (onRed, onGreen), 0) << "scale " << scale << ", level " << level;
            }
        }
    }
}

TEST_F (EditorFixture, RefreshFollowsAutomationAndRestoredStateSilently)
{
    processor.setNormalisedValue (params::attack, 0.2f);
    processor.setNormalisedValue (params::mix, 0.5f);
    processor.setNormalisedValue (params::knee, 0.0f);
    processor.setNormalisedValue (params::bypass, 1.0f);

    juce::MemoryBlock chunk;
    {
        VantorilAudioProcessor other;
        other.setNormalisedValue (params::ratio, 0.75f);
        other.setNormalisedValue (params::lowCut, 0.5f);
        other.getStateInformation (chunk);
    }
    processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
    host.events.clear();

    runMessageLoop (120); // the refresh timer runs at least once
    EXPECT_TRUE (host.events.empty());
    EXPECT_EQ ((float) panel->ratioKnob->getValue(), 0.75f);
    EXPECT_EQ ((float) panel->lowCutKnob->getValue(), 0.5f);
    EXPECT_EQ ((float) panel->attackKnob->getValue(), processor.getNormalisedValue (params::attack));
    EXPECT_EQ (panel->ratioText->getText(), "4.00:1");
    EXPECT_EQ (panel->lowCutText->getText(), "631 Hz");
    EXPECT_EQ (panel->mixText->getText(), "wet");
    EXPECT_EQ (panel->releaseText->getText(), processor.getDisplayText (params::release));
    EXPECT_EQ (panel->thresholdText->getText(), "-20.00 dB");
    EXPECT_EQ (panel->levelText->getText(), "+0.00 dB");
    EXPECT_EQ (panel->driveText->getText(), "25 %");
    EXPECT_TRUE (panel->kneeSwitch->getToggleState());
    EXPECT_EQ (panel->bypassButton->getAlpha(), 1.0f);

    processor.setNormalisedValue (params::bypass, 1.0f);
    processor.setNormalisedValue (params::knee, 0.0f);
    panel->timerCallback (VantorilUI::refreshTimerId);
    EXPECT_EQ (panel->bypassButton->getAlpha(), 0.0f);
    EXPECT_FALSE (panel->kneeSwitch->getToggleState());
    EXPECT_TRUE (host.events.empty());
}

TEST_F (EditorFixture, ClosingAndReopeningLeavesTheProcessorAlone)
{
    processor.setNormalisedValue (params::drive, 0.8f);
    juce::MemoryBlock before;
    processor.getStateInformation (before);
    for (int i = 0; i < 3; ++i)
    {
        closeEditor();
        openEditor();
        panel->timerCallback (VantorilUI::refreshTimerId);
        EXPECT_EQ ((float) panel->driveKnob->getValue(), 0.8f);
    }
    juce::MemoryBlock after;
    processor.getStateInformation (after);
    EXPECT_EQ (before, after);
    EXPECT_TRUE (host.events.empty());
}

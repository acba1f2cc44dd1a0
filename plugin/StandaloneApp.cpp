// The standalone application: the framework's standalone window around the
// plug-in, with the editor's scale (100, 150 or 200 %) chosen in the window's
// Options menu and remembered with the application's other settings.
#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

#include <algorithm>
#include <iterator>

namespace
{
constexpr const char* scaleKey = "editorScale";
constexpr int scalePercentages[] = { 100, 150, 200 };
constexpr int firstScaleItem = 1000; // after the framework's own menu items

// The framework's window, whose Options menu also offers the editor scale.
class VantorilStandaloneWindow final : public juce::StandaloneFilterWindow
{
public:
    using juce::StandaloneFilterWindow::StandaloneFilterWindow;

    // Scales the editor as stored in the settings (100 % when nothing valid is stored).
    void applyStoredScale()
    {
        const int stored = settings() != nullptr ? settings()->getIntValue (scaleKey, 100) : 100;
        applyScale (std::find (std::begin (scalePercentages), std::end (scalePercentages), stored) != std::end (scalePercentages)
                        ? stored
                        : 100);
    }

    // Moves and shrinks the window into the display it is on (a larger scale
    // makes it grow from where it was placed for 100 %).
    void keepOnScreen()
    {
        if (const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (getScreenBounds()))
            setBounds (getBounds().constrainedWithin (display->userArea));
    }

private:
    juce::PropertySet* settings() const { return pluginHolder != nullptr ? pluginHolder->settings.get() : nullptr; }

    void applyScale (int percentage)
    {
        currentPercentage = percentage;
        if (auto* processor = getAudioProcessor())
            if (auto* editor = processor->getActiveEditor())
                editor->setScaleFactor (static_cast<float> (percentage) / 100.0f);
    }

    void buttonClicked (juce::Button*) override
    {
        juce::PopupMenu scales;
        for (int i = 0; i < static_cast<int> (std::size (scalePercentages)); ++i)
            scales.addItem (firstScaleItem + i, juce::String (scalePercentages[i]) + " %", true,
                            scalePercentages[i] == currentPercentage);

        // The framework's items and numbers, then the scale.
        juce::PopupMenu menu;
        menu.addItem (1, TRANS ("Audio/MIDI Settings..."));
        menu.addSeparator();
        menu.addItem (2, TRANS ("Save current state..."));
        menu.addItem (3, TRANS ("Load a saved state..."));
        menu.addSeparator();
        menu.addItem (4, TRANS ("Reset to default state"));
        menu.addSeparator();
        menu.addSubMenu (TRANS ("Editor scale"), scales);

        menu.showMenuAsync (juce::PopupMenu::Options(),
                            [window = juce::Component::SafePointer<VantorilStandaloneWindow> (this)] (int result)
                            {
                                if (window != nullptr)
                                    window->handleChoice (result);
                            });
    }

    void handleChoice (int result)
    {
        if (result >= firstScaleItem && result < firstScaleItem + static_cast<int> (std::size (scalePercentages)))
        {
            applyScale (scalePercentages[result - firstScaleItem]);
            keepOnScreen();
            if (auto* s = settings())
                s->setValue (scaleKey, currentPercentage);
            return;
        }
        if (result != 0)
            handleMenuResult (result);
        // Resetting creates a new editor, which gets the chosen scale too.
        applyScale (currentPercentage);
    }

    int currentPercentage = 100;
};

class VantorilStandaloneApp final : public juce::JUCEApplication
{
public:
    VantorilStandaloneApp()
    {
        juce::PropertiesFile::Options options;
        options.applicationName = getApplicationName();
        options.filenameSuffix = ".settings";
        options.folderName = "~/.config";
        properties.setStorageParameters (options);
    }

    const juce::String getApplicationName() override { return JucePlugin_Name; }
    const juce::String getApplicationVersion() override { return JucePlugin_VersionString; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted (const juce::String&) override {}

    void initialise (const juce::String&) override
    {
        window = std::make_unique<VantorilStandaloneWindow> (
            getApplicationName(),
            juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId),
            properties.getUserSettings(), false);
        window->applyStoredScale();
        window->keepOnScreen();
        window->setVisible (true);
    }

    void shutdown() override
    {
        window = nullptr;
        properties.saveIfNeeded();
    }

    void systemRequestedQuit() override
    {
        if (window != nullptr)
            window->pluginHolder->savePluginState();

        // Open dialogs close first; the request comes back once they have.
        if (juce::ModalComponentManager::getInstance()->cancelAllModalComponents())
            juce::Timer::callAfterDelay (100,
                                         []
                                         {
                                             if (auto* app = juce::JUCEApplicationBase::getInstance())
                                                 app->systemRequestedQuit();
                                         });
        else
            quit();
    }

private:
    juce::ApplicationProperties properties;
    std::unique_ptr<VantorilStandaloneWindow> window;
};
} // namespace

juce::JUCEApplicationBase* juce_CreateApplication();
juce::JUCEApplicationBase* juce_CreateApplication() { return new VantorilStandaloneApp(); }

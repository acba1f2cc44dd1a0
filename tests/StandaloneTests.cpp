// The standalone program's audio devices: JACK (also PipeWire's) and ALSA.
#include <juce_audio_devices/juce_audio_devices.h>

#include <gtest/gtest.h>

TEST (Standalone, OffersJackAndAlsa)
{
    juce::AudioDeviceManager manager;
    juce::StringArray types;
    for (auto* type : manager.getAvailableDeviceTypes())
        types.add (type->getTypeName());
    EXPECT_TRUE (types.contains ("JACK")) << types.joinIntoString (", ");
    EXPECT_TRUE (types.contains ("ALSA")) << types.joinIntoString (", ");
}

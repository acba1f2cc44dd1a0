#include "../processor/VantorilAudioProcessor.h"

// The factory the framework's plug-in clients call once per instance.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter() { return new VantorilAudioProcessor(); }

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Records the areas a component asks to have redrawn.
struct RepaintAreas : juce::CachedComponentImage
{
    juce::RectangleList<int>* areas;
    explicit RepaintAreas (juce::RectangleList<int>* a) : areas (a) {}
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override
    {
        areas->add ({ 0, 0, 100000, 100000 });
        return true;
    }
    bool invalidate (const juce::Rectangle<int>& area) override
    {
        areas->add (area);
        return true;
    }
    void releaseResources() override {}
};

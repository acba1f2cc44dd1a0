#pragma once

#include <cmath>

namespace vantoril
{

// One-pole RMS follower: a Newton square-root step damped by a one-pole weight.
// Plain value type, used on the audio thread only.
class RmsDetector
{
public:
    RmsDetector() noexcept { updateCoefficient(); }

    // Changes the sample rate; the current estimate is kept.
    void setSampleRate (double newRate) noexcept
    {
        sampleRate = newRate;
        updateCoefficient();
    }

    // Changes the time constant in seconds and recomputes the step weight.
    void setTimeConstant (double seconds) noexcept
    {
        timeConstant = seconds;
        updateCoefficient();
    }

    // Feeds one sample; the estimate moves towards the RMS amplitude of the input.
    void process (double x) noexcept
    {
        const double square = x * x;
        const double s = square > squareFloor ? square : squareFloor;
        value = ((s / value) - value) * coefficient + value;
    }

    double getValue() const noexcept { return value; }
    double getCoefficient() const noexcept { return coefficient; }

    // Sets the estimate (restoring state kept elsewhere during a block).
    void setValue (double newValue) noexcept { value = newValue; }

    // Puts the estimate back to its starting value (used only to recover from
    // non-finite state, which ordinary input can never produce).
    void resetValue() noexcept { value = initialValue; }

    static constexpr double initialValue = 1e-5;

private:
    void updateCoefficient() noexcept { coefficient = 0.5 * (1.0 - std::exp (-1.0 / (sampleRate * timeConstant))); }

    double sampleRate = 44100.0;
    double timeConstant = 0.0005;
    double coefficient = 0.0;
    double value = initialValue;
    double squareFloor = 1e-5;
};

} // namespace vantoril

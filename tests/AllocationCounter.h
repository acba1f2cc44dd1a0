#pragma once

#include <atomic>

// Counts heap allocations made by the calling thread while counting is on.
namespace allocation_counter
{
void start();
long stop();
} // namespace allocation_counter

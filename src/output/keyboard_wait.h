#pragma once
// Waiting and the time of day, the same for every keyboard.
#include <functional>

namespace pv {

/// Waits `ms` milliseconds in slices of at most 5 ms, running `pump` (the
/// program's pending events) before each, so the window stays alive.
void PumpingWait(int ms, const std::function<void()>& pump);

/// Milliseconds elapsed in the current second of the time of day.
int MillisecondsIntoSecondNow();

} // namespace pv

#pragma once
// The millisecond tick counter of the port layer, from the monotonic clock.
#include "serial/port.h"

namespace pv {

/// Milliseconds of CLOCK_MONOTONIC, truncated to 32 bits: it wraps about
/// every 49.7 days, and callers compare ticks by unsigned difference.
class MonotonicTicks : public TickSource {
  public:
    uint32_t TickCount() override;
};

} // namespace pv

#pragma once
// How every test waits: on something it can observe, with a deadline.
#include <chrono>
#include <functional>
#include <thread>

namespace pv::testing {

/// Checks `done` every few milliseconds until it holds or `ms` pass; returns `done()`.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the polling interval
    }
    return true;
}

} // namespace pv::testing

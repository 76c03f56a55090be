#include "output/keyboard_wait.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace pv {

void PumpingWait(int ms, const std::function<void()>& pump) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (pump) pump();
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) break;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(5)));
    }
}

int MillisecondsIntoSecondNow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 1000);
}

} // namespace pv

#include <chrono>
#include <ctime>

#include "runtime/interfaces.h"

namespace pv {

uint32_t SystemClock::TickCount() {
    using namespace std::chrono;
    // Wraps like a 32-bit millisecond counter; never 0 so that a timer base
    // taken from it always reads as "started".
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    uint32_t t = static_cast<uint32_t>(ms);
    return t == 0 ? 1 : t;
}

DateTime SystemClock::Now() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    if (std::tm* p = std::localtime(&t)) local = *p;
    DateTime d;
    d.Year = local.tm_year + 1900;
    d.Month = local.tm_mon + 1;
    d.Day = local.tm_mday;
    d.Hour = local.tm_hour;
    d.Minute = local.tm_min;
    d.Second = local.tm_sec;
    return d;
}

} // namespace pv

// The runtime on a port with a driver (Normal mode): what reaches the
// driver on ticks, Reset and Stop.
#include <gtest/gtest.h>

#include <algorithm>

#include "runtime/runtime.h"
#include "serial/recording_driver.h"

namespace pv::runtime_port_test {
namespace {

class StillClock : public Clock {
  public:
    uint32_t ticks = 1000;
    uint32_t TickCount() override { return ticks; }
    DateTime Now() override { return DateTime{}; }
};

struct DriverHarness {
    Config config;
    StillClock clock;
    SilentMessages messages;
    MemorySettingsStore store;
    test::RecordingDriver driver;
    SerialPort port{config, &driver, clock, messages, &store};
    std::unique_ptr<Runtime> runtime;

    DriverHarness() {
        config.RunMode = RunNormal;
        config.OutputMode = LogToDisk;
        config.LogFileName = "/dev/null";
    }
    Runtime& Start() {
        EXPECT_TRUE(port.OpenPort());
        driver.Log.clear();
        runtime = std::make_unique<Runtime>(config, port, clock, messages, store);
        runtime->Start();
        return *runtime;
    }
    bool Logged(const std::string& call) const {
        return std::find(driver.Log.begin(), driver.Log.end(), call) != driver.Log.end();
    }
};

TEST(DriverTest, AcknowledgementGoesOutOnTheNextTick) {
    DriverHarness h;
    h.config.AckString = "OK\r";
    h.Start();
    h.driver.Input = "1\r2\r";
    h.runtime->PollTick();
    EXPECT_EQ(h.driver.Written, "");
    h.runtime->PollTick();
    EXPECT_EQ(h.driver.Written, "OK\rOK\r");
}

TEST(DriverTest, TimedBreakIsClearedTwoTicksLater) {
    DriverHarness h;
    h.config.TimerFlags = TimerEnableOnStart | TimerActionBreak;
    h.config.TimerInterval = 50;
    h.Start();
    h.runtime->PollTick();
    h.clock.ticks += 50;
    h.runtime->PollTick();
    EXPECT_TRUE(h.driver.Break);
    h.runtime->PollTick(); // the clock stands still: no new BREAK
    EXPECT_TRUE(h.driver.Break);
    h.runtime->PollTick();
    EXPECT_FALSE(h.driver.Break);
}

TEST(DriverTest, ResetPurgesTheDriverQueues) {
    DriverHarness h;
    h.Start().Reset();
    EXPECT_TRUE(h.Logged("Purge()"));
}

TEST(DriverTest, StopLowersLinesAndClosesInNormalMode) {
    DriverHarness h;
    h.Start().Stop();
    EXPECT_TRUE(h.Logged("Close()"));
    EXPECT_FALSE(h.driver.Dtr);
    EXPECT_FALSE(h.driver.Rts);
    EXPECT_EQ(h.config.RunMode, RunNormal);
}

} // namespace
} // namespace pv::runtime_port_test

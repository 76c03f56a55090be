// The runtime's bounds under pressure: a flood of input is read over several
// ticks, and a device that takes no output keeps the queued output capped,
// timed output going first.
#include <functional>

#include <gtest/gtest.h>

#include "fakes/run_fakes.h"

namespace pv::testing {
namespace {

struct Bound {
    const char* name;
    std::function<void(Harness&)> run;
};

const std::string kTimed(100u << 10, 'T'); // ten and a bit fill the queue

void TimedEveryTick(Harness& h) {
    h.config.TimerFlags = TimerEnableOnStart;
    h.config.TimerInterval = 50;
    h.config.TimerString = kTimed;
    h.driver.AcceptPerWrite = 0;
}

void TimedTicks(Harness& h, int n) {
    for (int i = 0; i < n; ++i) {
        h.clock.Ticks += 50;
        h.Tick();
        h.driver.Log.clear();
    }
}

std::string Times(int n, const std::string& s) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

const Bound kBounds[] = {
    {"AFloodIsReadAtMostTheTickBoundAtATimeAndNothingIsLost",
     [](Harness& h) {
         h.Start();
         std::vector<std::string> sent;
         for (int i = 0; h.driver.Input.size() < 2 * Runtime::kTickReadLimit + 999; ++i) {
             sent.push_back(std::to_string(i) + "\r");
             h.Feed(sent.back());
         }
         size_t total = h.driver.Input.size();
         h.Tick();
         EXPECT_EQ(h.driver.Input.size(), total - Runtime::kTickReadLimit);
         EXPECT_LT(h.Records().size(), sent.size());
         h.Tick(2);
         EXPECT_TRUE(h.driver.Input.empty());
         EXPECT_EQ(h.Records(), sent);
     }},
    {"TimedOutputIsDroppedOldestFirstOnceTheQueueIsFull",
     [](Harness& h) {
         TimedEveryTick(h);
         h.Start().QueueOutput("A");
         TimedTicks(h, 6); // the first tick only starts the timer
         h.runtime->QueueOutput("B");
         TimedTicks(h, 8);
         EXPECT_EQ(h.Snap().PendingOutput, "A" + Times(2, kTimed) + "B" + Times(8, kTimed));
         EXPECT_LE(h.Snap().PendingOutput.size(), kPendingOutputLimit);
         ASSERT_EQ(h.messages.shown.size(), 1u) << "the drop is reported once";
         EXPECT_NE(h.messages.shown[0].text.find("timed output"), std::string::npos);
     }},
    {"OtherOutputPastTheCapIsRefusedWholeAndDropsNothing",
     [](Harness& h) {
         TimedEveryTick(h);
         h.Start();
         TimedTicks(h, 4);
         std::string before = h.Snap().PendingOutput;
         EXPECT_FALSE(h.runtime->QueueOutput(std::string(kPendingOutputLimit + 1, 'x')));
         EXPECT_EQ(h.Snap().PendingOutput, before);
         EXPECT_TRUE(h.messages.shown.empty());
     }},
    {"OtherOutputMakesRoomByDroppingTimedOutputAcrossItsRuns",
     [](Harness& h) {
         TimedEveryTick(h);
         h.Start();
         TimedTicks(h, 5); // four timed strings, "A", six more
         h.runtime->QueueOutput("A");
         TimedTicks(h, 6);
         const std::string other(kPendingOutputLimit - 2 * kTimed.size() - 1, 'x');
         EXPECT_TRUE(h.runtime->QueueOutput(other));
         EXPECT_EQ(h.Snap().PendingOutput, "A" + Times(2, kTimed) + other);
         EXPECT_EQ(h.messages.shown.size(), 1u);
     }},
    {"TimedOutputPartlySentGoesOutWholeAndTheReportRearms",
     [](Harness& h) {
         TimedEveryTick(h);
         h.driver.AcceptPerWrite = 10;
         h.Start();
         TimedTicks(h, 11); // the first string is partly out: no longer dropped
         h.driver.AcceptPerWrite = 0;
         TimedTicks(h, 2);
         EXPECT_EQ(h.Snap().PendingOutput.size(), kTimed.size() - 100 + 9 * kTimed.size());
         h.driver.AcceptPerWrite = -1;
         TimedTicks(h, 1);
         EXPECT_EQ(h.driver.Written.size(), 10 * kTimed.size());
         h.driver.AcceptPerWrite = 0;
         TimedTicks(h, 12);
         EXPECT_EQ(h.messages.shown.size(), 2u);
     }},
};

class TickBoundsTest : public ::testing::TestWithParam<Bound> {};

TEST_P(TickBoundsTest, Holds) {
    Harness h;
    GetParam().run(h);
}

INSTANTIATE_TEST_SUITE_P(Bounds, TickBoundsTest, ::testing::ValuesIn(kBounds),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pv::testing

// A log file that cannot be written for a while, under a running runtime:
// records keep their order in the sink's queue, reading pauses once the
// queue holds its bound, and everything reaches the file once it can.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/run_fakes.h"
#include "output/log_sink.h"

namespace pv::testing {
namespace {

struct OneSink : SinkProvider {
    explicit OneSink(RecordSink* s) : sink(s) {}
    RecordSink* sink;
    RecordSink* SinkFor(int16_t) override { return sink; }
};

TEST(LogQueue, RecordsOutlastAnOutageInOrderAndReadingPausesPastTheBound) {
    struct Row {
        const char* name;
        size_t bound;
        bool pauses;
    };
    for (const Row& row : {Row{"ShortOutageQueuesAllWithoutPausing", 1u << 20, false},
                           Row{"PastTheBoundReadingPausesOnceAndNothingIsLost", 512, true}}) {
        SCOPED_TRACE(row.name);
        const auto dir = std::filesystem::path(::testing::TempDir()) / "pv_logq" / row.name;
        std::filesystem::remove_all(dir);
        Harness h;
        h.config.LogFileName = (dir / "q.log").string(); // the folder comes later
        LogSink sink(h.messages, LogSink::OnFailure::QueueAndRetry, row.bound);
        OneSink sinks(&sink);
        Runtime run(h.config, h.port, h.clock, h.messages, h.store, {nullptr, &sinks, nullptr});
        run.Start();
        std::string expected;
        for (int i = 0; i < 300; ++i) {
            // More than the port reads ahead, so a pause leaves some in the driver.
            std::string rec =
                "r" + std::to_string(i) + std::string(24 + i % 7, char(0x80 + i % 50));
            h.Feed(rec + "\r");
            expected += rec + "\r\r\n";
        }
        for (int n = 0; n < 3 * LogSink::kRetryTicks; ++n) // retries that keep failing
            run.PollTick();
        EXPECT_EQ(sink.Backlogged(), row.pauses);
        EXPECT_EQ(h.driver.Input.empty(), !row.pauses) << "a paused run leaves input unread";
        std::filesystem::create_directories(dir);
        for (int n = 0; n < 20000 && !(h.driver.Input.empty() && sink.LinesWaiting() == 0); ++n)
            run.PollTick();
        std::ostringstream got;
        got << std::ifstream(dir / "q.log", std::ios::binary).rdbuf();
        EXPECT_TRUE(got.str() == expected) << got.str().size() << " of " << expected.size();
        const auto told =
            std::count_if(h.messages.shown.begin(), h.messages.shown.end(),
                          [](auto& m) { return m.text.find("paused") != m.text.npos; });
        EXPECT_EQ(told, row.pauses ? 1 : 0) << "the pause is told once";
    }
}

} // namespace
} // namespace pv::testing

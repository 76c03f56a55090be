// A log file that cannot be written for a while, under a running runtime:
// records keep their order in the sink's queue, reading pauses once the
// queue holds its bound, and everything reaches the file once it can.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/run_fakes.h"
#include "output/log_sink.h"

namespace pv::testing {
namespace {

namespace fs = std::filesystem;

struct OneSink : SinkProvider {
    explicit OneSink(RecordSink* s) : sink(s) {}
    RecordSink* sink;
    RecordSink* SinkFor(int16_t) override { return sink; }
};

size_t Mentions(const RecordingMessages& m, const std::string& what) {
    size_t n = 0;
    for (const auto& s : m.shown)
        n += s.text.find(what) != std::string::npos;
    return n;
}

TEST(LogQueue, RecordsOutlastAnOutageInOrderAndReadingPausesPastTheBound) {
    struct Row {
        const char* name;
        size_t bound;
        int records;
        bool pauses;
    };
    const Row rows[] = {
        {"ShortOutageQueuesEverythingWithoutPausing", 1u << 20, 300, false},
        {"OutagePastTheBoundPausesOnceAndLosesNothing", 512, 300, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::path dir = fs::path(::testing::TempDir()) / ("pv_logq_" + std::string(row.name));
        fs::remove_all(dir);
        Config config;
        config.OutputMode = LogToDisk;
        config.LogFileName = (dir / "later" / "q.log").string(); // the folder comes later
        FakeClock clock;
        RecordingMessages messages;
        MemorySettingsStore store;
        RecordingDriver driver;
        driver.Opened = true;
        SerialPort port{driver, clock, messages};
        LogSink sink(messages, LogSink::OnFailure::QueueAndRetry, row.bound);
        OneSink sinks(&sink);
        Runtime runtime(config, port, clock, messages, store, {nullptr, &sinks, nullptr});
        runtime.Start();

        std::string expected;
        for (int i = 0; i < row.records; ++i) {
            std::string rec = "r" + std::to_string(i) + std::string(i % 7, char(0x80 + i % 50));
            driver.Input += rec + "\r";
            expected += rec + "\r\r\n";
        }
        auto tickUntil = [&](auto done) {
            for (int n = 0; n < 20000 && !done(); ++n)
                runtime.PollTick();
            return done();
        };
        ASSERT_TRUE(tickUntil([&] { return driver.Input.empty() || sink.Backlogged(); }));
        EXPECT_EQ(sink.Backlogged(), row.pauses);
        EXPECT_EQ(driver.Input.empty(), !row.pauses) << "a paused run leaves input on the device";
        // Retries that keep failing read nothing more and say nothing more.
        size_t held = driver.Input.size();
        for (int n = 0; n < 3 * LogSink::kRetryTicks; ++n)
            runtime.PollTick();
        EXPECT_EQ(driver.Input.size(), held);
        EXPECT_EQ(Mentions(messages, "reading the device paused"), row.pauses ? 1u : 0u);
        EXPECT_EQ(Mentions(messages, "retrying"), 1u);

        fs::create_directories(dir / "later");
        ASSERT_TRUE(tickUntil([&] { return driver.Input.empty() && sink.LinesWaiting() == 0; }));
        std::ifstream in(dir / "later" / "q.log", std::ios::binary);
        std::ostringstream got;
        got << in.rdbuf();
        EXPECT_TRUE(got.str() == expected) << got.str().size() << " of " << expected.size();
        EXPECT_FALSE(sink.Backlogged());
        EXPECT_EQ(Mentions(messages, "no record lost"), 1u);
        runtime.Stop();
        fs::remove_all(dir);
    }
}

} // namespace
} // namespace pv::testing

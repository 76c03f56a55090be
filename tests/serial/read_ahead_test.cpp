// The port reads the driver in blocks: the bytes go where the device's own
// queue would go and meet every record rule.
#include <gtest/gtest.h>

#include "fakes/run_fakes.h"

namespace pv::testing {
namespace {

// Up to `count` bytes, asking the driver for at most `wanted` at a time.
std::string Take(Harness& h, size_t count, size_t wanted) {
    std::string out;
    for (unsigned char b = 0; out.size() < count && h.port.ReadPortByte(b, wanted);)
        out += static_cast<char>(b);
    return out;
}

TEST(PortReadAhead, BytesReadInBlocksKeepTheirOrderAndRules) {
    struct Row {
        const char* name;
        std::string (*run)(Harness&); // what came out
        std::string expected;
    };
    const Row rows[] = {
        {"PurgeDropsWhatWasReadAhead",
         [](Harness& h) {
             return h.Feed("abc"), Take(h, 1, 3), h.port.PurgePort(), h.Feed("d"), Take(h, 9, 9);
         },
         "d"},
        {"ReadAheadOutlivesAReopen",
         [](Harness& h) {
             h.Feed("abc"), Take(h, 1, 3), h.port.ClosePort(), h.Feed("d");
             return h.port.OpenPort({"COM1", "/dev/ttyS0", {}, 4096, 1024}), Take(h, 9, 9);
         },
         "bcd"},
        {"OptoRsQueriesOnACrInsideTheRecord",
         [](Harness& h) {
             h.config.FlowControl = FlowOptoRs;
             h.config.EndOfRecordEvent = EndOnSpecialChars;
             h.config.EndOfRecordChars = "#";
             h.Start(), h.Feed("1\r2#"), h.Tick();
             return h.Snap().PendingOutput + (h.Records().size() == 1 ? h.Records()[0] : "");
         },
         "?\r1\r2#"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Harness h;
        EXPECT_EQ(r.run(h), r.expected);
    }
}

} // namespace
} // namespace pv::testing

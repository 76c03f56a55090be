// Arbitrary settings and arbitrary bytes, with commands in between: the
// runtime must neither crash nor hang, and its counters stay in range.
#include <random>

#include <gtest/gtest.h>

#include "runtime/fakes.h"

namespace pv::runtime_test {
namespace {

TEST(RobustnessTest, RandomSettingsAndInputKeepStateInRange) {
    std::mt19937 rng(20240305);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* expressions[] = {"",    "field(1) * 2",    "((", "field(41) + field(0)",
                                 "1/0", "field(2) & \"x\""};
    const char* formats[] = {"", "0.00", "Currency", "Yes/No", "hh:nn", "@@@"};
    const char* filters[] = {"C", "N", "I", "H", "O", "B", "", "z"};

    for (int round = 0; round < 150; ++round) {
        Harness h;
        Config& c = h.config;
        c.RecordStructure = static_cast<RecordShape>(pick(0, 3));
        c.EndOfRecordEvent = static_cast<EndEvent>(pick(0, 4));
        c.StartOfRecordEvent = static_cast<StartEvent>(pick(0, 4));
        c.StartOfRecordChars = std::string(1, static_cast<char>(pick(0, 255)));
        c.EndOfRecordChars = std::string(1, static_cast<char>(pick(0, 255)));
        c.FieldCount = static_cast<int16_t>(pick(-1, 45));
        c.FieldDelimiter = pick(0, 5) == 0 ? "" : std::string(1, static_cast<char>(pick(0, 64)));
        c.RecordLength = static_cast<int16_t>(pick(-1, 30));
        c.RecordDelayTicks = static_cast<int16_t>(pick(0, 4));
        c.OutputMode = static_cast<OutputModes>(pick(0, 2));
        c.FlowControl = static_cast<FlowControlMode>(pick(0, 3));
        c.AckString = pick(0, 1) ? "A" : "";
        for (int i = 0; i < kFieldSlots; ++i) {
            c.FieldLength[i] = static_cast<int16_t>(pick(-1, 6));
            c.FieldFilter[i] = filters[pick(0, 7)];
            c.FieldMathExpression[i] = expressions[pick(0, 5)];
            c.FieldFormat[i] = formats[pick(0, 5)];
        }
        for (int i = 0; i < 20; ++i) {
            int b = pick(0, 255);
            int kind = pick(0, 3);
            c.PreInputTable[b] = kind == 0   ? "Ignore"
                                 : kind == 1 ? "Void Record"
                                 : kind == 2 ? ""
                                             : std::string(1, static_cast<char>(pick(0, 255)));
        }
        Runtime& rt = h.Start();
        for (int step = 0; step < 40; ++step) {
            std::string bytes;
            int n = pick(0, 60);
            for (int k = 0; k < n; ++k)
                bytes += static_cast<char>(pick(0, 255));
            h.Feed(bytes);
            switch (pick(0, 12)) {
            case 0: rt.ToggleSuspend(); break;
            case 1: rt.ResumeForOneRecord(); break;
            case 2: rt.Reset(); break;
            default: break;
            }
            h.Tick(pick(1, 3));
            ASSERT_GE(rt.FieldIndex, 1);
            ASSERT_LE(rt.FieldIndex, 41);
            ASSERT_GE(rt.IdleTicks, 0);
            ASSERT_LE(rt.IdleTicks, 255);
        }
    }
}

} // namespace
} // namespace pv::runtime_test

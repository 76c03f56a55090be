// What a run keeps to itself: the evaluation state behind rnd.
#include <gtest/gtest.h>

#include "fakes/run_fakes.h"

namespace pv::testing {
namespace {

std::string FirstRecordOfANewRun(const char* expression) {
    Harness h;
    h.config.OutputMode = DdeServer;
    h.config.FieldMathExpression[1] = expression;
    h.StartAndFeed("x\r");
    return h.Records().empty() ? std::string() : h.Records().front();
}

TEST(RunState, EachRunStartsItsOwnRndSequence) {
    for (const char* expression : {"rnd(1)", "rnd(1) + rnd(1)"}) {
        SCOPED_TRACE(expression);
        const std::string first = FirstRecordOfANewRun(expression);
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(FirstRecordOfANewRun(expression), first);
    }
}

} // namespace
} // namespace pv::testing

#include "config/command_line.h"

#include <gtest/gtest.h>

#include <tuple>

namespace pv {
namespace {

TEST(CommandLineTest, GivesThePathOfTheCommandLine) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"Empty", "", ""},
        {"BlanksOnly", "   ", ""},
        {"PlainPathKeepsItsCase", "/data/Scale.pv3", "/data/Scale.pv3"},
        {"SurroundingQuotesGo", "\"/data/my scale.PV3\"", "/data/my scale.PV3"},
        {"BlanksAroundAreTrimmed", "  /data/a.PV3  ", "/data/a.PV3"},
        {"SwitchAfterPath", "/data/a.PV3 /K", "/data/a.PV3"},
        {"LowerCaseSwitch", "/data/a.PV3 /k", "/data/a.PV3"},
        {"SwitchDirectlyBeforeQuote", "/K\"/data/a b.PV3\"", "/data/a b.PV3"},
        // Cutting the switch leaves a blank first, so the quote stays.
        {"SwitchBlankQuoteKeepsOpeningQuote", "/k \"/data/a.PV3\"", "\"/data/a.PV3"},
        {"OnlyTheFirstSwitchIsCut", "/K /K", "/K"},
        {"DirectoryNamedKIsKept", "/k/a.PV3", "/k/a.PV3"},
        {"QuoteOnlyAtEndIsRemoved", "/data/a.PV3\"", "/data/a.PV3"}};
    for (auto [name, commandLine, path] : rows)
        EXPECT_EQ(ConfigPathFromCommandLine(commandLine), path) << name;
    EXPECT_EQ(ConfigPathFromCommandLine(JoinArguments({"/K", "/data/my file.PV3"})),
              "/data/my file.PV3");
}

} // namespace
} // namespace pv

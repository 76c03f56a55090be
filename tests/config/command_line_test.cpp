#include "config/command_line.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

struct CommandLineCase {
    const char* name;
    const char* commandLine;
    const char* path;
};

class ConfigPathFromCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ConfigPathFromCommandLineTest, GivesThePathOfTheCommandLine) {
    EXPECT_EQ(ConfigPathFromCommandLine(GetParam().commandLine), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigPathFromCommandLineTest,
    ::testing::Values(
        CommandLineCase{"Empty", "", ""}, CommandLineCase{"BlanksOnly", "   ", ""},
        CommandLineCase{"PlainPathKeepsItsCase", "/data/Scale.pv3", "/data/Scale.pv3"},
        CommandLineCase{"SurroundingQuotesGo", "\"/data/my scale.PV3\"", "/data/my scale.PV3"},
        CommandLineCase{"BlanksAroundAreTrimmed", "  /data/a.PV3  ", "/data/a.PV3"},
        CommandLineCase{"SwitchAfterPath", "/data/a.PV3 /K", "/data/a.PV3"},
        CommandLineCase{"LowerCaseSwitch", "/data/a.PV3 /k", "/data/a.PV3"},
        CommandLineCase{"SwitchDirectlyBeforeQuote", "/K\"/data/a b.PV3\"", "/data/a b.PV3"},
        // Cutting the switch leaves a blank in front, so the opening quote is
        // no longer the first character and stays part of the name.
        CommandLineCase{"SwitchBlankQuoteKeepsOpeningQuote", "/k \"/data/a.PV3\"", "\"/data/a.PV3"},
        CommandLineCase{"SwitchAloneGivesNoPath", "/K", ""},
        CommandLineCase{"OnlyTheFirstSwitchIsCut", "/K /K", "/K"},
        CommandLineCase{"SwitchInsideAPathIsPartOfIt", "/home/kim/a.PV3", "/home/kim/a.PV3"},
        CommandLineCase{"DirectoryNamedKIsKept", "/k/a.PV3", "/k/a.PV3"},
        CommandLineCase{"QuoteOnlyAtEndIsRemoved", "/data/a.PV3\"", "/data/a.PV3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinArgumentsTest, JoinsWithSingleBlanks) {
    EXPECT_EQ(JoinArguments({}), "");
    EXPECT_EQ(JoinArguments({"/k", "/data/my file.PV3"}), "/k /data/my file.PV3");
    EXPECT_EQ(ConfigPathFromCommandLine(JoinArguments({"/K", "/data/my file.PV3"})),
              "/data/my file.PV3");
}

} // namespace
} // namespace pv

// The runtime through its commands and snapshot: the frame around each
// record, suspension, Reset, exit, timed output, start-up, the conversion
// chain and what may happen while a record is being delivered.
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "config/config_file.h"
#include "fakes/run_fakes.h"
#include "text/locale.h"
#include "text/strings.h"

namespace pv::testing {
namespace {

using Strings = std::vector<std::string>;

struct Rule {
    const char* name;
    std::function<void(Harness&)> run; // settings, Start, acts, expects
};

void PrintTo(const Rule& r, std::ostream* os) {
    *os << r.name;
}

void Delimited(Config& c, int fields) {
    c.RecordStructure = DelimitedFields;
    c.FieldCount = static_cast<int16_t>(fields);
}

void Timed(Harness& h, int16_t flags, int32_t interval, uint32_t start = 1000) {
    h.config.TimerFlags = flags;
    h.config.TimerInterval = interval;
    h.config.TimerString = "T";
    h.clock.Ticks = start;
}

// Advances the clock by `ms` before each of `n` ticks.
void TicksEvery(Harness& h, uint32_t ms, int n) {
    for (int i = 0; i < n; ++i) {
        h.clock.Ticks += ms;
        h.Tick();
    }
}

const Rule kRules[] = {
    // --- The frame around each record ------------------------------------
    {"EveryRecordIsAcknowledgedVoidOnesToo",
     [](Harness& h) {
         h.config.AckString = "\x06";
         h.config.PreInputTable['!'] = "Void Record";
         h.StartAndFeed("1\r!2\r3\r");
         EXPECT_EQ(h.Records(), (Strings{"1\r", "3\r"}));
         EXPECT_EQ(h.Snap().PendingOutput, "\x06\x06\x06");
         EXPECT_EQ(h.Snap().RecordNumber, "2");
         h.Tick();
         EXPECT_EQ(h.driver.Written, "\x06\x06\x06");
     }},
    {"VoidByteBeforeTheStartStartsAndVoidsTheRecord",
     [](Harness& h) {
         h.config.PreInputTable['!'] = "Void Record";
         h.StartAndFeed("!1\r2\r");
         EXPECT_EQ(h.Records(), Strings{"2\r"});
     }},
    {"BeepIsThePortsSpecialBeepOrThePlainOne",
     [](Harness& h) {
         h.config.BeepOnInput = True;
         h.StartAndFeed("1\r2\r");
         EXPECT_EQ(h.messages.beeps, 2);
         h.store.Set("Portivox - COM1/Settings", "SpecialBeep", "48");
         h.StartAndFeed("1\r");
         EXPECT_EQ(h.recorder.Sounds, std::vector<int>{48});
         EXPECT_EQ(h.messages.beeps, 2);
     }},
    {"OptoRsQueriesOnCrAndVoidsTheAnswer",
     [](Harness& h) {
         h.config.FlowControl = FlowOptoRs;
         h.StartAndFeed("12\r34\r56\r");
         EXPECT_EQ(h.Snap().PendingOutput, "?\r?\r");
         EXPECT_EQ(h.Records(), (Strings{"12\r", "56\r"}));
     }},
    {"WithoutASinkRecordsAreStillShownAndCounted",
     [](Harness& h) {
         h.recorder.Sink = false;
         h.StartAndFeed("7\r");
         EXPECT_EQ(h.Snap().Fields[1], "7\r");
         EXPECT_EQ(h.Snap().RecordNumber, "1");
     }},
    // --- Suspension and one-record mode -----------------------------------
    {"ActivateSuspendedReadsNothingUntilResumed",
     [](Harness& h) {
         h.config.ActivateSuspended = True;
         Runtime& rt = h.Start();
         EXPECT_EQ(h.recorder.Caption, "Portivox - COM1 (S)");
         h.Feed("1\r");
         h.Tick(3);
         EXPECT_TRUE(h.Records().empty());
         rt.Resume();
         EXPECT_EQ(h.recorder.Caption, "Portivox - COM1");
         h.Tick();
         EXPECT_EQ(h.Records().size(), 1u);
     }},
    {"OneRecordModeTakesOneRecordThenSuspends",
     [](Harness& h) {
         h.config.ActivateSuspended = True;
         h.config.PreInputTable['!'] = "Void Record";
         Runtime& rt = h.Start();
         h.Feed("!\r1\r2\r");
         rt.ResumeForOneRecord();
         h.Tick();
         EXPECT_EQ(h.Records(), Strings{"1\r"}); // the void record did not count
         EXPECT_TRUE(h.Snap().Suspended);
         EXPECT_FALSE(h.Snap().OneRecordMode);
         h.Tick(2);
         EXPECT_EQ(h.Records().size(), 1u);
         rt.Resume();
         h.Tick();
         EXPECT_EQ(h.Records().size(), 2u);
     }},
    // --- Exit --------------------------------------------------------------
    {"AppExitClosesAtTheEndOfTheSecondTick",
     [](Harness& h) {
         h.Start().RequestExit();
         h.Tick();
         EXPECT_EQ(h.recorder.Exits, 0);
         h.Tick();
         EXPECT_EQ(h.recorder.Exits, 1);
     }},
    {"AppExitWhileSuspendedWaitsForResume",
     [](Harness& h) {
         Runtime& rt = h.Start();
         rt.Suspend();
         rt.RequestExit();
         h.Tick(5);
         EXPECT_EQ(h.recorder.Exits, 0);
         rt.Resume();
         h.Tick(2);
         EXPECT_EQ(h.recorder.Exits, 1);
     }},
    // --- Reset ---------------------------------------------------------------
    {"ResetDropsThePartialRecordAndResumes",
     [](Harness& h) {
         Runtime& rt = h.StartAndFeed("1\r23");
         rt.Suspend();
         rt.Reset();
         EXPECT_FALSE(h.Snap().Suspended);
         EXPECT_EQ(h.Snap().RecordNumber, "");
         EXPECT_EQ(h.Snap().Fields[1], "");
         h.Feed("4\r");
         h.Tick();
         EXPECT_EQ(h.Records(), (Strings{"1\r", "4\r"}));
         EXPECT_EQ(h.Snap().RecordNumber, "1");
     }},
    {"ResetWithActivateSuspendedEndsSuspended",
     [](Harness& h) {
         h.config.ActivateSuspended = True;
         Runtime& rt = h.Start();
         rt.ResumeForOneRecord();
         rt.Reset();
         EXPECT_TRUE(h.Snap().Suspended);
         EXPECT_FALSE(h.Snap().OneRecordMode);
         EXPECT_EQ(std::count(h.driver.Log.begin(), h.driver.Log.end(), "Purge()"), 1);
     }},
    // --- Timed output ------------------------------------------------------
    {"TimedOutputComesOneIntervalAfterStartAtMostOncePerTick",
     [](Harness& h) {
         Timed(h, TimerEnableOnStart, 100);
         h.Start();
         TicksEvery(h, 50, 2); // base taken at the first tick
         EXPECT_EQ(h.Snap().PendingOutput, "");
         h.Tick(); // transmitted nothing yet: one action per tick
         TicksEvery(h, 50, 1);
         EXPECT_EQ(h.driver.Written, "T");
         h.clock.Ticks += 1000; // far behind: still one per tick
         h.Tick();
         EXPECT_EQ(h.driver.Written, "TT");
     }},
    {"EachOutputMovesTheBaseOnByOneInterval",
     [](Harness& h) {
         Timed(h, TimerEnableOnStart, 100);
         h.Start();
         TicksEvery(h, 60, 7);
         EXPECT_EQ(h.driver.Written, "TTT");
     }},
    {"TimedOutputGoesOnAcrossTheSignedAndTheUnsignedWrap",
     [](Harness& h) {
         for (uint32_t start : {0x7FFFFF00u, 0xFFFFFF00u}) {
             h.driver.Written.clear();
             Timed(h, TimerEnableOnStart, 100, start);
             h.Start();
             TicksEvery(h, 100, 8);
             EXPECT_EQ(h.driver.Written, "TTTTTTT") << start;
         }
     }},
    {"ResumeRestartsTheInterval",
     [](Harness& h) {
         Timed(h, TimerEnableOnStart, 100);
         Runtime& rt = h.Start();
         TicksEvery(h, 60, 1);
         rt.Suspend();
         rt.Resume();
         TicksEvery(h, 60, 2); // base again at the first of these
         EXPECT_EQ(h.driver.Written, "");
         TicksEvery(h, 60, 1);
         EXPECT_EQ(h.driver.Written, "T");
     }},
    {"DtrAndBreakActionsReachTheLine",
     [](Harness& h) {
         Timed(h, TimerEnableOnStart | TimerActionDtr, 100);
         h.Start();
         TicksEvery(h, 100, 2);
         EXPECT_EQ(h.driver.Log.back(), "SetDtr(0)");
         TicksEvery(h, 160, 1);
         EXPECT_EQ(std::count(h.driver.Log.begin(), h.driver.Log.end(), "SetDtr(1)"), 1);
     }},
    {"LineActionsDoNothingWithoutLines",
     [](Harness& h) {
         Timed(h, TimerEnableOnStart | TimerActionBreak, 100);
         h.driver.Lines = false;
         h.Start();
         TicksEvery(h, 100, 4);
         EXPECT_EQ(std::count(h.driver.Log.begin(), h.driver.Log.end(), "SetBreak(1)"), 0);
     }},
    {"MenuCaptionNamesTheNextAction",
     [](Harness& h) {
         Timed(h, 0, 500);
         Runtime& rt = h.Start();
         EXPECT_EQ(h.recorder.Menu, (TimedOutputMenuState{true, true, false}));
         rt.ToggleTimedOutput();
         EXPECT_EQ(h.recorder.Menu, (TimedOutputMenuState{true, true, true}));
     }},
    {"StartUpNamesTopicAndCaptionAndEstablishesLinks",
     [](Harness& h) {
         h.config.CommPort = 1;
         h.config.CmdLinkApp = h.config.CmdLinkTopic = "x";
         h.config.CmdLinkOnActivation = True;
         h.config.BufferLinkApp = "y"; // no topic: no link
         h.config.BufferLinkOnActivation = True;
         h.Start();
         EXPECT_EQ(h.Snap().DdeTopic, "COM2");
         EXPECT_EQ(h.Snap().WindowTitle, "Portivox - COM2");
         EXPECT_EQ(h.recorder.Calls, (Strings{"sink 2", "command link", "hot keys"}));
     }},
    {"DateTimeBoxChangesOnlyWhenTheTimeDoes",
     [](Harness& h) {
         h.config.ShowDateTime = True;
         h.config.DateTimeFormat = "hh:nn:ss";
         h.Start();
         h.Tick(2);
         h.clock.Time.Second = 10;
         h.Tick();
         EXPECT_EQ(h.recorder.Calls.back(), "datetime 14:07:10");
         EXPECT_EQ(std::count_if(h.recorder.Calls.begin(), h.recorder.Calls.end(),
                                 [](auto& c) { return c.rfind("datetime", 0) == 0; }),
                   2);
     }},
    // --- While a record is being delivered --------------------------------
    {"TickDuringADeliveryTransmitsButReadsNothing",
     [](Harness& h) {
         h.config.AckString = "A";
         h.recorder.DuringDelivery = [&] {
             if (h.Records().size() > 1) return;
             h.Tick();
             EXPECT_TRUE(h.Snap().Delivering);
             EXPECT_EQ(h.driver.Written, "A");
             EXPECT_EQ(h.Records().size(), 1u);
         };
         h.StartAndFeed("1\r2\r");
         EXPECT_EQ(h.Records(), (Strings{"1\r", "2\r"}));
     }},
    {"ResetDuringADeliveryWaitsForItsEnd",
     [](Harness& h) {
         h.recorder.DuringDelivery = [&] {
             h.runtime->Reset();
             EXPECT_EQ(h.driver.Log, Strings{}); // not purged yet
         };
         h.StartAndFeed("1\r2\r");
         EXPECT_EQ(h.Records(), Strings{"1\r"});
         EXPECT_EQ(h.Snap().RecordNumber, "");
         h.Tick(); // "2\r", read with "1\r", went with the purge
         EXPECT_EQ(h.Records(), Strings{"1\r"});
     }},
    {"FailedDeliveryResetsAndSuspends",
     [](Harness& h) {
         h.recorder.Result = Delivery::Failed;
         h.StartAndFeed("1\r2\r");
         EXPECT_EQ(h.Records(), Strings{"1\r"});
         EXPECT_TRUE(h.Snap().Suspended);
         EXPECT_EQ(h.Snap().RecordNumber, "");
     }},
    {"ConfigurationLoadedDuringADeliveryReplacesTheRunAfterIt",
     [](Harness& h) {
         h.config.ConfigFileName = ::testing::TempDir() + "reload.PV3";
         h.config.FieldCount = 3;
         WriteConfigFile(h.config, h.messages);
         h.config.FieldCount = 1;
         h.recorder.DuringDelivery = [&] {
             EXPECT_TRUE(h.runtime->LoadConfiguration(h.config.ConfigFileName));
             EXPECT_EQ(h.config.FieldCount, 1);
         };
         h.Start();
         h.recorder.Calls.clear();
         h.Feed("1\r2\r");
         h.Tick();
         EXPECT_EQ(h.Records(), Strings{"1\r"});
         EXPECT_EQ(h.config.FieldCount, 3);
         auto& calls = h.recorder.Calls;
         auto counted = std::find(calls.begin(), calls.end(), "number 1");
         EXPECT_LT(counted, std::find(calls.begin(), calls.end(), "before reload"));
         EXPECT_LT(std::find(calls.begin(), calls.end(), "stop"),
                   std::find(calls.begin(), calls.end(), "reopen port"));
         EXPECT_LT(std::find(calls.begin(), calls.end(), "reopen port"),
                   std::find(calls.begin(), calls.end(), "after reload"));
         EXPECT_FALSE(h.runtime->LoadConfiguration("/nonexistent.PV3"));
     }},
    {"ConfigurationIsRefusedForTheVirtualDevice",
     [](Harness& h) {
         h.driver.Lines = false;
         EXPECT_FALSE(h.Start().LoadConfiguration("/dev/null"));
     }},
    // --- Robustness ---------------------------------------------------------
    {"RandomSettingsAndBytesNeitherCrashNorHang",
     [](Harness& h) {
         std::mt19937 random(11);
         for (int round = 0; round < 200; ++round) {
             h.config.RecordStructure = RecordShape(random() % 4);
             h.config.EndOfRecordEvent = EndEvent(random() % 5);
             h.config.FieldCount = int16_t(random() % 45);
             h.config.FieldLength[1] = int16_t(random() % 3);
             h.config.RecordLength = int16_t(random() % 5);
             h.Start();
             std::string bytes(64, '\0');
             for (char& b : bytes)
                 b = static_cast<char>(random());
             h.Feed(bytes);
             h.Tick(3);
         }
     }},
};

class RuntimeRules : public ::testing::TestWithParam<Rule> {};

TEST_P(RuntimeRules, Hold) {
    SetCurrentNumericLocale(NumericLocale{});
    Harness h;
    GetParam().run(h);
}

INSTANTIATE_TEST_SUITE_P(Runtime, RuntimeRules, ::testing::ValuesIn(kRules),
                         [](const auto& i) { return std::string(i.param.name); });

// --- The conversion chain of one field ------------------------------------

struct Conversion {
    const char *name, *filter, *expression, *format;
    const char* input; // ended by CR, which the DDE table drops
    const char* expected;
};

const Conversion kConversions[] = {
    {"HexToDecimal", "H", "", "", "1A\r", "26"},
    {"OctalToDecimal", "O", "", "", "17\r", "15"},
    {"HexOfEmptyFieldIsZero", "H", "", "", "\r", "0"},
    {"ExpressionOnNumericField", "N", "field(1) * 2", "", "21\r", "42"},
    {"ExpressionAfterHexConversion", "H", "field(1) + 1", "", "10\r", "17"},
    {"FailedExpressionKeepsTheEvaluatorsResult", "C", "((", "", "ab\r", ""},
    {"DisplayNameSelectsTheNamedFormat", "C", "", "Festkomma", "3.14159\r", "3.14"},
    {"FormatAfterExpression", "C", "field(1) / 4", "0.00", "1\r", "0.25"},
    {"TextPassesANumericFormat", "C", "", "0.00", "OK\r", "OK"},
};

TEST(Conversion, ConvertsTheField) {
    SetCurrentNumericLocale(NumericLocale{});
    SetLanguage(Language::German);
    for (const Conversion& c : kConversions) {
        SCOPED_TRACE(c.name);
        Harness h;
        BuildNamedFormats(h.config); // German display names
        h.config.OutputMode = DdeServer;
        h.config.FieldFilter[1] = c.filter;
        h.config.FieldMathExpression[1] = c.expression;
        h.config.FieldFormat[1] = c.format;
        h.StartAndFeed(c.input);
        EXPECT_EQ(h.Records(), Strings{c.expected});
    }
    SetLanguage(Language::English);
}

TEST(Conversion, FieldsPastTheLastShareOneSpillSlot) {
    Harness h;
    Delimited(h.config, 40);
    h.config.FieldMathExpression[1] = "field(42)";
    h.StartAndFeed(std::string(41, ',') + "x,y\r");
    ASSERT_EQ(h.Records().size(), 1u);
    EXPECT_EQ(h.Records()[0], std::string(39, '|')) << "nothing beyond the spill slot";
}

TEST(Conversion, LowerFieldsConvertedHigherRawThenTranslated) {
    Harness h;
    h.config.OutputMode = LogToDisk;
    Delimited(h.config, 3);
    h.config.FieldMathExpression[1] = "field(2) * 10";
    h.config.FieldMathExpression[2] = "field(1) + 1";
    h.config.FieldFilter[3] = "H";
    h.config.LogTranslation[static_cast<unsigned char>('2')] = 'X';
    h.Start();
    h.Feed("3,4,20\r"); // 0x20 = 32, then 2 becomes X
    h.Tick();
    EXPECT_EQ(h.Records(), Strings{"40|41|3X"});
}

} // namespace
} // namespace pv::testing

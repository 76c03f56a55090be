// The setup side's dialogs: limits, key filters, change checks and what
// reaches the configuration on OK.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "setup_test_support.h"
#include "text/strings.h"
#include "ui/app_select_dialog.h"
#include "ui/date_time_format_dialog.h"
#include "ui/dde_parms_dialog.h"
#include "ui/dde_topic_dialog.h"
#include "ui/port_setup_dialog.h"
#include "ui/resource_texts_qt.h"
#include "ui/timed_dialog.h"

namespace pv::test {
namespace {

using testing::RecordingMessages;

struct DialogFixture {
    Config config;
    MemorySettingsStore store;
    RecordingMessages messages;
    DialogFixture() { SetupApp(); }
};

// --- PortSetup --------------------------------------------------------------------

struct BufferCase {
    const char* name;
    const char* input;
    const char* output;
    bool accepted;
    int32_t inputAfter;
};

class PortSetupOkTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(PortSetupOkTest, AcceptsBufferSizesFrom128To131072) {
    const BufferCase& c = GetParam();
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.show();
    d.BuffSize()->setText(c.input);
    d.OutBuffSize()->setText(c.output);
    d.Ok();
    EXPECT_EQ(d.isVisible(), !c.accepted);
    EXPECT_EQ(f.config.InputBufferSize, c.inputAfter);
    if (!c.accepted) {
        ASSERT_FALSE(f.messages.shown.empty());
        EXPECT_EQ(f.messages.shown.back().text, "Buffer Size Must Be Between 128 and 131072");
        EXPECT_EQ(f.messages.shown.back().title, "Invalid Input");
        EXPECT_EQ(f.messages.shown.back().icon, MsgIcon::Exclamation);
        EXPECT_GE(f.messages.beeps, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PortSetupOkTest,
    ::testing::Values(BufferCase{"InputTooSmall", "100", "1024", false, 4096},
                      BufferCase{"InputAtLowerLimit", "128", "1024", true, 128},
                      BufferCase{"OutputAtUpperLimit", "4096", "131072", true, 4096},
                      BufferCase{"EmptyIsZero", "", "1024", false, 4096},
                      // The input size is taken before the output size is refused.
                      BufferCase{"OutputTooSmallKeepsAcceptedInput", "2048", "127", false, 2048}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortSetupTest, TypingBeyondTheLimitRestoresTheFiveDigits) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.show();
    d.BuffSize()->clear();
    QTest::keyClicks(d.BuffSize(), "200000");
    EXPECT_EQ(d.BuffSize()->text(), "20000");
    EXPECT_EQ(d.BuffSize()->cursorPosition(), 5);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, Text(4006));
}

TEST(PortSetupTest, OneMoreDigitAfter131072IsRejected) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.show();
    d.OutBuffSize()->clear();
    QTest::keyClicks(d.OutBuffSize(), "1310720");
    EXPECT_EQ(d.OutBuffSize()->text(), "131072");
}

TEST(PortSetupTest, LetterBeepsAndLeavesTheText) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.show();
    QTest::keyClicks(d.BuffSize(), "x");
    EXPECT_EQ(d.BuffSize()->text(), "4096");
    EXPECT_EQ(f.messages.beeps, 1);
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST(PortSetupTest, OkStoresTheChoicesAndMarksAChange) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.Group("BaudFrame")->button(11)->setChecked(true);
    d.Group("ParityFrame")->button(0)->setChecked(true);
    d.Group("DataBitsFrame")->button(3)->setChecked(true);
    d.Group("StopBitsFrame")->button(2)->setChecked(true);
    d.Group("FlowCtrlFrame")->button(3)->setChecked(true);
    d.PortList()->setCurrentRow(4);
    d.Ok();
    EXPECT_EQ(f.config.BaudRate, 11);
    EXPECT_EQ(f.config.Parity, 0);
    EXPECT_EQ(f.config.DataBits, 3);
    EXPECT_EQ(f.config.StopBits, 2);
    EXPECT_EQ(f.config.FlowControl, 3);
    EXPECT_EQ(f.config.CommPort, 4);
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

TEST(PortSetupTest, OkWithNothingChangedLeavesTheConfigurationUnchanged) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.Ok();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
}

TEST(PortSetupTest, ReopeningAfterCancelShowsTheConfiguration) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.BuffSize()->setText("999");
    d.Group("BaudFrame")->button(0)->setChecked(true);
    d.reject();
    d.Fill();
    EXPECT_EQ(d.BuffSize()->text(), "4096");
    EXPECT_EQ(d.Group("BaudFrame")->checkedId(), f.config.BaudRate);
}

TEST(PortSetupTest, ListsNinetyNinePortsAndTheirDevices) {
    DialogFixture f;
    f.store.Set("Ports", "COM2", "/dev/ttyUSB0");
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    EXPECT_EQ(d.PortList()->count(), 99);
    EXPECT_EQ(d.PortList()->item(98)->text(), "COM99");
    EXPECT_EQ(d.Device()->text(), "/dev/ttyS0");
    d.PortList()->setCurrentRow(1);
    EXPECT_EQ(d.Device()->text(), "/dev/ttyUSB0");
    d.Device()->setText("/dev/pts/7");
    d.PortList()->setCurrentRow(0);
    d.Ok();
    EXPECT_EQ(f.store.Get("Ports", "COM2"), "/dev/pts/7");
    // The default node is not stored.
    EXPECT_EQ(f.store.values.count("Ports/COM1"), 0u);
}

TEST(PortSetupTest, OldSystemsLoseTheTwoFasterRates) {
    DialogFixture f;
    f.config.WindowsMajorVersion = 3;
    f.config.BaudRate = 9;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    EXPECT_FALSE(d.Group("BaudFrame")->button(8)->isEnabled());
    EXPECT_EQ(f.config.BaudRate, 7);
    f.config.WindowsMajorVersion = 10;
    d.Fill();
    EXPECT_TRUE(d.Group("BaudFrame")->button(8)->isEnabled());
}

// --- Timed ----------------------------------------------------------------------------

struct TicksCase {
    const char* name;
    const char* text;
    int16_t stored; // 0: refused
};

class TimedOkTest : public ::testing::TestWithParam<TicksCase> {};

TEST_P(TimedOkTest, AcceptsOneTo255Ticks) {
    DialogFixture f;
    f.config.RecordDelayTicks = 3;
    ui::TimedDialog d(f.config, f.messages);
    bool next = false;
    d.SetNextStep([&] { next = true; });
    d.Fill();
    d.show();
    d.ClockTicks()->setText(GetParam().text);
    d.Ok();
    if (GetParam().stored) {
        EXPECT_EQ(f.config.RecordDelayTicks, GetParam().stored);
        EXPECT_TRUE(next);
        EXPECT_FALSE(d.isVisible());
    } else {
        EXPECT_EQ(f.config.RecordDelayTicks, 3);
        EXPECT_FALSE(next);
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(f.messages.shown.size(), 1u);
        EXPECT_EQ(f.messages.shown[0].text, "Time between records must range between 1 and 255");
        EXPECT_EQ(f.messages.shown[0].title, "Invalid Input");
        EXPECT_EQ(f.messages.shown[0].icon, MsgIcon::None);
        EXPECT_EQ(f.messages.beeps, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, TimedOkTest,
                         ::testing::Values(TicksCase{"Zero", "0", 0}, TicksCase{"One", "1", 1},
                                           TicksCase{"Max", "255", 255},
                                           TicksCase{"AboveMax", "256", 0},
                                           TicksCase{"Huge", "99999999", 0},
                                           TicksCase{"Empty", "", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimedTest, FillingCountsAsAChangeAndLettersAreRefused) {
    DialogFixture f;
    ui::TimedDialog d(f.config, f.messages);
    d.Fill();
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
    d.show();
    QTest::keyClicks(d.ClockTicks(), "a");
    EXPECT_EQ(d.ClockTicks()->text(), "3");
    EXPECT_EQ(f.messages.beeps, 1);
}

// --- DDE topic -----------------------------------------------------------------------------

TEST(DdeTopicTest, BlankSpecifiedTopicIsRefused) {
    DialogFixture f;
    f.config.DDETopicName = "Scale";
    ui::DdeTopicDialog d(f.config, f.messages);
    d.Fill();
    d.show();
    EXPECT_TRUE(d.Specify()->isChecked());
    d.TopicText()->setText("   ");
    d.Ok();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(f.config.DDETopicName, "Scale");
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "DDE Topic value cannot be blank.\nPlease enter the text "
                                        "that you want to use as the DDE Topic for Portivox.");
    EXPECT_EQ(f.messages.shown[0].title, "Invalid DDE Topic");
    EXPECT_EQ(f.messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(f.messages.beeps, 1);
}

TEST(DdeTopicTest, PortNameChoiceEmptiesTheTopic) {
    DialogFixture f;
    f.config.DDETopicName = "Scale";
    ui::DdeTopicDialog d(f.config, f.messages);
    d.Fill();
    d.UsePortName()->setChecked(true);
    EXPECT_FALSE(d.TopicText()->isEnabled());
    d.Ok();
    EXPECT_EQ(f.config.DDETopicName, "");
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

TEST(DdeTopicTest, SpecifiedTopicIsTrimmedAndUnchangedTopicIsNoChange) {
    DialogFixture f;
    ui::DdeTopicDialog d(f.config, f.messages);
    d.Fill();
    EXPECT_TRUE(d.UsePortName()->isChecked());
    EXPECT_FALSE(d.TopicText()->isEnabled());
    d.Specify()->setChecked(true);
    EXPECT_TRUE(d.TopicText()->isEnabled());
    d.TopicText()->setText("  Line 2 ");
    d.Ok();
    EXPECT_EQ(f.config.DDETopicName, "Line 2");
    f.config.ConfigChanged = False;
    d.Fill();
    d.Ok();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
}

// --- DDEParms, AppSelect, date/time format ---------------------------------------------------

TEST(DdeParmsTest, LinkKindsStoreTheirOwnSettings) {
    DialogFixture f;
    ui::DdeParmsDialog d(f.config);
    d.Fill(ui::DdeParmsKind::OutputBuffer);
    EXPECT_EQ(d.windowTitle(), "Output Buffer DDE Link");
    d.App()->setText("calc");
    d.Topic()->setText("Sheet1");
    d.Item()->setText("R1C1");
    d.LinkStatus()->setChecked(true);
    d.StripCrLf()->setChecked(false);
    d.Ok();
    EXPECT_EQ(f.config.BufferLinkApp, "calc");
    EXPECT_EQ(f.config.BufferLinkItem, "R1C1");
    EXPECT_TRUE(IsSet(f.config.BufferLinkOnActivation));
    EXPECT_FALSE(IsSet(f.config.BufferLinkStripCrLf));
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
    EXPECT_EQ(f.config.CmdLinkApp, "");

    d.Fill(ui::DdeParmsKind::CommandSource);
    EXPECT_EQ(d.windowTitle(), "Command Source DDE Link");
    f.config.ConfigChanged = False;
    d.LinkStatus()->click(); // a click is a change even without OK
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

TEST(DdeParmsTest, CommandTargetKeepsItsHiddenItem) {
    DialogFixture f;
    f.config.DDECommand = "[run]";
    ui::DdeParmsDialog d(f.config);
    d.Fill(ui::DdeParmsKind::CommandTarget);
    d.Topic()->setText("Sheet1");
    d.Ok();
    EXPECT_EQ(f.config.DDECommandApp, "Excel");
    EXPECT_EQ(f.config.DDECommandTopic, "Sheet1");
    EXPECT_EQ(f.config.DDECommand, "[run]");
}

struct TargetCase {
    const char* name;
    const char* title;
    const char* command;
    const char* delay;
    const char* storedTitle;
    bool specified;
    int32_t storedDelay;
};

class AppSelectOkTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(AppSelectOkTest, StoresTrimmedTargetAndWhetherOneIsNamed) {
    const TargetCase& c = GetParam();
    DialogFixture f;
    ui::AppSelectDialog d(f.config, f.messages);
    d.Fill();
    d.AppName()->setText(c.title);
    d.AppCmd()->setText(c.command);
    d.Delay()->setText(c.delay);
    d.Ok();
    EXPECT_EQ(f.config.KeyTargetTitle, c.storedTitle);
    EXPECT_EQ(IsSet(f.config.KeyTargetSpecified), c.specified);
    EXPECT_EQ(f.config.InterCharDelay, c.storedDelay);
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AppSelectOkTest,
    ::testing::Values(TargetCase{"TitleOnly", "  Notes ", "", "5", "Notes", true, 5},
                      TargetCase{"CommandOnly", "", "gedit", "0", "", true, 0},
                      TargetCase{"Neither", "   ", "", "7x", "", false, 7},
                      TargetCase{"EmptyDelayIsZero", "", "", "", "", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppSelectTest, UnchangedBoxesAreNoChangeAndDelayTakesDigitsOnly) {
    DialogFixture f;
    ui::AppSelectDialog d(f.config, f.messages);
    d.Fill();
    d.Ok();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    d.show();
    QTest::keyClicks(d.Delay(), "2a-");
    EXPECT_EQ(d.Delay()->text(), "12");
    EXPECT_EQ(f.messages.beeps, 2);
}

TEST(AppSelectTest, BrowsePutsTheChosenProgramIntoTheCommandLine) {
    DialogFixture f;
    ui::AppSelectDialog d(f.config, f.messages);
    d.Fill();
    d.SetProgramChooser([](QWidget*) { return QStringLiteral("/opt/my tools/scale"); });
    d.Browse();
    EXPECT_EQ(d.AppCmd()->text(), "\"/opt/my tools/scale\"");
    d.SetProgramChooser([](QWidget*) { return QString(); });
    d.Browse();
    EXPECT_EQ(d.AppCmd()->text(), "\"/opt/my tools/scale\"");
}

TEST(DateTimeFormatTest, StoresTheFormatAndMarksOnlyAChange) {
    DialogFixture f;
    f.config.DateTimeFormat = "hh:mm";
    ui::DateTimeFormatDialog d(f.config);
    d.Fill();
    EXPECT_EQ(d.Format()->text(), "hh:mm");
    d.Ok();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    d.Format()->setText("yyyy-mm-dd hh:nn");
    d.Ok();
    EXPECT_EQ(f.config.DateTimeFormat, "yyyy-mm-dd hh:nn");
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

TEST(DialogBytesTest, SettingBytesAbove127SurviveTheBoxes) {
    DialogFixture f;
    f.config.DDETopicName = "Waage \xB5g"; // Latin-1 micro sign
    ui::DdeTopicDialog d(f.config, f.messages);
    d.Fill();
    d.Ok();
    EXPECT_EQ(f.config.DDETopicName, "Waage \xB5g");
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
}

// --- Resource texts ---------------------------------------------------------------------------

class LanguageGuard {
  public:
    explicit LanguageGuard(Language l) : saved_(CurrentLanguage()) { SetLanguage(l); }
    ~LanguageGuard() { SetLanguage(saved_); }

  private:
    Language saved_;
};

TEST(ResourceTextsTest, TaggedControlsGetTheTextsOfTheLanguage) {
    SetupApp();
    LanguageGuard german(Language::German);
    QWidget window;
    ui::SetTag(&window, 2201);
    auto* tagged = ui::Tag(new QLabel("x", &window), 2217);
    auto* plain = new QLabel("keep me", &window);
    plain->setProperty("tag", "abc");
    auto* menu = ui::Tag(new QMenu(&window), 2102);
    auto* action = ui::Tag(new QAction(menu), 2103);
    menu->addAction(action);
    ui::ApplyResourceTexts(&window);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8(Text(2201, Language::German)));
    EXPECT_EQ(tagged->text(), QString::fromUtf8(Text(2217, Language::German)));
    EXPECT_EQ(plain->text(), "keep me");
    EXPECT_EQ(menu->title(), "&Datei");
    EXPECT_EQ(action->text(), QString::fromUtf8(Text(2103, Language::German)));
}

TEST(ResourceTextsTest, SetupMenusFollowTheLanguage) {
    SetupApp();
    LanguageGuard japanese(Language::Japanese);
    Config config;
    MemorySettingsStore store;
    RecordingMessages messages;
    ui::SetupWindow w(config, store, messages);
    EXPECT_EQ(w.Menu("FilePullDown")->title(), QString::fromUtf8(Text(2102, Language::Japanese)));
    EXPECT_EQ(w.Action("RunTest")->text(), QString::fromUtf8(Text(2122, Language::Japanese)));
}

} // namespace
} // namespace pv::test

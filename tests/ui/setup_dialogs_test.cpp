// The setup side's dialogs: limits, key filters, change checks and what
// reaches the configuration on OK.
#include "ui/setup_test_support.h"

namespace pv::test {
namespace {

struct DialogFixture {
    Config config;
    MemorySettingsStore store;
    testing::RecordingMessages messages;
    DialogFixture() { EnsureApp(); }
    void ExpectRefused(const std::string& text, MsgIcon icon,
                       const std::string& title = "Invalid Input") {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, text);
        EXPECT_EQ(messages.shown[0].title, title);
        EXPECT_EQ(messages.shown[0].icon, icon);
        EXPECT_EQ(messages.beeps, 1);
    }
};

// --- PortSetup --------------------------------------------------------------------

TEST(PortSetupTest, AcceptsBufferSizesFrom128To131072) {
    struct Row {
        const char* rule;
        const char *input, *output;
        bool accepted;
        int32_t inputAfter;
    };
    // The input size is taken before the output size is refused.
    // clang-format off
    for (const Row& r : {Row{"InputTooSmall", "100", "1024", false, 4096}, Row{"InputAtLowerLimit", "128", "1024", true, 128},
                         Row{"OutputAtUpperLimit", "4096", "131072", true, 4096}, Row{"EmptyIsZero", "", "1024", false, 4096},
                         Row{"OutputTooSmallKeepsAcceptedInput", "2048", "127", false, 2048}}) {
        // clang-format on
        SCOPED_TRACE(r.rule);
        DialogFixture f;
        ui::PortSetupDialog d(f.config, f.store, f.messages);
        d.Fill();
        d.show();
        d.BuffSize()->setText(r.input);
        d.OutBuffSize()->setText(r.output);
        d.Ok();
        EXPECT_EQ(d.isVisible(), !r.accepted);
        EXPECT_EQ(f.config.InputBufferSize, r.inputAfter);
        if (!r.accepted)
            f.ExpectRefused("Buffer Size Must Be Between 128 and 131072", MsgIcon::Exclamation);
    }
}

TEST(PortSetupTest, OkStoresTheChoicesAndMarksOnlyAChangeCancelDropsThem) {
    DialogFixture f;
    ui::PortSetupDialog d(f.config, f.store, f.messages);
    d.Fill();
    d.Ok();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    d.BuffSize()->setText("999");
    d.Group("BaudFrame")->button(0)->setChecked(true);
    d.reject();
    d.Fill();
    EXPECT_EQ(d.BuffSize()->text(), "4096");
    EXPECT_EQ(d.Group("BaudFrame")->checkedId(), f.config.BaudRate);
    // clang-format off
    for (const auto& [group, id] : {std::pair{"BaudFrame", 11}, {"ParityFrame", 0}, {"DataBitsFrame", 3},
                                    {"StopBitsFrame", 2}, {"FlowCtrlFrame", 3}})
        // clang-format on
        d.Group(group)->button(id)->setChecked(true);
    d.PortList()->setCurrentRow(4);
    d.Ok();
    EXPECT_EQ(std::vector<int>({f.config.BaudRate, f.config.Parity, f.config.DataBits,
                                f.config.StopBits, f.config.FlowControl, f.config.CommPort}),
              std::vector<int>({11, 0, 3, 2, 3, 4}));
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

// --- Timed ----------------------------------------------------------------------------

TEST(TimedTest, AcceptsOneTo255Ticks) {
    for (const auto& [text, stored] : std::vector<std::pair<const char*, int16_t>>{
             {"0", 0}, {"1", 1}, {"255", 255}, {"256", 0}, {"99999999", 0}, {"", 0}}) {
        SCOPED_TRACE(text);
        DialogFixture f;
        f.config.RecordDelayTicks = 3;
        ui::TimedDialog d(f.config, f.messages);
        bool next = false;
        d.SetNextStep([&] { next = true; });
        d.Fill();
        d.show();
        d.ClockTicks()->setText(text);
        d.Ok();
        EXPECT_EQ(f.config.RecordDelayTicks, stored ? stored : 3);
        EXPECT_EQ(next, stored != 0);
        EXPECT_EQ(d.isVisible(), stored == 0);
        if (!stored)
            f.ExpectRefused("Time between records must range between 1 and 255", MsgIcon::None);
    }
}

// --- DDE topic, DDEParms, AppSelect, date/time format ------------------------------------

TEST(DdeTopicTest, SpecifiedTopicIsTrimmedUnchangedIsNoChangePortNameEmptiesIt) {
    DialogFixture f;
    ui::DdeTopicDialog d(f.config, f.messages);
    d.Fill();
    EXPECT_TRUE(d.UsePortName()->isChecked());
    d.Specify()->setChecked(true);
    EXPECT_TRUE(d.TopicText()->isEnabled());
    d.TopicText()->setText(ui::FromBytes("  Waage \xB5g ")); // a Latin-1 byte survives
    d.Ok();
    EXPECT_EQ(f.config.DDETopicName, "Waage \xB5g");
    f.config.ConfigChanged = False;
    d.Fill();
    d.Ok();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    d.UsePortName()->setChecked(true);
    d.Ok();
    EXPECT_EQ(f.config.DDETopicName, "");
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
}

TEST(AppSelectTest, StoresTrimmedTargetWhetherOneIsNamedAndBrowseQuotesBlanks) {
    struct Row {
        const char *title, *command, *delay, *storedTitle;
        bool specified;
        int32_t storedDelay;
    };
    for (const Row& r :
         {Row{"  Notes ", "", "5", "Notes", true, 5}, Row{"", "gedit", "0", "", true, 0},
          Row{"   ", "", "7x", "", false, 7}, Row{"", "", "", "", false, 0}}) {
        SCOPED_TRACE(std::string(r.title) + "|" + r.command + "|" + r.delay);
        DialogFixture f;
        ui::AppSelectDialog d(f.config, f.messages);
        d.Fill();
        d.AppName()->setText(r.title);
        d.AppCmd()->setText(r.command);
        d.Delay()->setText(r.delay);
        d.Ok();
        EXPECT_EQ(f.config.KeyTargetTitle, r.storedTitle);
        EXPECT_EQ(IsSet(f.config.KeyTargetSpecified), r.specified);
        EXPECT_EQ(f.config.InterCharDelay, r.storedDelay);
        EXPECT_TRUE(IsSet(f.config.ConfigChanged));
    }
    DialogFixture g; // unchanged is no change; the delay takes digits only
    ui::AppSelectDialog d(g.config, g.messages);
    d.Fill();
    d.Ok();
    EXPECT_FALSE(IsSet(g.config.ConfigChanged));
    d.show();
    QTest::keyClicks(d.Delay(), "2a-");
    EXPECT_EQ(d.Delay()->text(), "12");
    EXPECT_EQ(g.messages.beeps, 2);
    d.SetProgramChooser([](QWidget*) { return QStringLiteral("/opt/my tools/scale"); });
    d.Browse();
    EXPECT_EQ(d.AppCmd()->text(), "\"/opt/my tools/scale\"");
}

} // namespace
} // namespace pv::test

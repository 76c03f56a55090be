// The output string editor and what the running window makes of its strings.
#include "ui/setup_test_support.h"

namespace pv::test {
namespace {

struct Editor {
    Config config;
    testing::RecordingMessages messages;
    ui::SendStringDialog dialog{config, messages};
    Editor() {
        dialog.Fill();
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        // The chart picks its selected row at once.
        dialog.SetDialogRunner([](QDialog* d) {
            static_cast<ui::AsciiChartDialog*>(d)->Ok();
            return 1;
        });
    }
    void Pick(int code) {
        dialog.Chart()->List()->setCurrentItem(dialog.Chart()->List()->topLevelItem(code));
        dialog.InsertFromChart();
    }
};

TEST(SendStringDialog, StringsAreStoredAsTyped) {
    EnsureApp();
    Editor e;
    e.dialog.StringText()->setFocus();
    QTest::keyClicks(e.dialog.StringText(), "A");
    QTest::keyClick(e.dialog.StringText(), Qt::Key_Return);
    e.Pick(0);
    EXPECT_EQ(e.config.OutputStringText[1], std::string("A\r\n\0", 4));
    EXPECT_TRUE(IsSet(e.config.ConfigChanged));
    // The chart goes into the raw field that last had the focus.
    e.dialog.AckString()->setFocus();
    e.dialog.Interval()->setFocus();
    e.config.ConfigChanged = False;
    e.Pick(6);
    EXPECT_EQ(e.config.AckString, "\x06");
    EXPECT_TRUE(IsSet(e.config.ConfigChanged)) << "a picked character alone asks to save";
}

TEST(SendStringDialog, IntervalAndTimerFlagsWaitForOk) {
    EnsureApp();
    struct Row {
        const char *Name, *Typed;
        int Action, On, Interval, Flags; // Flags -1: refused, nothing stored
    };
    const Row rows[] = {
        {"limit_is_accepted", "99999999", 0, true, 99999999, 1 + 2},
        {"above_limit_is_refused_with_4016", "100000000", 1, true, 5, -1},
        {"letters_are_dropped_and_leading_zeros_go", "0a07", 1, false, 7, 4},
        {"empty_is_zero", "", 2, true, 0, 1 + 8},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Name);
        Editor e;
        e.config.TimerInterval = 5;
        e.dialog.Fill();
        e.dialog.Interval()->clear();
        QTest::keyClicks(e.dialog.Interval(), r.Typed);
        e.dialog.Action(r.Action)->click();
        e.dialog.TimerOn()->setChecked(r.On);
        e.dialog.Done();
        EXPECT_EQ(e.config.TimerInterval, r.Interval);
        EXPECT_EQ(e.config.TimerFlags, r.Flags < 0 ? 0 : r.Flags);
        EXPECT_EQ(e.dialog.isVisible(), r.Flags < 0);
        EXPECT_EQ(e.messages.shown.size() == 1 && e.messages.shown[0].text == Text(4016),
                  r.Flags < 0);
        EXPECT_EQ(e.dialog.TimerString()->isVisibleTo(&e.dialog), r.Action == 0);
    }
}

} // namespace
} // namespace pv::test

// Row and column rules of the running window's layout.
#include <gtest/gtest.h>

#include "ui/running_layout.h"

namespace pv {
namespace {

Config WithFieldsAndButtons(int fields, int buttons, int16_t lineButtons = 0) {
    Config c;
    c.FieldCount = static_cast<int16_t>(fields);
    for (int n = 1; n <= buttons; ++n)
        c.OutputStringText[n] = "S" + std::to_string(n);
    c.WindowButtons = lineButtons;
    return c;
}

TEST(RunningLayout, FieldsFillColumnsByTheRowRule) {
    struct Row {
        const char* rule;
        int fields, buttons, rowsPerColumn, columns, rowsInUse;
    };
    // clang-format off
    for (const Row& r : {Row{"SevenFieldsNoButtonsSplitFourAndThree", 7, 0, 4, 2, 4},
                         Row{"SevenFieldsFiveButtonsUseFiveRows", 7, 5, 5, 2, 5},
                         Row{"OneFieldThreeButtonsStaysInOneColumn", 1, 3, 1, 1, 1},
                         Row{"TwoFieldsSitSideBySide", 2, 0, 1, 2, 1},
                         Row{"FortyFieldsTwoColumnsOfTwenty", 40, 0, 20, 2, 20},
                         Row{"FewerFieldsThanButtonsOneColumn", 20, 20, 20, 1, 20},
                         Row{"FieldCountAboveFortyIsClamped", 99, 0, 20, 2, 20}}) {
        // clang-format on
        SCOPED_TRACE(r.rule);
        RunningLayout l = ComputeRunningLayout(WithFieldsAndButtons(r.fields, r.buttons));
        EXPECT_EQ(l.RowsPerColumn, r.rowsPerColumn);
        EXPECT_EQ(l.Columns, r.columns);
        EXPECT_EQ(l.RowsInUse, r.rowsInUse);
        EXPECT_EQ(l.ShownStringButtons, r.buttons);
        EXPECT_EQ(l.RowOf(l.FieldCount),
                  l.Columns == 1 ? l.FieldCount : l.FieldCount - l.RowsPerColumn);
    }
}

TEST(RunningLayout, EmptyStringsGetNoButtonAndTheRestCloseUp) {
    Config c;
    c.OutputStringCaption[2] = "Tare";
    c.OutputStringText[2] = "T\r";
    c.OutputStringCaption[3] = "Unused"; // caption without text: no button
    c.OutputStringText[5] = "P\r";
    RunningLayout l = ComputeRunningLayout(c);
    EXPECT_EQ(l.ShownStringButtons, 2);
    EXPECT_FALSE(l.StringButton[1].Visible);
    EXPECT_FALSE(l.StringButton[3].Visible);
    EXPECT_TRUE(l.StringButton[2].Visible);
    EXPECT_EQ(l.StringButton[2].Top, 90 + 270);
    EXPECT_EQ(l.StringButton[5].Top, 90 + 270 * 2);
}

TEST(RunningLayout, LineButtonsShowByTheirBitsAndNoneNarrowsTheWindow) {
    for (int16_t bits : {0, 1, 2, 3}) {
        SCOPED_TRACE(bits);
        RunningLayout l = ComputeRunningLayout(WithFieldsAndButtons(3, 0, bits));
        EXPECT_EQ(l.DtrButton.Visible, (bits & 1) != 0);
        EXPECT_EQ(l.BreakButton.Visible, (bits & 2) != 0);
        EXPECT_EQ(l.Narrow, bits == 0);
        const int shift = bits == 0 ? 1335 : 0; // the boxes move left with the window's edge
        EXPECT_EQ(l.Field[1].Left, 1725 - shift);
        EXPECT_EQ(l.WindowWidth, 7495 - shift);
    }
}

} // namespace
} // namespace pv

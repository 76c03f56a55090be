#include "ui/running_layout.h"

#include <algorithm>

namespace pv {

namespace {

// Designed sizes of the controls whose size the rules leave open.
constexpr int kButtonLeft = 60;
constexpr int kDtrWidth = 1335; // one line button alone spans the column
constexpr int kHalfButtonWidth = 645;
constexpr int kBreakLeftBoth = 705;
constexpr int kButtonHeight = 255;
constexpr int kBoxHeight = 255;
constexpr int kLabelHeight = 195;
constexpr int kFieldWideWidth = 5420;
constexpr int kFieldNarrowWidth = 2540;
constexpr int kSecondColumnOffset = 2880;
constexpr int kWindowWidth = 7495;
constexpr int kNonClientHeight = 750; // title bar, menu bar, borders
constexpr int kNonClientWidth = 120;

TwipRect Rect(int left, int top, int width, int height) {
    return TwipRect{left, top, width, height, true};
}

} // namespace

int RunningLayout::ColumnOf(int n) const {
    return (Columns == 2 && n > RowsPerColumn) ? 1 : 0;
}

int RunningLayout::RowOf(int n) const {
    return ColumnOf(n) == 1 ? n - RowsPerColumn : n;
}

RunningLayout ComputeRunningLayout(const Config& c) {
    RunningLayout l;
    l.FieldCount = std::clamp<int>(c.FieldCount, 1, kMaxFields);

    bool dtr = (c.WindowButtons & 1) != 0;
    bool brk = (c.WindowButtons & 2) != 0;
    if (dtr && brk) {
        l.DtrButton = Rect(kButtonLeft, 90, kHalfButtonWidth, kButtonHeight);
        l.BreakButton = Rect(kBreakLeftBoth, 90, kHalfButtonWidth, kButtonHeight);
    } else if (dtr) {
        l.DtrButton = Rect(kButtonLeft, 90, kDtrWidth, kButtonHeight);
    } else if (brk) {
        l.BreakButton = Rect(kButtonLeft, 90, kDtrWidth, kButtonHeight);
    }

    for (int n = 1; n <= kOutputStrings; ++n) {
        if (c.OutputStringText[n].empty()) continue;
        ++l.ShownStringButtons;
        l.StringButton[n] =
            Rect(kButtonLeft, 90 + kRowTwips * l.ShownStringButtons, kDtrWidth, kButtonHeight);
    }

    l.Narrow = l.ShownStringButtons == 0 && !dtr && !brk;
    int shift = l.Narrow ? kDtrWidth : 0;

    // Rows per column: half the fields, but at least as many as buttons.
    int rows = std::max((l.FieldCount + 1) / 2, l.ShownStringButtons);
    if (l.FieldCount < l.ShownStringButtons + 1) rows = std::min(l.FieldCount, 20);
    l.RowsPerColumn = std::max(rows, 1);
    l.Columns = l.FieldCount > l.RowsPerColumn ? 2 : 1;
    l.RowsInUse = l.Columns == 2 ? l.RowsPerColumn : l.FieldCount;

    l.Label1 = Rect(1440 - shift, 90, 1400, kBoxHeight);
    l.Label2 = Rect(2895 - shift, 90, 690, kBoxHeight);
    l.RecordNumber = Rect(3600 - shift, 90, 855, kBoxHeight);
    l.DateLabel = Rect(4530 - shift, 90, 810, kBoxHeight);
    l.DateTime = Rect(5355 - shift, 90, 1980, kBoxHeight);
    l.DateLabel.Visible = l.DateTime.Visible = IsSet(c.ShowDateTime);

    int fieldWidth = l.Columns == 2 ? kFieldNarrowWidth : kFieldWideWidth;
    for (int n = 1; n <= l.FieldCount; ++n) {
        int row = l.RowOf(n);
        int dx = l.ColumnOf(n) * kSecondColumnOffset - shift;
        int labelTop = 180 + kRowTwips * row;
        int labelLeft = 1530 + dx - (n >= 10 ? 90 : 0);
        l.FieldLabel[n] = Rect(labelLeft, labelTop - 45, 1725 + dx - labelLeft - 30, kLabelHeight);
        l.Field[n] = Rect(1725 + dx, labelTop - 90, fieldWidth, kBoxHeight);
    }

    l.WindowWidth = kWindowWidth - shift;
    l.WindowHeight = kRowTwips * l.RowsInUse + 1200;
    int stackHeight = kRowTwips * l.ShownStringButtons + 1200;
    l.WindowHeight = std::max(l.WindowHeight, stackHeight);
    l.ClientWidth = l.WindowWidth - kNonClientWidth;
    l.ClientHeight = l.WindowHeight - kNonClientHeight;
    return l;
}

} // namespace pv

#pragma once
// Where every control of the running window goes, in twips (1/1440 inch),
// computed from the configuration alone so the row rules are testable
// without a display. The window converts to pixels at the screen's DPI.
#include <array>

#include "config/config.h"

namespace pv {

struct TwipRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Visible = false;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
};

/// Twips per row of fields and of output string buttons.
constexpr int kRowTwips = 270;

struct RunningLayout {
    TwipRect DtrButton, BreakButton;
    std::array<TwipRect, kOutputStrings + 1> StringButton{}; // 1..20
    int ShownStringButtons = 0;

    TwipRect Label1, Label2, RecordNumber, DateLabel, DateTime;
    std::array<TwipRect, kFieldSlots> FieldLabel{}; // 1..FieldCount
    std::array<TwipRect, kFieldSlots> Field{};      // 1..FieldCount
    int FieldCount = 1;

    int Columns = 1;
    int RowsPerColumn = 1;
    int RowsInUse = 1;
    /// Everything moved left by the DTR button's width (no buttons at all).
    bool Narrow = false;

    /// The designed outer size of the window (title bar, menu and borders
    /// included, as the row rule counts it).
    int WindowWidth = 0;
    int WindowHeight = 0;
    /// The area the controls need, below the menu bar.
    int ClientWidth = 0;
    int ClientHeight = 0;

    /// Row (1-based) and column (0 or 1) of field n.
    int RowOf(int n) const;
    int ColumnOf(int n) const;
};

RunningLayout ComputeRunningLayout(const Config& config);

} // namespace pv

// The key rules of raw text fields: what a key does to the raw string, the
// field's text, the private clipboard, and whether the box may act on it.
#include <gtest/gtest.h>

#include "strings/raw_field.h"

using namespace std::string_literals;

namespace pv {
namespace {

constexpr int kNone = -1; // the key types no character
constexpr int S = kRawShift, C = kRawCtrl, A = kRawAlt;

struct KeyRow {
    const char* rule;
    std::string start;
    size_t selStart, selLength;
    std::string scratch;
    int key, modifiers, typed;
    std::string raw; // afterwards
    std::string box; // what the field shows (UTF-8)
    std::string scratchAfter;
    bool reachesBox; // false: consumed or discarded
    size_t caret;
    bool beep = false;
};

const KeyRow kRows[] = {
    {"TypingAIntoAnEmptyField", "", 0, 0, "", 'A', S, 'A', "A", "A", "", true, 1},
    {"EnterAppendsCrLf", "A", 1, 0, "", kRawEnter, 0, 13, "A\r\n", "A\u240d\u240a", "", false, 3},
    {"EnterReplacesTheSelection", "ABCD", 1, 2, "", kRawEnter, S, 13, "A\r\nD", "A\u240d\u240aD",
     "", false, 3},
    {"CtrlDeleteDropsEverythingFromTheCaret", "ABCDEF", 3, 0, "", kRawDelete, C, kNone, "ABC",
     "ABC", "", true, 3},
    {"CtrlDeleteWithASelectionDeletesIt", "ABCDEF", 1, 2, "", kRawDelete, C, kNone, "ADEF", "ADEF",
     "", true, 1},
    {"DeleteRemovesTheCharacterAfterTheCaret", "ABC", 1, 0, "", kRawDelete, 0, kNone, "AC", "AC",
     "", true, 1},
    {"DeleteAtTheEndKeepsTheString", "AB", 2, 0, "", kRawDelete, 0, kNone, "AB", "AB", "", true, 2},
    {"DeleteRemovesTheSelection", "ABCD", 1, 2, "", kRawDelete, 0, kNone, "AD", "AD", "", true, 1},
    {"CtrlShiftDeleteIsAPlainDelete", "ABC", 1, 0, "", kRawDelete, S | C, kNone, "AC", "AC", "",
     true, 1},
    {"ShiftDeleteCutsANulIntoThePrivateClipboard", "A\0B"s, 1, 1, "", kRawDelete, S, kNone, "AB",
     "AB", "\0"s, false, 1, true},
    {"ShiftDeleteWithoutSelectionRemovesTheCharacterBefore", "ABC", 2, 0, "x", kRawDelete, S, kNone,
     "AC", "AC", "x", true, 1, true},
    {"ShiftDeleteAtTheStartDoesNothing", "ABC", 0, 0, "", kRawDelete, S, kNone, "ABC", "ABC", "",
     true, 0},
    {"ShiftInsertPastesANulShownAsItsPicture", "AB", 1, 0, "\0"s, kRawInsert, S, kNone, "A\0B"s,
     "A\u2400B", "\0"s, false, 2},
    {"ShiftInsertReplacesTheSelection", "ABCD", 1, 2, "xy", kRawInsert, S, kNone, "AxyD", "AxyD",
     "xy", false, 3},
    {"CtrlInsertCopiesTheSelection", "A\tBC", 1, 2, "", kRawInsert, C, kNone, "A\tBC", "A\u2409BC",
     "\tB", false, 1},
    {"AltBackspaceIsSwallowed", "AB", 2, 0, "", kRawBackspace, A, 8, "AB", "AB", "", false, 2},
    {"BackspaceRemovesTheCharacterBefore", "AB", 2, 0, "", kRawBackspace, 0, 8, "A", "A", "", true,
     1},
    {"BackspaceAtTheStartKeepsTheString", "AB", 0, 0, "", kRawBackspace, 0, 8, "AB", "AB", "", true,
     0},
    {"BackspaceRemovesTheSelection", "ABCD", 1, 2, "", kRawBackspace, 0, 8, "AD", "AD", "", true,
     1},
    {"TypedCharacterReplacesTheSelection", "ABCD", 1, 2, "", 'X', 0, 'x', "AxD", "AxD", "", true,
     2},
    {"CtrlVDoesNothing", "AB", 1, 0, "zz", 'V', C, 22, "AB", "AB", "zz", false, 1},
    {"CtrlCLeavesThePrivateClipboard", "AB", 0, 2, "zz", 'C', C, 3, "AB", "AB", "zz", false, 0},
    {"EscapeIsDiscarded", "AB", 1, 0, "", 27, 0, 27, "AB", "AB", "", false, 1},
    {"Latin1CharacterIsStoredAsOneByte", "", 0, 0, "", 0, 0, 0xE9, "\xE9", "\u00e9", "", true, 1},
    {"DelIsShownAsItsPicture", "\x7F", 1, 0, "", 'Z', S, 'Z', "\x7FZ", "\u2421Z", "", true, 2},
};

TEST(RawFieldKeys, FollowTheRules) {
    for (const KeyRow& r : kRows) {
        SCOPED_TRACE(r.rule);
        std::string scratch = r.scratch;
        RawField field(scratch);
        field.Load(r.start);
        field.Select(r.selStart, r.selLength);
        bool reaches = !field.KeyDown(r.key, r.modifiers);
        if (reaches && r.typed != kNone) reaches = field.KeyPress(r.typed);
        EXPECT_EQ(field.Raw(), r.raw);
        EXPECT_EQ(GlyphForm(field.Raw()), r.box);
        EXPECT_EQ(scratch, r.scratchAfter);
        EXPECT_EQ(reaches, r.reachesBox);
        EXPECT_EQ(field.SelStart(), r.caret);
        // A key that changes nothing keeps the selection.
        const bool idle = r.raw == r.start && !r.reachesBox;
        EXPECT_EQ(field.SelLength(), idle ? r.selLength : 0u);
        EXPECT_EQ(field.TakeBeep(), r.beep);
    }
}

TEST(RawFieldKeys, PickedTextReplacesTheSelectionAndNulShowsAs255InPlainText) {
    std::string scratch;
    RawField field(scratch);
    field.Load("ABCD");
    field.Select(1, 2);
    field.Insert(std::string(1, '\0'));
    EXPECT_EQ(field.Raw(), "A\0D"s);
    EXPECT_EQ(DisplayForm(field.Raw()), "A\xFF"
                                        "D");
    field.Insert("");
    EXPECT_EQ(field.Raw(), "A\0D"s);
    field.Select(9, 9); // beyond the end: clamped
    field.Insert("\r\n");
    EXPECT_EQ(field.Raw(), "A\0D\r\n"s);
}

} // namespace
} // namespace pv

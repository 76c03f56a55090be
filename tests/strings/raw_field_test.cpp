// The key rules of raw text fields: what a key does to the raw string, the
// field's text, the private clipboard, and whether the box may act on it.
// Strings mark the caret with | and a selection with [ ].
#include <gtest/gtest.h>

#include "strings/raw_field.h"

using namespace std::string_literals;

namespace pv {
namespace {

constexpr int S = kRawShift, C = kRawCtrl, A = kRawAlt;
constexpr int Del = kRawDelete, Ins = kRawInsert, Bs = kRawBackspace, Ent = kRawEnter, No = -1;

struct KeyRow {
    const char* rule;
    std::string start, scratch;
    int key, modifiers, typed; // typed: the character code the key types
    std::string after, box, scratchAfter;
    bool reachesBox, beep;
};

const KeyRow kRows[] = {
    {"TypingA", "|", "", 'A', S, 'A', "A|", "A", "", true, false},
    {"EnterAppendsCrLf", "A|", "", Ent, 0, 13, "A\r\n|", "A\u240d\u240a", "", false, false},
    {"EnterOverSelection", "A[BC]D", "", Ent, S, 13, "A\r\n|D", "A\u240d\u240aD", "", false, false},
    {"CtrlDeleteDropsTheTail", "ABC|DEF", "", Del, C, No, "ABC|", "ABC", "", true, false},
    {"CtrlDeleteOfASelection", "A[BC]DEF", "", Del, C, No, "A|DEF", "ADEF", "", true, false},
    {"DeleteNextCharacter", "A|BC", "", Del, 0, No, "A|C", "AC", "", true, false},
    {"DeleteAtTheEnd", "AB|", "", Del, 0, No, "AB|", "AB", "", true, false},
    {"DeleteSelection", "A[BC]D", "", Del, 0, No, "A|D", "AD", "", true, false},
    {"CtrlShiftDeleteIsPlain", "A|BC", "", Del, S | C, No, "A|C", "AC", "", true, false},
    {"ShiftDeleteCutsANul", "A[\0]B"s, "", Del, S, No, "A|B", "AB", "\0"s, false, true},
    {"ShiftDeleteTakesTheOneBefore", "AB|C", "x", Del, S, No, "A|C", "AC", "x", true, true},
    {"ShiftDeleteAtTheStart", "|ABC", "", Del, S, No, "|ABC", "ABC", "", true, false},
    {"ShiftInsertPastesNul", "A|B", "\0"s, Ins, S, No, "A\0|B"s, "A\u2400B", "\0"s, false, false},
    {"ShiftInsertOverSelection", "A[BC]D", "xy", Ins, S, No, "Axy|D", "AxyD", "xy", false, false},
    {"CtrlInsertCopies", "A[\tB]C", "", Ins, C, No, "A[\tB]C", "A\u2409BC", "\tB", false, false},
    {"AltBackspaceSwallowed", "AB|", "", Bs, A, 8, "AB|", "AB", "", false, false},
    {"Backspace", "AB|", "", Bs, 0, 8, "A|", "A", "", true, false},
    {"BackspaceAtTheStart", "|AB", "", Bs, 0, 8, "|AB", "AB", "", true, false},
    {"BackspaceSelection", "A[BC]D", "", Bs, 0, 8, "A|D", "AD", "", true, false},
    {"TypedOverSelection", "A[BC]D", "", 'X', 0, 'x', "Ax|D", "AxD", "", true, false},
    {"CtrlVDoesNothing", "A|B", "zz", 'V', C, 22, "A|B", "AB", "zz", false, false},
    {"CtrlCDoesNothing", "[AB]", "zz", 'C', C, 3, "[AB]", "AB", "zz", false, false},
    {"EscapeIsDiscarded", "A|B", "", 27, 0, 27, "A|B", "AB", "", false, false},
    {"Latin1IsOneByte", "|", "", 0, 0, 0xE9, "\xE9|", "\u00e9", "", true, false},
    {"DelShowsPicture", "\x7F|", "", 'Z', S, 'Z', "\x7FZ|", "\u2421Z", "", true, false},
};

// The string without its marks, and the caret and selection they give.
struct Marked {
    std::string text;
    size_t start = 0, length = 0;
};
Marked Parse(const std::string& s) {
    Marked m;
    for (const char c : s) {
        if (c == '|' || c == '[')
            m.start = m.text.size();
        else if (c == ']')
            m.length = m.text.size() - m.start;
        else
            m.text += c;
    }
    return m;
}

TEST(RawFieldKeys, FollowTheRules) {
    for (const KeyRow& r : kRows) {
        SCOPED_TRACE(r.rule);
        std::string scratch = r.scratch;
        RawField field(scratch);
        const Marked start = Parse(r.start), after = Parse(r.after);
        field.Load(start.text);
        field.Select(start.start, start.length);
        bool reaches = !field.KeyDown(r.key, r.modifiers);
        if (reaches && r.typed != No) reaches = field.KeyPress(r.typed);
        EXPECT_EQ(field.Raw(), after.text);
        EXPECT_EQ(field.SelStart(), after.start);
        EXPECT_EQ(field.SelLength(), after.length);
        EXPECT_EQ(GlyphForm(field.Raw()), r.box);
        EXPECT_EQ(scratch, r.scratchAfter);
        EXPECT_EQ(reaches, r.reachesBox);
        EXPECT_EQ(field.TakeBeep(), r.beep);
    }
}

TEST(RawFieldKeys, PickedTextReplacesTheSelectionAndNulShowsAs255InPlainText) {
    std::string scratch;
    RawField field(scratch);
    field.Load("ABCD");
    field.Select(1, 2);
    field.Insert("\0"s);
    EXPECT_EQ(field.Raw(), "A\0D"s);
    EXPECT_EQ(DisplayForm(field.Raw()), "A\xFF"
                                        "D");
    field.Insert("");
    field.Select(9, 9); // beyond the end: clamped
    field.Insert("\r\n");
    EXPECT_EQ(field.Raw(), "A\0D\r\n"s);
}

} // namespace
} // namespace pv

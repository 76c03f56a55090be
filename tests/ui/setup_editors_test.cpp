// The raw text field widget, the character chart, the key pickers and the
// translation table editor.
#include "ui/setup_test_support.h"

using namespace std::string_literals;

namespace pv::test {
namespace {

// --- Raw text field widget ---------------------------------------------------------

TEST(RawTextEdit, KeysGoThroughTheRulesAndOtherEditsAreBlocked) {
    EnsureApp();
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        std::string raw; // the box shows its glyph form
    };
    ui::RawClipboard() = "zz";
    ui::RawTextEdit edit;
    for (const Step& s :
         {Step{Qt::Key_A, Qt::ShiftModifier, "A", "A"}, Step{Qt::Key_Return, {}, "\r", "A\r\n"},
          Step{Qt::Key_V, Qt::ControlModifier, "\x16", "A\r\n"},
          Step{Qt::Key_Left, Qt::ShiftModifier, "", "A\r\n"},
          Step{Qt::Key_Delete, Qt::ShiftModifier, "", "A\r"}, Step{Qt::Key_Home, {}, "", "A\r"},
          Step{Qt::Key_Insert, Qt::ShiftModifier, "", "\nA\r"},
          Step{Qt::Key_Backspace, {}, "\b", "A\r"}, Step{Qt::Key_X, Qt::AltModifier, "x", "A\r"}}) {
        SCOPED_TRACE(::testing::Message() << "key " << std::hex << s.key);
        QKeyEvent press(QEvent::KeyPress, s.key, s.modifiers, QString::fromLatin1(s.text));
        QApplication::sendEvent(&edit, &press);
        EXPECT_EQ(edit.Raw(), s.raw);
    }
    edit.setSelection(1, 1);
    edit.InsertPicked("\0"s);
    EXPECT_EQ(edit.Raw(), "A\0"s);
    EXPECT_EQ(edit.text(), QString::fromUtf8("A\u2400"));
    EXPECT_FALSE(edit.acceptDrops());
    EXPECT_EQ(edit.contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
}

// --- Character chart ------------------------------------------------------------------

TEST(AsciiChart, PicksACodeOrANamedEntryAndCancelPicksNothing) {
    EnsureApp();
    struct Row {
        const char* rule;
        std::vector<std::string> names;
        int row; // -1: search instead
        const char* search;
        bool ok;
        std::string picked;
    };
    const Row rows[] = {
        {"RowZeroIsOneNul", {}, 0, "", true, "\0"s},
        {"RowTwoWithTwoNamesIsNul", {" Ignore", " Void Record"}, 2, "", true, "\0"s},
        {"RowZeroWithNamesIsTheName", {" Ignore", " Void Record"}, 0, "", true, " Ignore"},
        {"CancelPicksNothing", {}, 65, "", false, ""},
        {"SearchByCode", {}, -1, "65", true, "A"},
        {"SearchByControlName", {" Ignore", " Void Record"}, -1, "cr", true, "\r"},
        {"UnknownSearchKeepsTheRow", {}, -1, "zz", true, "\0"s},
    };
    ui::AsciiChartDialog chart;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        chart.SetNamedEntries(r.names);
        EXPECT_EQ(chart.List()->topLevelItemCount(), 256 + int(r.names.size()));
        if (r.row >= 0) chart.List()->setCurrentItem(chart.List()->topLevelItem(r.row));
        chart.Search()->setText(r.search);
        r.ok ? chart.Ok() : chart.reject();
        EXPECT_EQ(chart.Picked(), r.picked);
    }
}

// --- Key pickers -------------------------------------------------------------------------

void Choose(ui::KeyPickDialog& d, const QString& name, int modifiers) {
    const auto found = d.KeyList()->findItems(name, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << name.toStdString();
    d.KeyList()->setCurrentItem(found.front());
    d.Shift()->setChecked(modifiers & 1);
    d.Ctrl()->setChecked(modifiers & 2);
    d.Alt()->setChecked(modifiers & 4);
}

TEST(KeyPickers, BuildTheMacroOrHotKeyOfTheKeyAndItsModifiers) {
    EnsureApp();
    struct Row {
        const char* name;
        int modifiers;
        std::string macro;
    };
    const Row rows[] = {
        {"F5", 3, "+^{F5}"},  {"a", 4, "%a"},    {"SPACE", 0, "{ }"},
        {"SPACE", 2, "^{ }"}, {"+", 0, "{+}"},   {"{", 1, "+{{}"},
        {"(", 0, "{(}"},      {"NUL", 7, "NUL"}, {"ENTER", 7, "+^%{ENTER}"},
        {"\xE9", 2, "\xE9"},  {"~", 4, "%{~}"},  {"Z", 0, "Z"},
    };
    ui::GetAKeyDialog d;
    EXPECT_EQ(d.KeyList()->currentRow(), 0);
    EXPECT_EQ(d.KeyList()->item(0)->text(), "NUL");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Choose(d, ui::FromBytes(r.name), r.modifiers);
        d.Ok();
        EXPECT_EQ(d.Picked(), r.macro);
        EXPECT_FALSE(d.Shift()->isChecked() || d.Ctrl()->isChecked() || d.Alt()->isChecked());
    }
    Choose(d, "F1", 1);
    d.reject();
    EXPECT_EQ(d.Picked(), "");
    EXPECT_FALSE(d.Shift()->isChecked());

    ui::GetAKey2Dialog hot; // the hot key picker: code and key text
    EXPECT_EQ(hot.KeyList()->count(), 100);
    for (const auto& [name, modifiers, text, code] :
         std::vector<std::tuple<QString, int, std::string, int>>{
             {"F1", 6, "CTRL+ALT+F1", 6 * 256 + 112}, {"None", 1, "SHIFT+None", 256}}) {
        Choose(hot, name, modifiers);
        hot.Ok();
        EXPECT_EQ(hot.Picked(), text);
        EXPECT_EQ(hot.PickedCode(), code);
    }
}

// --- Translation table editor ---------------------------------------------------------------

// Answers the picker the editor opens: a keystroke or a chart row.
struct Editor {
    Config config;
    ui::TranslationDialog dialog{config};
    QString pick; // list entry of GetAKey, or a chart search
    int modifiers = 0;
    bool cancel = false;
    Editor() {
        BuildStartupTables(config);
        dialog.SetDialogRunner([this](QDialog* d) {
            if (auto* keys = qobject_cast<ui::GetAKeyDialog*>(d)) {
                Choose(*keys, pick, modifiers);
                cancel ? keys->reject() : keys->Ok();
            } else if (auto* chart = qobject_cast<ui::AsciiChartDialog*>(d)) {
                chart->Search()->setText(pick);
                cancel ? chart->reject() : chart->Ok();
            }
            return d->result();
        });
    }
    QString Edit(TranslationKind kind, int code) {
        dialog.Fill(kind, "t");
        dialog.List()->setCurrentItem(dialog.List()->topLevelItem(code));
        dialog.Translate();
        return dialog.List()->topLevelItem(code)->text(3);
    }
};

TEST(TransTbl, AnEditLandsInTheTableOfItsKindAtItsCode) {
    EnsureApp();
    using K = TranslationKind;
    struct Row {
        const char* rule;
        OutputModes mode;
        K kind;
        int code;
        const char* pick;
        int modifiers;
        std::string stored;
        const char* line;
    };
    // clang-format off
    for (const Row& r : {Row{"KeystrokeMacro", SendKeystrokes, K::Keystrokes, 65, "F2", 2, "^{F2}", "^{F2}"},
                         Row{"LogTable", LogToDisk, K::Characters, 65, "B", 0, "B", "ASCII 66"},
                         Row{"DdeTableInDdeMode", DdeServer, K::Characters, 13, "32", 0, " ", "ASCII 32"},
                         Row{"PreInputKeywordLosesItsBlank", LogToDisk, K::PreInput, 10, "", 0, "Ignore", "Ignore"},
                         Row{"PreInputNul", LogToDisk, K::PreInput, 7, "nul", 0, "\0"s, "ASCII 0"}}) {
        // clang-format on
        SCOPED_TRACE(r.rule);
        Editor e;
        e.config.OutputMode = r.mode;
        e.pick = r.pick;
        e.modifiers = r.modifiers;
        EXPECT_EQ(e.Edit(r.kind, r.code), r.line);
        EXPECT_TRUE(IsSet(e.config.ConfigChanged));
        Config before;
        before.OutputMode = r.mode;
        for (int c = 0; c < 256; ++c)
            EXPECT_EQ(TranslationOf(e.config, r.kind, c),
                      c == r.code ? r.stored : TranslationOf(before, r.kind, c))
                << c;
    }
}

TEST(TransTbl, CancelChangesNothingAndResetAllRestoresTheDefaults) {
    EnsureApp();
    Editor e;
    e.cancel = true;
    e.pick = "B";
    e.config.OutputMode = LogToDisk;
    EXPECT_EQ(e.Edit(TranslationKind::Characters, 65), "ASCII 65");
    EXPECT_FALSE(IsSet(e.config.ConfigChanged));
    e.config.PreInputTable[66] = "Void Record";
    e.config.LogTranslation[1] = 'x';
    e.dialog.Fill(TranslationKind::PreInput, "t");
    EXPECT_EQ(e.dialog.List()->topLevelItem(66)->text(3), "Void Record");
    e.dialog.ResetAll();
    EXPECT_EQ(e.config.PreInputTable, DefaultPreInputTable());
    EXPECT_EQ(e.config.LogTranslation[1], 'x'); // another table
    EXPECT_EQ(e.dialog.List()->topLevelItem(66)->text(3), "ASCII 66");
    EXPECT_EQ(e.dialog.List()->topLevelItem(13)->text(2), "CR");
    EXPECT_TRUE(IsSet(e.config.ConfigChanged));
}

} // namespace
} // namespace pv::test

// Pictures of the record structure walk and of the field editor with its
// preview (English), drawn like the other setup dialogs.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>

#include "framing.h"
#include "ui/field_editor_dialog.h"
#include "ui/record_walk_dialogs.h"
#include "ui/setup_test_support.h"
#include "ui/timed_dialog.h"

namespace pv::test {
namespace {

// The simulated balance as the quick start sets it up.
void Balance(Config& c) {
    c.OutputMode = LogToDisk;
    c.StartOfRecordEvent = StartOnAlphaNumeric;
    c.RecordStructure = DelimitedFields;
    c.FieldCount = 3;
    c.FieldPostamble[1] = c.FieldPostamble[2] = ",";
    c.FieldFilter[3] = "N";
    c.FieldMathExpression[3] = "val(field(3)) / 1000";
    c.FieldFormat[3] = "0.000000";
}

TEST(RecordScreenshots, Capture) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    EnsureApp();
    Config c;
    BuildStartupTables(c);
    Balance(c);
    testing::RecordingMessages messages;
    ui::DialogRunner runner = [](QDialog*) { return 0; };

    ui::RecTypeDialog recType(c, messages, runner);
    recType.Fill();
    shots::SaveWidget(&recType, "record_events.png");
    ui::RecStructureDialog structure(c);
    structure.Fill();
    shots::SaveWidget(&structure, "record_structure.png");
    ui::DelimDialog delim(c, messages);
    delim.Fill();
    shots::SaveWidget(&delim, "record_delimited.png");
    ui::TimedDialog timed(c, messages);
    timed.Fill();
    shots::SaveWidget(&timed, "record_timed.png");

    ui::FieldEditorDialog editor(c, messages, runner);
    editor.Prepare();
    editor.SampleSource()->setCurrentIndex(1);
    editor.Next();
    editor.Next();
    shots::SaveWidget(&editor, "record_editor.png");

    // The meter's fixed columns, with an expression that faults on the sample.
    Config m;
    BuildStartupTables(m);
    m.OutputMode = SendKeystrokes;
    m.EndOfRecordEvent = EndOnByteCount;
    m.RecordStructure = FixedLengthFields;
    m.RecordLength = 15;
    m.FieldCount = 40;
    ui::FixedDialog fixed(m, messages);
    fixed.Fill();
    fixed.Length()->setText("15");
    shots::SaveWidget(&fixed, "record_fixed.png");
    m.FieldLength[1] = 3;
    m.FieldLength[2] = 9;
    m.FieldLength[3] = 3;
    m.FieldFilter[2] = "N";
    m.FieldMathExpression[2] = "val(field(2)) / 0";
    m.FieldPostamble[2] = "{TAB}";
    ui::FieldEditorDialog fixedEditor(m, messages, runner);
    fixedEditor.Prepare();
    fixedEditor.SampleSource()->setCurrentIndex(3);
    fixedEditor.Next();
    shots::SaveWidget(&fixedEditor, "record_editor_fixed.png");
}

} // namespace
} // namespace pv::test

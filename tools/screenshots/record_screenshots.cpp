// Pictures of the record structure walk and of the field editor with its
// preview (English), drawn like the other setup dialogs.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>

#include "ui/field_editor_dialog.h"
#include "ui/record_walk_dialogs.h"
#include "ui/setup_test_support.h"
#include "ui/timed_dialog.h"

namespace pv::test {
namespace {

QString Dir() {
    return QString::fromLocal8Bit(qgetenv("PORTIVOX_SCREENSHOT_DIR"));
}

void Shoot(QWidget* w, const QString& name) {
    w->show();
    w->adjustSize();
    QCoreApplication::processEvents();
    const QPixmap client = w->grab();
    const int bar = 26;
    QImage image(client.width() + 2, client.height() + bar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x5a, 0x6e, 0x8c));
    QPainter p(&image);
    QFont f = w->font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, image.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft,
               w->windowTitle());
    p.drawPixmap(1, bar, client);
    p.end();
    QDir().mkpath(Dir());
    ASSERT_TRUE(image.save(QDir(Dir()).filePath(name), "PNG")) << name.toStdString();
    w->hide();
}

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
    if (Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    EnsureApp();
    Config c;
    BuildStartupTables(c);
    Balance(c);
    testing::RecordingMessages messages;
    ui::DialogRunner runner = [](QDialog*) { return 0; };

    ui::RecTypeDialog recType(c, messages, runner);
    recType.Fill();
    Shoot(&recType, "record_events.png");
    ui::RecStructureDialog structure(c);
    structure.Fill();
    Shoot(&structure, "record_structure.png");
    ui::DelimDialog delim(c, messages);
    delim.Fill();
    Shoot(&delim, "record_delimited.png");
    ui::TimedDialog timed(c, messages);
    timed.Fill();
    Shoot(&timed, "record_timed.png");

    ui::FieldEditorDialog editor(c, messages, runner);
    editor.Prepare();
    editor.SampleSource()->setCurrentIndex(1);
    editor.Next();
    editor.Next();
    Shoot(&editor, "record_editor.png");

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
    Shoot(&fixed, "record_fixed.png");
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
    Shoot(&fixedEditor, "record_editor_fixed.png");
}

} // namespace
} // namespace pv::test

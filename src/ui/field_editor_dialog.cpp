#include "ui/field_editor_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "expr/evaluator.h"
#include "expr/leading_number.h"
#include "porttest/analysis.h"
#include "text/text_ids.h"
#include "ui/char_chart_dialog.h"
#include "ui/digit_filter.h"
#include "ui/key_pick_dialogs.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

namespace {
template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}
QLabel* Label(int text, const char* name) {
    return Named(Tag(new QLabel(QString::number(text)), text), name);
}
const char* const kProfiles[] = {"", "balance", "scanner", "meter"};
constexpr int kAnalysedSource = 4; // after the own sample and the three profiles
} // namespace

FieldEditorDialog::FieldEditorDialog(Config& config, MessageSink& messages, DialogRunner& runner,
                                     QWidget* parent)
    : DialogBase(parent, "RecDefs", 2401), config_(config), messages_(messages), runner_(runner) {
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    preambleLabel_ = Label(2402, "PreambleLabel");
    preamble_ = Named(new QLineEdit, "PreambleMacro");
    preamble_->setFont(fixed);
    fieldName_ = Named(new QLabel("1"), "FieldName");
    filter_ = Named(new QComboBox, "FilterTypes");
    for (int i = 0; i < 6; ++i)
        filter_->addItem(Tx(txt::NoneNoFilter + i));
    lengthLabel_ = Label(2416, "LengthLabel");
    length_ = Named(new QLineEdit, "FieldLength");
    length_->setMaxLength(6);
    new DigitFilter(length_, [this] { messages_.Beep(); });
    postambleLabel_ = Label(2417, "PostambleLabel");
    postamble_ = Named(new QLineEdit, "FieldMacro");
    postamble_->setFont(fixed);
    format_ = Named(new QComboBox, "lstFieldFormat");
    format_->setEditable(true);
    for (int i = 0; i < 6; ++i)
        format_->addItem(Tx(txt::FormatNameGeneralNumber + i));
    expression_ = Named(new QLineEdit, "FieldExpression");
    fault_ = Named(new QLabel, "ExpressionFault");
    fault_->setStyleSheet("color: #b00000");
    fault_->setWordWrap(true);

    auto* grid = new QGridLayout;
    int row = 0;
    auto line = [&](QWidget* label, QWidget* box) {
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row++, 1);
    };
    line(preambleLabel_, preamble_);
    line(Label(2408, "Label1"), fieldName_);
    line(Label(2409, "Label3"), filter_);
    line(lengthLabel_, length_);
    line(postambleLabel_, postamble_);
    line(Label(2419, "Label2"), format_);
    line(Label(2429, "Label4"), expression_);
    grid->addWidget(fault_, row++, 1);
    Add(grid);

    bytesRow_ = new QWidget;
    auto* bytes = new QHBoxLayout(bytesRow_);
    bytes->setContentsMargins(0, 0, 0, 0);
    bytesDefined_ = Named(new QLabel, "BytesDefined");
    bytesOf_ = Named(new QLabel, "BytesOf");
    bytes->addWidget(Label(2406, "DefLabel1"));
    bytes->addWidget(bytesDefined_);
    bytes->addWidget(Label(2407, "DefLabel2"));
    bytes->addWidget(bytesOf_);
    bytes->addStretch();
    Add(bytesRow_);

    prev_ = Named(Tag(new QPushButton("2404"), 2404), "PrevButton");
    next_ = Named(Tag(new QPushButton("2405"), 2405), "NextButton");
    keyButton_ = Named(Tag(new QPushButton("2008"), 2008), "KeyButton");
    asciiButton_ = Named(Tag(new QPushButton("2431"), 2431), "AsciiButton");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {prev_, next_, keyButton_, asciiButton_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    Add(buttons);

    auto* box = Named(Tag(new QGroupBox("9209"), 9209), "PreviewFrame");
    auto* pv = new QGridLayout(box);
    source_ = Named(new QComboBox, "SampleSource");
    for (int i = 0; i < 4; ++i)
        source_->addItem(Tx(txt::OwnSample + i));
    // The port test terminal's last Analyze Input, once there was one.
    if (LastAnalysis()) source_->addItem(Tx(txt::LastAnalysedInput));
    sample_ = Named(new QLineEdit, "SampleRecord");
    sample_->setFont(fixed);
    preview_ = Named(new QTreeWidget, "PreviewList");
    preview_->setHeaderLabels(
        {TxPlain(txt::FieldColumn), Tx(txt::AsReceivedColumn), Tx(txt::ResultColumn)});
    preview_->setRootIsDecorated(false);
    preview_->setFont(fixed);
    preview_->setMinimumHeight(110);
    status_ = Named(new QLabel, "PreviewStatus");
    pv->addWidget(Label(9200, "SampleLabel"), 0, 0);
    pv->addWidget(source_, 0, 1);
    pv->addWidget(sample_, 1, 0, 1, 2);
    pv->addWidget(preview_, 2, 0, 1, 2);
    pv->addWidget(status_, 3, 0, 1, 2);
    Add(box, 1);
    AddOkCancel({"OkButton", 2430}, {"CancelButton", 2432}, [this] { Ok(); });
    Finish(560);

    // Every edit goes into the working copies at once, so the preview follows
    // the typing; nothing reaches the configuration before OK.
    connect(filter_, &QComboBox::currentIndexChanged, this, [this](int r) {
        if (filling_) return;
        model_.SetFilterRow(r);
        RefreshPreview();
    });
    connect(format_, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (filling_) return;
        model_.Format() = ToBytes(t);
        RefreshPreview();
    });
    connect(expression_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (filling_) return;
        model_.Expression() = ToBytes(t);
        RefreshPreview();
    });
    connect(postamble_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!filling_) model_.Postamble() = ToBytes(t);
    });
    connect(preamble_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (filling_) return;
        model_.Preamble() = ToBytes(t);
        config_.ConfigChanged = True;
    });
    connect(length_, &QLineEdit::textChanged, this, [this] { LengthEdited(); });
    connect(prev_, &QPushButton::clicked, this, &FieldEditorDialog::Previous);
    connect(next_, &QPushButton::clicked, this, &FieldEditorDialog::Next);
    connect(keyButton_, &QPushButton::clicked, this, &FieldEditorDialog::PickKey);
    connect(asciiButton_, &QPushButton::clicked, this, &FieldEditorDialog::PickChar);
    connect(source_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i == kAnalysedSource) {
            const InputAnalysis& last = *LastAnalysis();
            sample_->setText(
                FromBytes(SampleText(last.Sample + (last.End == EndOnCr ? "\r" : ""))));
        } else if (i > 0) {
            sample_->setText(FromBytes(SampleText(SimulatorSample(kProfiles[i]))));
        }
    });
    connect(sample_, &QLineEdit::textEdited, this, [this] { source_->setCurrentIndex(0); });
    connect(sample_, &QLineEdit::textChanged, this, [this](const QString& t) {
        sampleBytes_ = SampleBytes(ToBytes(t));
        RefreshPreview();
    });
    length_->installEventFilter(this);
    preamble_->installEventFilter(this);
    postamble_->installEventFilter(this);
    // Any other control of the editor taking the focus turns the pickers off.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now || now->window() != this || now == keyButton_ || now == asciiButton_ ||
            now == preamble_ || now == postamble_)
            return;
        keyButton_->setEnabled(false);
        asciiButton_->setEnabled(false);
    });
}

bool FieldEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == length_ && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, length_, [this] { length_->selectAll(); });
    // Enter in the length box goes on to the postamble, not to OK.
    if (watched == length_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            postamble_->setFocus();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && (watched == preamble_ || watched == postamble_)) {
        lastWasPostamble_ = watched == postamble_;
        keyButton_->setEnabled(true);
        asciiButton_->setEnabled(true);
    }
    return false;
}

GetAKeyDialog* FieldEditorDialog::KeyPicker() {
    if (!keyPicker_) keyPicker_ = new GetAKeyDialog(this);
    return keyPicker_;
}
AsciiChartDialog* FieldEditorDialog::Chart() {
    if (!chart_) chart_ = new AsciiChartDialog(this);
    return chart_;
}

void FieldEditorDialog::Prepare() {
    model_.Load(config_);
    filling_ = true;
    preamble_->setText(FromBytes(model_.Preamble()));
    filling_ = false;
    // "NUL" is no keystroke of a macro: hidden while the editor is open.
    KeyPicker()->KeyList()->setRowHidden(0, true);
    KeyPicker()->KeyList()->setCurrentRow(1);
    lengthLabel_->setVisible(model_.LengthShown());
    length_->setVisible(model_.LengthShown());
    bytesRow_->setVisible(model_.BytesShown());
    prev_->setVisible(model_.NavigationShown());
    next_->setVisible(model_.NavigationShown());
    const int mode = std::clamp<int>(config_.OutputMode, 0, 2);
    static const int kCaption[] = {4041, 4040, 4042};
    static const int kPreamble[] = {2402, 7003, 2403};
    static const int kPostamble[] = {2417, 7004, 2418};
    setWindowTitle(Tx(kCaption[mode]));
    preambleLabel_->setText(Tx(kPreamble[mode]));
    postambleLabel_->setText(Tx(kPostamble[mode]));
    keyButton_->setVisible(config_.OutputMode == SendKeystrokes);
    keyButton_->setEnabled(false);
    asciiButton_->setEnabled(false);
    ShowField();
}

void FieldEditorDialog::ShowField() {
    filling_ = true;
    const int n = model_.Index();
    preambleLabel_->setVisible(model_.PreambleShown());
    preamble_->setVisible(model_.PreambleShown());
    filter_->setCurrentIndex(model_.FilterRow());
    length_->setText(QString::number(model_.Length()));
    format_->setCurrentText(FromBytes(model_.Format()));
    expression_->setText(FromBytes(model_.Expression()));
    postamble_->setText(FromBytes(model_.Postamble()));
    fieldName_->setText(QString::number(n));
    bytesDefined_->setText(QString::number(model_.BytesDefined()));
    bytesOf_->setText(QString::number(model_.RecordLength()));
    prev_->setEnabled(model_.PreviousEnabled());
    next_->setEnabled(model_.NextEnabled());
    filling_ = false;
    RefreshPreview();
}

void FieldEditorDialog::LengthEdited() {
    if (filling_) return;
    if (const Refusal r = model_.SetLength(LeadingNumber(ToBytes(length_->text())))) {
        ShowRefusal(messages_, r);
        length_->setFocus();
        return;
    }
    bytesDefined_->setText(QString::number(model_.BytesDefined()));
    next_->setEnabled(model_.NextEnabled());
    RefreshPreview();
}

void FieldEditorDialog::Next() {
    if (const Refusal r = model_.Next()) {
        ShowRefusal(messages_, r);
        length_->setFocus();
        return;
    }
    ShowField();
}

void FieldEditorDialog::Previous() {
    model_.Previous();
    ShowField();
}

void FieldEditorDialog::Insert(const std::string& text) {
    if (text.empty()) return;
    QLineEdit* box = lastWasPostamble_ || !preamble_->isVisible() ? postamble_ : preamble_;
    box->insert(FromBytes(text));
    box->setFocus();
}

void FieldEditorDialog::PickKey() {
    runner_(KeyPicker());
    Insert(KeyPicker()->Picked());
}

void FieldEditorDialog::PickChar() {
    Chart()->SetNamedEntries({});
    runner_(Chart());
    Insert(Chart()->Picked());
}

void FieldEditorDialog::Restore() {
    KeyPicker()->KeyList()->setRowHidden(0, false);
    KeyPicker()->KeyList()->setCurrentRow(0);
}

void FieldEditorDialog::Ok() {
    if (const Refusal r = model_.Ok(config_)) {
        ShowRefusal(messages_, r);
        length_->setFocus();
        return;
    }
    Restore();
    accept();
}

void FieldEditorDialog::reject() {
    Restore();
    QDialog::reject();
}

void FieldEditorDialog::SetSample(const std::string& bytes) {
    source_->setCurrentIndex(0);
    sample_->setText(FromBytes(SampleText(bytes)));
}

void FieldEditorDialog::RefreshPreview() {
    const RecordPreview p = PreviewRecord(model_.Draft(config_), sampleBytes_);
    preview_->clear();
    for (size_t k = 0; k < p.Fields.size(); ++k) {
        const PreviewField& f = p.Fields[k];
        auto* item =
            new QTreeWidgetItem(preview_, {QString::number(k + 1), FromBytes(SampleText(f.Cut)),
                                           f.Fault.empty() ? FromBytes(SampleText(f.Result))
                                                           : QString::fromStdString(f.Fault)});
        if (!f.Fault.empty()) item->setForeground(2, QColor(0xb0, 0, 0));
    }
    // A text that does not compile is shown even without a sample.
    const size_t n = static_cast<size_t>(model_.Index());
    const CompiledExpression program = CompileExpression(model_.Expression());
    if (model_.Expression().empty())
        fault_->clear();
    else if (!program.Ok())
        fault_->setText(QString::fromStdString(
            FaultText(static_cast<int>(program.Error().Text), program.Error().Position)));
    else
        fault_->setText(n <= p.Fields.size() ? QString::fromStdString(p.Fields[n - 1].Fault)
                                             : QString());
    status_->setText(p.Complete || sampleBytes_.empty() ? QString()
                                                        : Tx(txt::TheSampleHoldsNoComplete));
}

} // namespace pv::ui

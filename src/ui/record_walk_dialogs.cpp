#include "ui/record_walk_dialogs.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "expr/leading_number.h"
#include "text/strings.h"
#include "ui/char_chart_dialog.h"
#include "ui/digit_filter.h"
#include "ui/raw_text_edit.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

void ShowRefusal(MessageSink& messages, const Refusal& refusal) {
    messages.Beep();
    messages.Show(Text(refusal.Message), Text(refusal.Title), MsgIcon::Exclamation, MsgButtons::Ok);
}

namespace {
// After the focus event, so a mouse click does not undo the selection.
void SelectAllOnFocus(QObject* watched, QEvent* event, QLineEdit* box) {
    if (watched == box && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, box, [box] { box->selectAll(); });
}
} // namespace

// --- RecType -----------------------------------------------------------------------

RecTypeDialog::RecTypeDialog(Config& config, MessageSink& messages, DialogRunner& runner,
                             QWidget* parent)
    : DialogBase(parent, "RecType", 2601), config_(config), messages_(messages), runner_(runner) {
    auto group = [this](const char* frame, int title, std::array<QRadioButton*, 4>& options,
                        const char* name, int firstText, RawTextEdit*& box, const char* boxName) {
        auto* g = Tag(new QGroupBox(QString::number(title)), title);
        g->setObjectName(frame);
        auto* v = new QVBoxLayout(g);
        auto* buttons = new QButtonGroup(g);
        for (int i = 0; i < 4; ++i) {
            auto* b = Tag(new QRadioButton(QString::number(firstText + i)), firstText + i);
            b->setObjectName(QStringLiteral("%1%2").arg(name).arg(i));
            buttons->addButton(b, i);
            v->addWidget(b);
            options[static_cast<size_t>(i)] = b;
            connect(b, &QRadioButton::toggled, this, [this, i, &box](bool on) {
                if (!on) return;
                chartButton_->setEnabled(i == 3);
                if (i == 3 && box->isVisible() && !box->hasFocus()) box->setFocus();
            });
        }
        box = new RawTextEdit;
        box->setObjectName(boxName);
        box->installEventFilter(this);
        connect(box, &RawTextEdit::rawEdited, this, [this] { config_.ConfigChanged = True; });
        v->addWidget(box);
        return g;
    };
    chartButton_ = Tag(new QPushButton("2614"), 2614);
    chartButton_->setObjectName("Command1");
    connect(chartButton_, &QPushButton::clicked, this, &RecTypeDialog::Chart);
    auto* row = new QHBoxLayout;
    row->addWidget(group("Frame2", 2602, start_, "StartOfRec", 2603, startChars_, "Text1"));
    row->addWidget(group("Frame1", 2607, end_, "RecTypeSel", 2608, endChars_, "Text2"));
    last_ = endChars_;
    Add(row);
    auto* chartRow = new QHBoxLayout;
    chartRow->addWidget(chartButton_);
    chartRow->addStretch();
    Add(chartRow);
    AddOkCancel({"RectypeOkButton", 2612}, {"RectypeCancelButton", 2613}, [this] { Ok(); });
    Finish(520);
}

AsciiChartDialog* RecTypeDialog::ChartDialog() {
    if (!chart_) chart_ = new AsciiChartDialog(this);
    return chart_;
}

int RecTypeDialog::Selected(const std::array<QRadioButton*, 4>& group) const {
    for (int i = 0; i < 4; ++i)
        if (group[static_cast<size_t>(i)]->isChecked()) return i;
    return 0;
}

void RecTypeDialog::Fill() {
    const QSignalBlocker a(this);
    for (auto* b : start_)
        b->blockSignals(true);
    for (auto* b : end_)
        b->blockSignals(true);
    start_[static_cast<size_t>(std::clamp<int>(config_.StartOfRecordEvent, 0, 3))]->setChecked(
        true);
    end_[static_cast<size_t>(std::clamp<int>(config_.EndOfRecordEvent, 0, 3))]->setChecked(true);
    for (auto* b : start_)
        b->blockSignals(false);
    for (auto* b : end_)
        b->blockSignals(false);
    startChars_->SetRaw(config_.StartOfRecordChars);
    endChars_->SetRaw(config_.EndOfRecordChars);
    chartButton_->setEnabled(Selected(start_) == 3 || Selected(end_) == 3);
}

bool RecTypeDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* box = watched == startChars_ ? startChars_ : watched == endChars_ ? endChars_ : nullptr;
    if (!box) return false;
    auto& group = box == startChars_ ? start_ : end_;
    if (event->type() == QEvent::FocusIn) {
        group[3]->setChecked(true);
        last_ = box;
        chartButton_->setEnabled(true);
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            QRadioButton* to = group[key == Qt::Key_Up ? 2 : 0];
            to->setChecked(true);
            to->setFocus();
            return true;
        }
    }
    return false;
}

void RecTypeDialog::Chart() {
    ChartDialog()->SetNamedEntries({});
    runner_(ChartDialog());
    const std::string picked = ChartDialog()->Picked();
    if (!picked.empty()) {
        last_->InsertPicked(picked);
        config_.ConfigChanged = True;
    }
}

void RecTypeDialog::Ok() {
    const int s = Selected(start_);
    const int e = Selected(end_);
    if (const Refusal r = CheckRecordEvents(s, startChars_->Raw(), e, endChars_->Raw())) {
        ShowRefusal(messages_, r);
        (r.Title == 4008 ? startChars_ : endChars_)->setFocus();
        return;
    }
    const WalkNext next = ApplyRecordEvents(config_, s, startChars_->Raw(), e, endChars_->Raw());
    accept();
    if (next_) next_(next);
}

// --- Fixed -------------------------------------------------------------------------

FixedDialog::FixedDialog(Config& config, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "Fixed", 1701), config_(config), messages_(messages) {
    auto* explain = Tag(new QLabel("1702"), 1702);
    explain->setWordWrap(true);
    auto* label = Tag(new QLabel("1703"), 1703);
    length_ = new QLineEdit;
    length_->setObjectName("Text1");
    length_->setMaxLength(10);
    label->setBuddy(length_);
    new DigitFilter(length_, [this] { messages_.Beep(); });
    length_->installEventFilter(this);
    connect(length_, &QLineEdit::textChanged, this, [this] { config_.ConfigChanged = True; });
    Add(explain);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(length_);
    Add(row);
    AddOkCancel({"Command1", 1704}, {"Command2", 1705}, [this] { Ok(); });
    Finish(380);
}

void FixedDialog::Fill() {
    length_->setText(QString::number(config_.RecordLength));
}

bool FixedDialog::eventFilter(QObject* watched, QEvent* event) {
    SelectAllOnFocus(watched, event, length_);
    return false;
}

void FixedDialog::Ok() {
    if (const Refusal r = ApplyRecordLength(config_, LeadingNumber(ToBytes(length_->text())))) {
        ShowRefusal(messages_, r);
        length_->setFocus();
        return;
    }
    accept();
    if (next_) next_(WalkNext::Editor);
}

// --- RecStructure ------------------------------------------------------------------

RecStructureDialog::RecStructureDialog(Config& config, QWidget* parent)
    : DialogBase(parent, "RecStructure", 2501), config_(config) {
    auto* explain = Tag(new QLabel("2502"), 2502);
    explain->setWordWrap(true);
    Add(explain);
    auto* buttons = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto* b = Tag(new QRadioButton(QString::number(2503 + i)), 2503 + i);
        b->setObjectName(QStringLiteral("RecStrucSel%1").arg(i));
        buttons->addButton(b, i);
        options_[static_cast<size_t>(i)] = b;
        Add(b);
    }
    AddOkCancel({"OkButton", 2506}, {"CancelButton", 2507}, [this] { Ok(); });
    Finish(420);
}

void RecStructureDialog::Fill() {
    options_[static_cast<size_t>(std::clamp<int>(config_.RecordStructure, 0, 2))]->setChecked(true);
}

void RecStructureDialog::Ok() {
    int selected = 0;
    for (int i = 0; i < 3; ++i)
        if (options_[static_cast<size_t>(i)]->isChecked()) selected = i;
    const WalkNext next = ApplyStructure(config_, selected);
    accept();
    if (next_) next_(next);
}

// --- Delim -------------------------------------------------------------------------

DelimDialog::DelimDialog(Config& config, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "Delim", 1601), config_(config), messages_(messages) {
    auto* countLabel = Tag(new QLabel("1603"), 1603);
    countLabel->setObjectName("Label1");
    count_ = new QLineEdit;
    count_->setObjectName("Text1");
    count_->setMaxLength(6);
    countLabel->setBuddy(count_);
    new DigitFilter(count_, [this] { messages_.Beep(); });
    count_->installEventFilter(this);
    auto* listLabel = Tag(new QLabel("1602"), 1602);
    listLabel->setObjectName("Label2");
    list_ = new QListWidget;
    list_->setObjectName("DelimOptions");
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (int code = 0; code < 256; ++code)
        list_->addItem(FromBytes(DelimiterRow(code)).replace(QChar(0), QChar(0x2400)));
    listLabel->setBuddy(list_);
    auto* row = new QHBoxLayout;
    row->addWidget(countLabel);
    row->addWidget(count_);
    Add(row);
    Add(listLabel);
    Add(list_, 1);
    AddOkCancel({"Command1", 1604}, {"Command2", 1605}, [this] { Ok(); });
    Finish(320);
}

void DelimDialog::Fill() {
    count_->setText(QString::number(config_.FieldCount));
    const int code =
        config_.FieldDelimiter.empty() ? 0 : static_cast<unsigned char>(config_.FieldDelimiter[0]);
    list_->setCurrentRow(code);
}

bool DelimDialog::eventFilter(QObject* watched, QEvent* event) {
    SelectAllOnFocus(watched, event, count_);
    return false;
}

void DelimDialog::Ok() {
    const int row = std::max(0, list_->currentRow());
    if (const Refusal r = ApplyDelimited(config_, LeadingNumber(ToBytes(count_->text())),
                                         static_cast<unsigned char>(row))) {
        ShowRefusal(messages_, r);
        count_->setFocus();
        return;
    }
    accept();
    if (next_) next_(WalkNext::Editor);
}

} // namespace pv::ui

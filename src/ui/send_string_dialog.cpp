#include "ui/send_string_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "expr/leading_number.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/char_chart_dialog.h"
#include "ui/digit_filter.h"
#include "ui/raw_text_edit.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

namespace {

constexpr double kIntervalLimit = 99999999;

template <typename T> T* Named(T* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QLabel* Label(int text, QWidget* buddy) {
    auto* l = Tag(new QLabel(QString::number(text)), text);
    l->setBuddy(buddy);
    return l;
}

} // namespace

SendStringDialog::SendStringDialog(Config& config, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "SendStringForm", 2701), config_(config), messages_(messages),
      runner_([](QDialog* d) { return d->exec(); }) {
    names_ = Named(new QComboBox, "StringNames");
    names_->setEditable(true);
    names_->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= kOutputStrings; ++i)
        names_->addItem(QStringLiteral("String%1").arg(i));
    text_ = Named(new RawTextEdit, "StringText");
    caption_ = Named(new QLineEdit, "StringControlCaption");
    ack_ = Named(new RawTextEdit, "AckString");
    timerString_ = Named(new RawTextEdit, "TimerString");
    interval_ = Named(new QLineEdit, "Interval");
    timerOn_ = Named(Tag(new QCheckBox("2709"), 2709), "TimerOn");
    new DigitFilter(interval_, [this] { messages_.Beep(); });

    auto* frame2 = Named(Tag(new QGroupBox("2711"), 2711), "Frame2");
    auto* g2 = new QGridLayout(frame2);
    g2->addWidget(Named(Label(2712, names_), "Label1"), 0, 0);
    g2->addWidget(names_, 0, 1);
    g2->addWidget(Named(Label(2714, text_), "Label2"), 1, 0);
    g2->addWidget(text_, 1, 1);
    g2->addWidget(Named(Label(2713, caption_), "Label3"), 2, 0);
    g2->addWidget(caption_, 2, 1);

    auto* frame3 = Named(Tag(new QGroupBox("2704"), 2704), "Frame3");
    auto* g3 = new QVBoxLayout(frame3);
    for (int k = 0; k < 3; ++k) {
        actions_[k] = Tag(new QRadioButton(QString::number(2705 + k)), 2705 + k);
        actions_[k]->setObjectName(QStringLiteral("Action(%1)").arg(k));
        g3->addWidget(actions_[k]);
        connect(actions_[k], &QRadioButton::clicked, this, &SendStringDialog::ActionChosen);
    }
    auto* frame1 = Named(Tag(new QGroupBox("2703"), 2703), "Frame1");
    auto* g1 = new QGridLayout(frame1);
    g1->addWidget(frame3, 0, 0, 3, 1);
    g1->addWidget(timerOn_, 0, 1, 1, 2);
    g1->addWidget(Named(Label(2708, interval_), "Label5"), 1, 1);
    g1->addWidget(interval_, 1, 2);
    timerLabel_ = Named(Label(2710, timerString_), "Label6");
    g1->addWidget(timerLabel_, 3, 0, 1, 3);
    g1->addWidget(timerString_, 4, 0, 1, 3);

    Add(frame2);
    Add(frame1);
    Add(Named(Label(2702, ack_), "Label4"));
    Add(ack_);
    QDialogButtonBox* row = AddOkCancel({"DoneButton", 2715}, {nullptr, 0}, [this] { Done(); });
    chartButton_ = Tag(row->addButton(QStringLiteral("2716"), QDialogButtonBox::ActionRole), 2716);
    chartButton_->setObjectName("AsciiChartButton");
    chartButton_->setAutoDefault(false);
    connect(chartButton_, &QPushButton::clicked, this, &SendStringDialog::InsertFromChart);
    Finish(460);

    // The item list is fixed; clicking an item remembers it, typing only shows
    // an item whose name is typed exactly.
    connect(names_, &QComboBox::activated, this, [this](int i) {
        remembered_ = i;
        ShowString(i);
    });
    connect(names_, &QComboBox::editTextChanged, this, [this](const QString& t) {
        const int i = names_->findText(t, Qt::MatchExactly);
        if (i >= 0) ShowString(i);
    });
    connect(text_, &RawTextEdit::rawEdited, this, [this] {
        config_.OutputStringText[static_cast<size_t>(names_->currentIndex() + 1)] = text_->Raw();
    });
    connect(ack_, &RawTextEdit::rawEdited, this, [this] { config_.AckString = ack_->Raw(); });
    connect(timerString_, &RawTextEdit::rawEdited, this,
            [this] { config_.TimerString = timerString_->Raw(); });
    connect(timerOn_, &QCheckBox::clicked, this, [this] { config_.ConfigChanged = True; });
    for (QWidget* w : std::initializer_list<QWidget*>{names_, text_, caption_, ack_, timerString_,
                                                      interval_, timerOn_, actions_[0], actions_[1],
                                                      actions_[2], row->buttons().front()})
        w->installEventFilter(this);
}

AsciiChartDialog* SendStringDialog::Chart() {
    if (!chart_) chart_ = new AsciiChartDialog(this);
    return chart_;
}

void SendStringDialog::Fill() {
    ack_->SetRaw(config_.AckString);
    names_->setCurrentIndex(0);
    names_->setEditText(names_->itemText(0));
    remembered_ = 0;
    ShowString(0);
    interval_->setText(QString::number(config_.TimerInterval));
    timerString_->SetRaw(config_.TimerString);
    timerOn_->setChecked(config_.TimerFlags & 1);
    const int k = config_.TimerFlags & 4 ? 1 : config_.TimerFlags & 8 ? 2 : 0;
    actions_[k]->setChecked(true);
    ActionChosen();
    lastRaw_ = 0;
    chartButton_->setEnabled(false);
    names_->setFocus();
}

void SendStringDialog::ShowString(int index) {
    if (index < 0 || index >= kOutputStrings) return;
    if (names_->currentIndex() != index) names_->setCurrentIndex(index);
    text_->SetRaw(config_.OutputStringText[static_cast<size_t>(index + 1)]);
    caption_->setText(FromBytes(config_.OutputStringCaption[static_cast<size_t>(index + 1)]));
}

void SendStringDialog::StoreCaption() {
    std::string& caption =
        config_.OutputStringCaption[static_cast<size_t>(names_->currentIndex() + 1)];
    const std::string typed = ToBytes(caption_->text());
    if (typed != caption) config_.ConfigChanged = True;
    caption = typed;
}

void SendStringDialog::ActionChosen() {
    const bool transmit = actions_[0]->isChecked();
    timerString_->setVisible(transmit);
    timerLabel_->setVisible(transmit);
}

bool SendStringDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == text_ || watched == ack_ || watched == timerString_))
        config_.ConfigChanged = True;
    if (event->type() == QEvent::FocusIn) {
        const int raw = watched == ack_           ? 1
                        : watched == timerString_ ? 2
                        : watched == text_        ? 3
                                                  : 0;
        if (raw) lastRaw_ = raw;
        chartButton_->setEnabled(raw != 0);
        if (watched == names_ && names_->currentIndex() >= 0) ShowString(names_->currentIndex());
    }
    if (event->type() == QEvent::FocusOut) {
        if (watched == caption_) StoreCaption();
        // Opening the list's popup is no leaving.
        if (watched == names_ &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            names_->setCurrentIndex(remembered_);
            names_->setEditText(names_->itemText(remembered_));
            ShowString(remembered_);
        }
    }
    return false;
}

void SendStringDialog::InsertFromChart() {
    runner_(Chart());
    const std::string picked = Chart()->Picked();
    if (picked.empty()) return;
    RawTextEdit* field = lastRaw_ == 1   ? ack_
                         : lastRaw_ == 2 ? timerString_
                         : lastRaw_ == 3 ? text_
                                         : nullptr;
    if (!field) return;
    field->InsertPicked(picked);
    config_.ConfigChanged = True; // a picked character is a change as much as a typed one
}

void SendStringDialog::Done() {
    if (caption_->hasFocus()) StoreCaption();
    const double v = LeadingNumber(ToBytes(interval_->text()));
    if (v > kIntervalLimit) {
        messages_.Show(Text(txt::TimerIntervalRange), "Portivox", MsgIcon::None, MsgButtons::Ok);
        return;
    }
    if (v != config_.TimerInterval) config_.ConfigChanged = True;
    config_.TimerInterval = static_cast<int32_t>(std::nearbyint(v));
    int k = 0;
    while (k < 2 && !actions_[k]->isChecked())
        ++k;
    config_.TimerFlags = static_cast<int16_t>((timerOn_->isChecked() ? 1 : 0) + (2 << k));
    accept();
}

} // namespace pv::ui

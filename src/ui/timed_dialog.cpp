#include "ui/timed_dialog.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "expr/leading_number.h"
#include "text/strings.h"
#include "ui/digit_filter.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

TimedDialog::TimedDialog(Config& config, MessageSink& messages, QWidget* parent)
    : QDialog(parent), config_(config), messages_(messages) {
    setObjectName("Timed");
    SetTag(this, 2801);
    setModal(true);

    auto* explain = Tag(new QLabel("2802"), 2802);
    explain->setWordWrap(true);
    auto* label = Tag(new QLabel("2803"), 2803);
    label->setWordWrap(true);
    clockTicks_ = new QLineEdit;
    clockTicks_->setObjectName("ClockTicks");
    clockTicks_->setMaxLength(10);
    label->setBuddy(clockTicks_);
    new DigitFilter(clockTicks_, [this] { messages_.Beep(); });
    clockTicks_->installEventFilter(this);
    connect(clockTicks_, &QLineEdit::textChanged, this, [this] { config_.ConfigChanged = True; });

    auto* buttons = new QDialogButtonBox;
    auto* ok = Tag(buttons->addButton("Continue...", QDialogButtonBox::AcceptRole), 2804);
    auto* cancel = Tag(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), 2805);
    ok->setObjectName("OKButton");
    cancel->setObjectName("CancelButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TimedDialog::Ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explain);
    layout->addWidget(label);
    layout->addWidget(clockTicks_);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    ApplyResourceTexts(this);
}

void TimedDialog::Fill() {
    clockTicks_->setText(QString::number(config_.RecordDelayTicks));
}

bool TimedDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == clockTicks_ && event->type() == QEvent::FocusIn)
        // After the focus event so a mouse click does not undo the selection.
        QTimer::singleShot(0, clockTicks_, [this] { clockTicks_->selectAll(); });
    return false;
}

void TimedDialog::Ok() {
    const double v = LeadingNumber(ToBytes(clockTicks_->text()));
    const double n = std::nearbyint(v);
    if (n < 1 || n > 255) {
        messages_.Beep();
        messages_.Show(Text(4014), Text(4005), MsgIcon::None, MsgButtons::Ok);
        clockTicks_->setFocus();
        return;
    }
    config_.RecordDelayTicks = static_cast<int16_t>(n);
    accept();
    if (next_) next_();
}

} // namespace pv::ui

#include "ui/timed_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cmath>

#include "expr/leading_number.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/digit_filter.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

TimedDialog::TimedDialog(Config& config, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "Timed", 2801), config_(config), messages_(messages) {

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

    Add(explain);
    Add(label);
    Add(clockTicks_);
    AddOkCancel({"OKButton", 2804}, {"CancelButton", 2805}, [this] { Ok(); });
    Finish(380);
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
        messages_.Show(Text(txt::RecordDelayRange), Text(txt::InvalidInputTitle), MsgIcon::None,
                       MsgButtons::Ok);
        clockTicks_->setFocus();
        return;
    }
    config_.RecordDelayTicks = static_cast<int16_t>(n);
    accept();
    if (next_) next_();
}

} // namespace pv::ui

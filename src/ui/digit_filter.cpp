#include "ui/digit_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace pv::ui {

DigitFilter::DigitFilter(QLineEdit* edit, std::function<void()> beep)
    : QObject(edit), edit_(edit), beep_(std::move(beep)) {
    edit->installEventFilter(this);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setAcceptDrops(false);
    before_ = edit->text();
}

bool DigitFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_ || event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool backspace = key->key() == Qt::Key_Backspace;
    if (text.isEmpty() && !backspace) return false; // navigation, modifiers
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
        key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
        key->key() == Qt::Key_Escape || key->key() == Qt::Key_Delete)
        return false;
    const bool digit =
        text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
    if (digit || backspace) {
        before_ = edit_->text();
        return false;
    }
    if (beep_) beep_();
    return true;
}

} // namespace pv::ui

#include "ui/message_box_sink.h"

#include <QApplication>
#include <QMessageBox>

namespace pv::ui {

namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgResult FromQt(int button, MsgButtons buttons) {
    switch (button) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Retry: return MsgResult::Retry;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: break;
    }
    // Closed by Escape or the close box: the box's own escape answer.
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    default: return MsgResult::Cancel;
    }
}

SilentMessages gSilent;
MessageSink* gSink = nullptr;

} // namespace

MsgResult MessageBoxSink::Show(const std::string& text, const std::string& title, MsgIcon icon,
                               MsgButtons buttons) {
    QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
    QMessageBox box(ToQt(icon), QString::fromUtf8(title), QString::fromUtf8(text), ToQt(buttons),
                    parent);
    if (buttons == MsgButtons::YesNoCancel || buttons == MsgButtons::OkCancel ||
        buttons == MsgButtons::RetryCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    return FromQt(box.exec(), buttons);
}

void MessageBoxSink::Beep() {
    QApplication::beep();
}

MessageSink& Messages() {
    return gSink ? *gSink : gSilent;
}
void SetMessages(MessageSink* sink) {
    gSink = sink;
}

} // namespace pv::ui

#include "ui/own_windows.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>
#include <QWindow>

namespace pv {

bool QtOwnWindows::Owns(WindowId window) {
    if (window == 0) return false;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle() && static_cast<WindowId>(w->winId()) == window) return true;
    return false;
}

bool QtOwnWindows::HoldKeyboard() {
    return QApplication::activePopupWidget() || QWidget::keyboardGrabber() ||
           QGuiApplication::focusWindow();
}

void QtOwnWindows::LetGoOfKeyboard() {
    bool changed = false;
    // A popup closed may reveal its parent menu, itself a popup.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) break;
        popup->close();
        changed = true;
    }
    if (QWidget* grabber = QWidget::keyboardGrabber()) {
        grabber->releaseKeyboard();
        changed = true;
    }
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
        changed = true;
    }
    // The ungrab must reach the server before the first synthetic key.
    if (changed) QGuiApplication::sync();
}

} // namespace pv

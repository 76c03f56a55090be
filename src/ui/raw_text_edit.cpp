#include "ui/raw_text_edit.h"

#include <QApplication>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextCharFormat>

namespace pv::ui {

namespace {

int RuleKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Delete: return kRawDelete;
    case Qt::Key_Backspace: return kRawBackspace;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kRawEnter;
    case Qt::Key_Insert: return kRawInsert;
    default: break;
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    return 0;
}

int RuleModifiers(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kRawShift : 0) | (m & Qt::ControlModifier ? kRawCtrl : 0) |
           (m & Qt::AltModifier ? kRawAlt : 0);
}

bool IsNavigation(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

// The character code a key types: -1 none, above 255 one a byte cannot hold.
int TypedCode(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Backspace) return kRawBackspace;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (ctrl && !(e->modifiers() & Qt::AltModifier) && e->key() >= Qt::Key_A &&
        e->key() <= Qt::Key_Z)
        return e->key() - Qt::Key_A + 1;
    // Alt with a key is a command (a button's mnemonic), never a character.
    if (e->text().isEmpty() || (e->modifiers() & Qt::AltModifier)) return -1;
    return e->text().at(0).unicode();
}

} // namespace

std::string& RawClipboard() {
    static std::string scratch;
    return scratch;
}

RawTextEdit::RawTextEdit(QWidget* parent) : QLineEdit(parent), field_(RawClipboard()) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setDragEnabled(false);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void RawTextEdit::SetRaw(std::string raw) {
    field_.Load(std::move(raw));
    Redraw();
}

void RawTextEdit::TakeSelection() {
    if (hasSelectedText())
        field_.Select(static_cast<size_t>(selectionStart()),
                      static_cast<size_t>(selectionLength()));
    else
        field_.Select(static_cast<size_t>(cursorPosition()), 0);
}

void RawTextEdit::Redraw() {
    setText(QString::fromUtf8(GlyphForm(field_.Raw())));
    setCursorPosition(static_cast<int>(field_.SelStart()));
    MarkControlCodes();
}

// Control pictures are small in most monospace fonts; a tinted cell makes a
// CR LF in an acknowledgement string stand out. A line edit takes character
// formats only through an input-method event (positions relative to the
// caret), sent straight to the base class since ours refuses composition.
void RawTextEdit::MarkControlCodes() {
    QTextCharFormat marked;
    marked.setBackground(QColor(0xFF, 0xE0, 0x8A));
    marked.setForeground(QColor(0x80, 0x20, 0x00));
    QList<QInputMethodEvent::Attribute> formats;
    const std::string& raw = field_.Raw();
    const int caret = cursorPosition();
    for (size_t i = 0; i < raw.size(); ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c < 32 || c == 127)
            formats.append(QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                                        static_cast<int>(i) - caret, 1, marked));
    }
    QInputMethodEvent event(QString(), formats);
    QLineEdit::inputMethodEvent(&event);
}

void RawTextEdit::InsertPicked(const std::string& picked) {
    if (picked.empty()) return;
    TakeSelection();
    field_.Insert(picked);
    Redraw();
    setFocus();
    emit rawEdited();
}

void RawTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->ignore(); // the dialog's Cancel
        return;
    }
    if (IsNavigation(event->key())) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int typed = TypedCode(event);
    const int key = RuleKey(event->key());
    if (key == 0 && typed < 0) {
        // Function keys and the like: the dialog's, never the box's.
        event->ignore();
        return;
    }
    event->accept();
    TakeSelection();
    const std::string before = field_.Raw();
    if (!field_.KeyDown(key, RuleModifiers(event->modifiers())) && typed >= 0) {
        if (typed > 255)
            QApplication::beep(); // no byte for it
        else
            field_.KeyPress(typed);
    }
    if (field_.TakeBeep()) QApplication::beep();
    Redraw();
    if (field_.Raw() != before) emit rawEdited();
}

void RawTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

void RawTextEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) return;
    QLineEdit::mousePressEvent(event);
}

void RawTextEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the X11 selection.
    if (event->button() == Qt::MiddleButton) return;
    QLineEdit::mouseReleaseEvent(event);
}

} // namespace pv::ui

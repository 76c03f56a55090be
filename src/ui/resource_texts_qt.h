#pragma once
// Putting the numbered texts on Qt windows, and the conversions at the
// widget boundary: settings and device data are Latin-1 bytes, numbered
// texts UTF-8, file paths in the file system's encoding.
#include <QFont>
#include <QString>
#include <string>

class QObject;
class QWidget;

namespace pv::ui {

/// Numbered text `n` of the current language.
QString Tx(int n);

/// Numbered text with the "&" accelerator markers removed.
QString TxPlain(int n);

/// Byte string <-> QString, one byte per character (U+0000..U+00FF).
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);

/// File path bytes <-> QString.
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);

/// Marks a window or control with the text number it shows. The number is
/// kept in the object's "tag" property; ApplyResourceTexts reads it.
template <typename T> T* Tag(T* object, int number);
void SetTag(QObject* object, int number);

/// Marks a tooltip with a text number (the tooltip shows the number until
/// ApplyResourceTexts replaces it).
void SetTooltipTag(QWidget* widget, int number);

/// The interface font of the current language (text 20 and 21). A family the
/// system lacks falls back to the desktop's default font.
QFont InterfaceQFont();

/// Replaces the numeric placeholders of `window` and of every widget, menu
/// and action inside it by the numbered texts, and sets the interface font.
/// A missing or non-numeric tag leaves the design-time text alone.
void ApplyResourceTexts(QWidget* window);

template <typename T> T* Tag(T* object, int number) {
    SetTag(object, number);
    return object;
}

} // namespace pv::ui

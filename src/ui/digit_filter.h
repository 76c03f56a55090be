#pragma once
// Text boxes that take only the digits 0..9 and Backspace: any other typed
// character is swallowed with a beep. Keys that type nothing (arrows, Delete,
// Tab, Enter, Escape) keep their usual meaning.
#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

namespace pv::ui {

class DigitFilter : public QObject {
    Q_OBJECT
  public:
    /// Installs itself on `edit` (and becomes its child). `beep` sounds for a
    /// rejected key. Paste and drop are turned off on the box, as they would
    /// bypass the filter.
    DigitFilter(QLineEdit* edit, std::function<void()> beep);

    /// The box's text as it stood before the last accepted key.
    const QString& TextBeforeKey() const { return before_; }
    void SetTextBeforeKey(const QString& text) { before_ = text; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* edit_;
    std::function<void()> beep_;
    QString before_;
};

} // namespace pv::ui

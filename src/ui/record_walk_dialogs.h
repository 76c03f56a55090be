#pragma once
// The dialogs of the record structure walk: RecType (start and end events),
// Fixed (record length), RecStructure and Delim (delimiter and field count).
// Their rules live in recdef/record_walk.h; each dialog reports the step that
// comes next once it has stored its settings and closed.
#include <QRadioButton>
#include <array>
#include <functional>

#include "config/config.h"
#include "recdef/record_walk.h"
#include "text/messages.h"
#include "ui/dialog_base.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace pv::ui {

class AsciiChartDialog;
class RawTextEdit;

using DialogRunner = std::function<int(QDialog*)>;
using NextStep = std::function<void(WalkNext)>;

/// Beep and the exclamation message box of a refusal.
void ShowRefusal(MessageSink& messages, const Refusal& refusal);

class RecTypeDialog : public DialogBase {
    Q_OBJECT
  public:
    RecTypeDialog(Config& config, MessageSink& messages, DialogRunner& runner,
                  QWidget* parent = nullptr);
    void Fill();
    void Ok();
    void SetNextStep(NextStep next) { next_ = std::move(next); }
    /// The character chart into the raw field that last had the focus.
    void Chart();

    QRadioButton* Start(int i) const { return start_[static_cast<size_t>(i)]; }
    QRadioButton* End(int i) const { return end_[static_cast<size_t>(i)]; }
    RawTextEdit* StartChars() const { return startChars_; }
    RawTextEdit* EndChars() const { return endChars_; }
    QPushButton* ChartButton() const { return chartButton_; }
    AsciiChartDialog* ChartDialog();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int Selected(const std::array<QRadioButton*, 4>& group) const;

    Config& config_;
    MessageSink& messages_;
    DialogRunner& runner_;
    NextStep next_;
    std::array<QRadioButton*, 4> start_{};
    std::array<QRadioButton*, 4> end_{};
    RawTextEdit* startChars_;
    RawTextEdit* endChars_;
    RawTextEdit* last_;
    QPushButton* chartButton_;
    AsciiChartDialog* chart_ = nullptr;
};

class FixedDialog : public DialogBase {
    Q_OBJECT
  public:
    FixedDialog(Config& config, MessageSink& messages, QWidget* parent = nullptr);
    void Fill();
    void Ok();
    void SetNextStep(NextStep next) { next_ = std::move(next); }
    QLineEdit* Length() const { return length_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Config& config_;
    MessageSink& messages_;
    NextStep next_;
    QLineEdit* length_;
};

class RecStructureDialog : public DialogBase {
    Q_OBJECT
  public:
    RecStructureDialog(Config& config, QWidget* parent = nullptr);
    void Fill();
    void Ok();
    void SetNextStep(NextStep next) { next_ = std::move(next); }
    QRadioButton* Option(int i) const { return options_[static_cast<size_t>(i)]; }

  private:
    Config& config_;
    NextStep next_;
    std::array<QRadioButton*, 3> options_{};
};

class DelimDialog : public DialogBase {
    Q_OBJECT
  public:
    DelimDialog(Config& config, MessageSink& messages, QWidget* parent = nullptr);
    void Fill();
    void Ok();
    void SetNextStep(NextStep next) { next_ = std::move(next); }
    QLineEdit* Count() const { return count_; }
    QListWidget* Delimiters() const { return list_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Config& config_;
    MessageSink& messages_;
    NextStep next_;
    QLineEdit* count_;
    QListWidget* list_;
};

} // namespace pv::ui

#pragma once
// RecDefs, the field definition editor: one field at a time, its filter,
// length, format, math expression and postamble, plus the record preamble,
// with a live preview of a sample record cut and converted by the settings
// being edited. The rules are recdef/field_editor.h and record_preview.h.
#include "config/config.h"
#include "recdef/field_editor.h"
#include "recdef/record_preview.h"
#include "text/messages.h"
#include "ui/record_walk_dialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace pv::ui {

class AsciiChartDialog;
class GetAKeyDialog;

class FieldEditorDialog : public DialogBase {
    Q_OBJECT
  public:
    FieldEditorDialog(Config& config, MessageSink& messages, DialogRunner& runner,
                      QWidget* parent = nullptr);

    /// Loads the working copies, lays out by structure and output mode, shows
    /// field 1.
    void Prepare();
    void ShowField();
    void Next();
    void Previous();
    void Ok();
    void reject() override;
    /// Keystroke List and ASCII Chart into the macro box last focused.
    void PickKey();
    void PickChar();

    /// A sample record (device bytes) for the preview.
    void SetSample(const std::string& bytes);
    void RefreshPreview();

    const FieldEditor& Model() const { return model_; }
    QLineEdit* PreambleMacro() const { return preamble_; }
    QLabel* FieldName() const { return fieldName_; }
    QComboBox* Filter() const { return filter_; }
    QLineEdit* Length() const { return length_; }
    QLineEdit* Postamble() const { return postamble_; }
    QComboBox* Format() const { return format_; }
    QLineEdit* Expression() const { return expression_; }
    QLabel* ExpressionFault() const { return fault_; }
    QLabel* BytesDefined() const { return bytesDefined_; }
    QPushButton* PrevButton() const { return prev_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* KeyButton() const { return keyButton_; }
    QPushButton* AsciiButton() const { return asciiButton_; }
    QComboBox* SampleSource() const { return source_; }
    QLineEdit* Sample() const { return sample_; }
    QTreeWidget* PreviewList() const { return preview_; }
    QLabel* PreviewStatus() const { return status_; }
    GetAKeyDialog* KeyPicker();
    AsciiChartDialog* Chart();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Insert(const std::string& text);
    void LengthEdited();
    void Restore();

    Config& config_;
    MessageSink& messages_;
    DialogRunner& runner_;
    FieldEditor model_;
    bool filling_ = false;
    bool lastWasPostamble_ = false;
    std::string sampleBytes_;
    QLabel* preambleLabel_;
    QLineEdit* preamble_;
    QLabel* fieldName_;
    QComboBox* filter_;
    QLabel* lengthLabel_;
    QLineEdit* length_;
    QLabel* postambleLabel_;
    QLineEdit* postamble_;
    QComboBox* format_;
    QLineEdit* expression_;
    QLabel* fault_;
    QWidget* bytesRow_;
    QLabel* bytesDefined_;
    QLabel* bytesOf_;
    QPushButton* prev_;
    QPushButton* next_;
    QPushButton* keyButton_;
    QPushButton* asciiButton_;
    QComboBox* source_;
    QLineEdit* sample_;
    QTreeWidget* preview_;
    QLabel* status_;
    GetAKeyDialog* keyPicker_ = nullptr;
    AsciiChartDialog* chart_ = nullptr;
};

} // namespace pv::ui

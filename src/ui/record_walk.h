#pragma once
// Define > Input Data Record Structure: the chain of modal dialogs from the
// start and end events to the field editor. Each dialog stores its settings
// when the user continues and opens the next; Cancel ends the walk and keeps
// what the earlier dialogs stored. The dialogs are built once and kept.
#include <QObject>

#include "config/config.h"
#include "text/messages.h"
#include "ui/record_walk_dialogs.h"

namespace pv::ui {

class FieldEditorDialog;
class TimedDialog;

class RecordWalk : public QObject {
    Q_OBJECT
  public:
    RecordWalk(Config& config, MessageSink& messages, QWidget* parent);
    /// Runs every dialog of the walk (the character chart and key picker
    /// too); tests answer them without a user.
    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }

    /// Opens the start and end event dialog.
    void Start();

    RecTypeDialog* RecType();
    FixedDialog* Fixed();
    TimedDialog* Timed();
    RecStructureDialog* Structure();
    DelimDialog* Delim();
    FieldEditorDialog* Editor();

  private:
    void Continue(WalkNext next);

    Config& config_;
    MessageSink& messages_;
    QWidget* parent_;
    DialogRunner runner_;
    RecTypeDialog* recType_ = nullptr;
    FixedDialog* fixed_ = nullptr;
    TimedDialog* timed_ = nullptr;
    RecStructureDialog* structure_ = nullptr;
    DelimDialog* delim_ = nullptr;
    FieldEditorDialog* editor_ = nullptr;
};

} // namespace pv::ui

#include "ui/record_walk.h"

#include <QApplication>
#include <QGuiApplication>

#include "ui/field_editor_dialog.h"
#include "ui/timed_dialog.h"

namespace pv::ui {

RecordWalk::RecordWalk(Config& config, MessageSink& messages, QWidget* parent)
    : QObject(parent), config_(config), messages_(messages), parent_(parent),
      runner_([](QDialog* d) { return d->exec(); }) {
    setObjectName("RecordWalk");
}

RecTypeDialog* RecordWalk::RecType() {
    if (!recType_) {
        recType_ = new RecTypeDialog(config_, messages_, runner_, parent_);
        recType_->SetNextStep([this](WalkNext n) { Continue(n); });
    }
    return recType_;
}
FixedDialog* RecordWalk::Fixed() {
    if (!fixed_) {
        fixed_ = new FixedDialog(config_, messages_, parent_);
        fixed_->SetNextStep([this](WalkNext n) { Continue(n); });
    }
    return fixed_;
}
TimedDialog* RecordWalk::Timed() {
    if (!timed_) {
        timed_ = new TimedDialog(config_, messages_, parent_);
        timed_->SetNextStep([this] { Continue(WalkNext::Structure); });
    }
    return timed_;
}
RecStructureDialog* RecordWalk::Structure() {
    if (!structure_) {
        structure_ = new RecStructureDialog(config_, parent_);
        structure_->SetNextStep([this](WalkNext n) { Continue(n); });
    }
    return structure_;
}
DelimDialog* RecordWalk::Delim() {
    if (!delim_) {
        delim_ = new DelimDialog(config_, messages_, parent_);
        delim_->SetNextStep([this](WalkNext n) { Continue(n); });
    }
    return delim_;
}
FieldEditorDialog* RecordWalk::Editor() {
    if (!editor_) editor_ = new FieldEditorDialog(config_, messages_, runner_, parent_);
    return editor_;
}

void RecordWalk::Start() {
    RecType()->Fill();
    runner_(RecType());
}

void RecordWalk::Continue(WalkNext next) {
    switch (next) {
    case WalkNext::Fixed:
        Fixed()->Fill();
        runner_(Fixed());
        break;
    case WalkNext::Timed:
        Timed()->Fill();
        runner_(Timed());
        break;
    case WalkNext::Structure:
        Structure()->Fill();
        runner_(Structure());
        break;
    case WalkNext::Delimited:
        Delim()->Fill();
        runner_(Delim());
        break;
    case WalkNext::Editor:
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        Editor()->Prepare();
        QGuiApplication::restoreOverrideCursor();
        runner_(Editor());
        break;
    }
}

} // namespace pv::ui

#include "ui/date_time_format_dialog.h"

#include <QLabel>
#include <QLineEdit>

#include "ui/resource_texts_qt.h"

namespace pv::ui {

DateTimeFormatDialog::DateTimeFormatDialog(Config& config, QWidget* parent)
    : DialogBase(parent, "frmDateTimeFmt", 2309), config_(config) {
    auto* label = Tag(new QLabel("9003"), 9003);
    text1_ = new QLineEdit;
    text1_->setObjectName("Text1");
    label->setBuddy(text1_);

    Add(label);
    Add(text1_);
    AddOkCancel({"Command1", 2430}, {"Command2", 2432}, [this] { Ok(); });
    Finish(360);
}

void DateTimeFormatDialog::Fill() {
    text1_->setText(FromBytes(config_.DateTimeFormat));
}

void DateTimeFormatDialog::Ok() {
    const std::string format = ToBytes(text1_->text());
    if (format != config_.DateTimeFormat) config_.ConfigChanged = True;
    config_.DateTimeFormat = format;
    accept();
}

} // namespace pv::ui

#include "ui/date_time_format_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/resource_texts_qt.h"

namespace pv::ui {

DateTimeFormatDialog::DateTimeFormatDialog(Config& config, QWidget* parent)
    : QDialog(parent), config_(config) {
    setObjectName("frmDateTimeFmt");
    SetTag(this, 2309);
    setModal(true);
    auto* label = Tag(new QLabel("9003"), 9003);
    text1_ = new QLineEdit;
    text1_->setObjectName("Text1");
    label->setBuddy(text1_);

    auto* buttons = new QDialogButtonBox;
    auto* ok = Tag(buttons->addButton("OK", QDialogButtonBox::AcceptRole), 2430);
    auto* cancel = Tag(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), 2432);
    ok->setObjectName("Command1");
    cancel->setObjectName("Command2");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &DateTimeFormatDialog::Ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(text1_);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    ApplyResourceTexts(this);
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

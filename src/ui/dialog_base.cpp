#include "ui/dialog_base.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/resource_texts_qt.h"

namespace pv::ui {

DialogBase::DialogBase(QWidget* parent, const char* name, int title)
    : QDialog(parent), column_(new QVBoxLayout(this)) {
    setObjectName(name);
    if (title > 0) SetTag(this, title);
    setModal(true);
}

void DialogBase::Add(QWidget* widget, int stretch) {
    column_->addWidget(widget, stretch);
}

void DialogBase::Add(QLayout* layout, int stretch) {
    column_->addLayout(layout, stretch);
}

QDialogButtonBox* DialogBase::AddOkCancel(DialogButton ok, DialogButton cancel,
                                          std::function<void()> onOk) {
    auto* buttons = new QDialogButtonBox;
    // The number stands in until Finish puts the text of the language there.
    auto* okButton =
        Tag(buttons->addButton(QString::number(ok.Text), QDialogButtonBox::AcceptRole), ok.Text);
    okButton->setObjectName(ok.Name);
    okButton->setDefault(true);
    if (onOk)
        connect(okButton, &QPushButton::clicked, this, std::move(onOk));
    else
        connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    if (cancel.Name) {
        auto* cancelButton =
            Tag(buttons->addButton(QString::number(cancel.Text), QDialogButtonBox::RejectRole),
                cancel.Text);
        cancelButton->setObjectName(cancel.Name);
        connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    }
    column_->addWidget(buttons);
    return buttons;
}

void DialogBase::Finish(int minimumWidth) {
    if (minimumWidth > 0) setMinimumWidth(minimumWidth);
    ApplyResourceTexts(this);
}

} // namespace pv::ui

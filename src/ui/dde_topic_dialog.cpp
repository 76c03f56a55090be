#include "ui/dde_topic_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "text/strings.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

DdeTopicDialog::DdeTopicDialog(Config& config, MessageSink& messages, QWidget* parent)
    : QDialog(parent), config_(config), messages_(messages) {
    setObjectName("PortivoxDDETopic");
    SetTag(this, 7000);
    setModal(true);

    option1_ = Tag(new QRadioButton("7001"), 7001);
    option1_->setObjectName("Option1");
    option2_ = Tag(new QRadioButton("7002"), 7002);
    option2_->setObjectName("Option2");
    text1_ = new QLineEdit;
    text1_->setObjectName("Text1");
    connect(option1_, &QRadioButton::toggled, this, [this](bool on) { text1_->setEnabled(!on); });
    // A click into the (possibly disabled) box chooses "Specify Topic".
    installEventFilter(this);
    text1_->installEventFilter(this);

    auto* buttons = new QDialogButtonBox;
    auto* ok = Tag(buttons->addButton("&OK", QDialogButtonBox::AcceptRole), 1507);
    auto* cancel = Tag(buttons->addButton("&Cancel", QDialogButtonBox::RejectRole), 1508);
    ok->setObjectName("Command1");
    cancel->setObjectName("Command2");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &DdeTopicDialog::Ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(option1_, 0, 0, 1, 2);
    grid->addWidget(option2_, 1, 0);
    grid->addWidget(text1_, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    ApplyResourceTexts(this);
}

void DdeTopicDialog::Fill() {
    const bool named = !config_.DDETopicName.empty();
    text1_->setText(FromBytes(config_.DDETopicName));
    (named ? option2_ : option1_)->setChecked(true);
    text1_->setEnabled(named);
}

bool DdeTopicDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return false;
    if (watched == text1_ ||
        (watched == this &&
         childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) == text1_)) {
        if (!option2_->isChecked()) {
            option2_->setChecked(true);
            text1_->setFocus();
        }
    }
    return false;
}

void DdeTopicDialog::Ok() {
    std::string topic;
    if (option2_->isChecked()) {
        topic = ToBytes(text1_->text().trimmed());
        if (topic.empty()) {
            messages_.Beep();
            messages_.Show(Text(9000) + "\n" + Text(9001), Text(9002), MsgIcon::None,
                           MsgButtons::Ok);
            text1_->setFocus();
            return;
        }
    }
    if (topic != config_.DDETopicName) config_.ConfigChanged = True;
    config_.DDETopicName = topic;
    accept();
}

} // namespace pv::ui

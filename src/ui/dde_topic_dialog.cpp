#include "ui/dde_topic_dialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>

#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

DdeTopicDialog::DdeTopicDialog(Config& config, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "PortivoxDDETopic", 7000), config_(config), messages_(messages) {

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

    auto* grid = new QGridLayout;
    grid->addWidget(option1_, 0, 0, 1, 2);
    grid->addWidget(option2_, 1, 0);
    grid->addWidget(text1_, 1, 1);
    Add(grid);
    AddOkCancel({"Command1", 1507}, {"Command2", 1508}, [this] { Ok(); });
    Finish(420);
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
            messages_.Show(Text(txt::DdeTopicBlank) + "\n" + Text(txt::DdeTopicPrompt),
                           Text(txt::InvalidDdeTopicTitle), MsgIcon::None, MsgButtons::Ok);
            text1_->setFocus();
            return;
        }
    }
    if (topic != config_.DDETopicName) config_.ConfigChanged = True;
    config_.DDETopicName = topic;
    accept();
}

} // namespace pv::ui

#include "ui/dde_parms_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "text/text_ids.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

DdeParmsDialog::DdeParmsDialog(Config& config, QWidget* parent)
    : DialogBase(parent, "DDEParms", 0), config_(config) {

    explain1_ = Tag(new QLabel("1505"), 1505);
    explain1_->setWordWrap(true);
    explain2_ = Tag(new QLabel("1506"), 1506);
    explain2_->setWordWrap(true);

    app_ = new QLineEdit;
    app_->setObjectName("DDEApp");
    topic_ = new QLineEdit;
    topic_->setObjectName("DDETop");
    item_ = new QLineEdit;
    item_->setObjectName("DDEItm");
    auto* appLabel = Tag(new QLabel("1502"), 1502);
    auto* topicLabel = Tag(new QLabel("1503"), 1503);
    itemLabel_ = Tag(new QLabel("1504"), 1504);
    appLabel->setBuddy(app_);
    topicLabel->setBuddy(topic_);
    itemLabel_->setBuddy(item_);
    auto* form = new QFormLayout;
    form->addRow(appLabel, app_);
    form->addRow(topicLabel, topic_);
    form->addRow(itemLabel_, item_);

    linkStatus_ = Tag(new QCheckBox("6006"), 6006);
    linkStatus_->setObjectName("DDELinkStatus");
    stripCrLf_ = Tag(new QCheckBox("6007"), 6007);
    stripCrLf_->setObjectName("StripCrLf");
    // A click on either box counts as a change even if the dialog is cancelled.
    connect(linkStatus_, &QCheckBox::clicked, this, [this] { config_.ConfigChanged = True; });
    connect(stripCrLf_, &QCheckBox::clicked, this, [this] { config_.ConfigChanged = True; });

    Add(explain1_);
    Add(explain2_);
    Add(form);
    Add(linkStatus_);
    Add(stripCrLf_);
    AddOkCancel({"DDEOkButton", 1507}, {"DDECancelButton", 1508}, [this] { Ok(); });
    Finish(460);
}

void DdeParmsDialog::Fill(DdeParmsKind kind) {
    kind_ = kind;
    const bool link = kind != DdeParmsKind::CommandTarget;
    explain1_->setVisible(!link);
    explain2_->setVisible(!link);
    item_->setVisible(link);
    itemLabel_->setVisible(link);
    linkStatus_->setVisible(link);
    stripCrLf_->setVisible(kind == DdeParmsKind::OutputBuffer);
    switch (kind) {
    case DdeParmsKind::CommandSource:
        setWindowTitle(Tx(txt::CommandLinkTitle));
        app_->setText(FromBytes(config_.CmdLinkApp));
        topic_->setText(FromBytes(config_.CmdLinkTopic));
        item_->setText(FromBytes(config_.CmdLinkItem));
        linkStatus_->setChecked(IsSet(config_.CmdLinkOnActivation));
        break;
    case DdeParmsKind::OutputBuffer:
        setWindowTitle(Tx(txt::BufferLinkTitle));
        app_->setText(FromBytes(config_.BufferLinkApp));
        topic_->setText(FromBytes(config_.BufferLinkTopic));
        item_->setText(FromBytes(config_.BufferLinkItem));
        linkStatus_->setChecked(IsSet(config_.BufferLinkOnActivation));
        stripCrLf_->setChecked(IsSet(config_.BufferLinkStripCrLf));
        break;
    case DdeParmsKind::CommandTarget:
        setWindowTitle(Tx(txt::DdeCommandTargetTitle));
        app_->setText(FromBytes(config_.DDECommandApp));
        topic_->setText(FromBytes(config_.DDECommandTopic));
        item_->setText(FromBytes(config_.DDECommand));
        break;
    }
    adjustSize();
}

void DdeParmsDialog::Ok() {
    const std::string app = ToBytes(app_->text());
    const std::string topic = ToBytes(topic_->text());
    const std::string item = ToBytes(item_->text());
    auto store = [&](std::string& a, std::string& t, std::string& i) {
        if (a == app && t == topic && i == item) return;
        config_.ConfigChanged = True;
        a = app;
        t = topic;
        i = item;
    };
    switch (kind_) {
    case DdeParmsKind::CommandSource:
        store(config_.CmdLinkApp, config_.CmdLinkTopic, config_.CmdLinkItem);
        config_.CmdLinkOnActivation = linkStatus_->isChecked() ? True : False;
        break;
    case DdeParmsKind::OutputBuffer:
        store(config_.BufferLinkApp, config_.BufferLinkTopic, config_.BufferLinkItem);
        config_.BufferLinkOnActivation = linkStatus_->isChecked() ? True : False;
        config_.BufferLinkStripCrLf = stripCrLf_->isChecked() ? True : False;
        break;
    case DdeParmsKind::CommandTarget:
        store(config_.DDECommandApp, config_.DDECommandTopic, config_.DDECommand);
        break;
    }
    accept();
}

} // namespace pv::ui

#include "ui/mqtt_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QThread>
#include <memory>

#include "output/mqtt_settings.h"
#include "platform/qt/mqtt_run.h"
#include "platform/qt/secret_store.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

namespace {

QString Filled(int text, const QString& value) {
    return Tx(text).replace("%1", value);
}

std::string Filled(int text, const std::string& value) {
    std::string out = Text(text);
    size_t at = out.find("%1");
    return at == std::string::npos ? out + " " + value : out.replace(at, 2, value);
}

} // namespace

MqttDialog::MqttDialog(SettingsStore& store, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "PortivoxMqtt", txt::MqttTitle), store_(store), messages_(messages) {
    enabled_ = Tag(new QCheckBox, txt::MqttEnable);
    enabled_->setObjectName("Enabled");
    Add(enabled_);

    auto* form = new QFormLayout;
    auto line = [&](const char* name, int label) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        auto* caption = Tag(new QLabel, label);
        caption->setBuddy(edit);
        form->addRow(caption, edit);
        return edit;
    };
    url_ = line("Url", txt::MqttUrl);
    url_->setPlaceholderText("mqtts://broker.example:8883");
    caFile_ = new QLineEdit;
    caFile_->setObjectName("CaFile");
    auto* browse = Tag(new QPushButton, txt::MqttBrowse);
    browse->setObjectName("Browse");
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFile_, 1);
    caRow->addWidget(browse);
    auto* caLabel = Tag(new QLabel, txt::MqttCaFile);
    caLabel->setBuddy(caFile_);
    form->addRow(caLabel, caRow);
    connect(browse, &QPushButton::clicked, this, [this] {
        QString file =
            QFileDialog::getOpenFileName(this, TxPlain(txt::MqttCaFile), caFile_->text());
        if (!file.isEmpty()) caFile_->setText(file);
    });
    user_ = line("User", txt::MqttUser);
    password_ = line("Password", txt::MqttPassword);
    password_->setEchoMode(QLineEdit::Password);
    clientId_ = line("ClientId", txt::MqttClientId);
    prefix_ = line("TopicPrefix", txt::MqttTopicPrefix);
    Add(form);

    commands_ = Tag(new QCheckBox, txt::MqttCommands);
    commands_->setObjectName("Commands");
    withoutTls_ = Tag(new QCheckBox, txt::MqttCommandsWithoutTls);
    withoutTls_->setObjectName("CommandsWithoutTls");
    connect(commands_, &QCheckBox::toggled, withoutTls_, &QWidget::setEnabled);
    Add(commands_);
    Add(withoutTls_);

    auto* testRow = new QHBoxLayout;
    test_ = Tag(new QPushButton, txt::MqttTestConnection);
    test_->setObjectName("TestConnection");
    answer_ = new QLabel;
    answer_->setObjectName("Answer");
    answer_->setWordWrap(true);
    testRow->addWidget(test_);
    testRow->addWidget(answer_, 1);
    Add(testRow);
    connect(test_, &QPushButton::clicked, this, &MqttDialog::TestConnection);

    AddOkCancel({"Command1", txt::MqttOk}, {"Command2", txt::MqttCancel}, [this] { Ok(); });
    Finish(520);
}

void MqttDialog::Fill() {
    MqttSettings s = LoadMqttSettings(store_);
    loadedPassword_.clear();
    LoadMqttPassword(loadedPassword_);
    queueLimit_ = s.QueueLimit;
    enabled_->setChecked(s.Enabled);
    url_->setText(FromBytes(s.Url));
    caFile_->setText(FromPath(s.CaFile));
    user_->setText(FromBytes(s.User));
    password_->setText(FromBytes(loadedPassword_));
    std::string host = MqttHostName();
    clientId_->setText(FromBytes(s.ClientId));
    clientId_->setPlaceholderText(
        Filled(txt::MqttDefault, FromBytes(DefaultClientId(host, "<DDE topic>"))));
    prefix_->setText(FromBytes(s.TopicPrefix));
    prefix_->setPlaceholderText(
        Filled(txt::MqttDefault, FromBytes(DefaultTopicPrefix(host, "<DDE topic>"))));
    commands_->setChecked(s.Commands);
    withoutTls_->setChecked(s.CommandsWithoutTls);
    withoutTls_->setEnabled(s.Commands);
    answer_->setText(Filled(txt::MqttQueueNote, QLocale().toString(qulonglong(queueLimit_))));
}

void MqttDialog::Ok() {
    BrokerAddress broker;
    std::string why;
    if (!ParseBrokerUrl(ToBytes(url_->text().trimmed()), broker, why)) {
        messages_.Show(Filled(txt::MqttBadUrl, why), Text(txt::MqttTitle), MsgIcon::Exclamation,
                       MsgButtons::Ok);
        url_->setFocus();
        return;
    }
    MqttSettings s;
    s.Enabled = enabled_->isChecked();
    s.Url = ToBytes(url_->text().trimmed());
    s.CaFile = ToPath(caFile_->text().trimmed());
    s.User = ToBytes(user_->text().trimmed());
    s.ClientId = ToBytes(clientId_->text().trimmed());
    s.TopicPrefix = ToBytes(prefix_->text().trimmed());
    s.Commands = commands_->isChecked();
    s.CommandsWithoutTls = withoutTls_->isChecked();
    s.QueueLimit = queueLimit_;
    SaveMqttSettings(store_, s);
    std::string password = ToBytes(password_->text());
    std::string where;
    if (password != loadedPassword_ && !StoreMqttPassword(password, where, why)) {
        messages_.Show(Filled(txt::MqttPasswordNotSaved, why), Text(txt::MqttTitle),
                       MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    accept();
}

void MqttDialog::TestConnection() {
    MqttSettings s;
    s.Url = ToBytes(url_->text().trimmed());
    s.CaFile = ToPath(caFile_->text().trimmed());
    s.User = ToBytes(user_->text().trimmed());
    s.Password = ToBytes(password_->text());
    s.ClientId = ToBytes(clientId_->text().trimmed());
    test_->setEnabled(false);
    answer_->setText(Tx(txt::MqttConnecting));
    // Connecting may take seconds: a thread of its own, the answer queued
    // back; a dialog closed meanwhile simply gets none.
    auto result = std::make_shared<std::string>();
    QThread* worker = QThread::create([s, result] { *result = TestMqttConnection(s, 5000); });
    connect(worker, &QThread::finished, this, [this, result] {
        test_->setEnabled(true);
        answer_->setText(result->empty()
                             ? Tx(txt::MqttAccepted)
                             : Filled(txt::MqttNotAccepted, QString::fromStdString(*result)));
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

} // namespace pv::ui

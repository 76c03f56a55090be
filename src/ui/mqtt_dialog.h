#pragma once
// Options > Publish to MQTT Broker: the machine's broker settings (section
// "Mqtt" of the per-user store), the password in the secret store, and a
// connection test that runs off the window's thread.
#include "config/settings_store.h"
#include "text/messages.h"
#include "ui/dialog_base.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pv::ui {

class MqttDialog : public DialogBase {
    Q_OBJECT
  public:
    MqttDialog(SettingsStore& store, MessageSink& messages, QWidget* parent = nullptr);

    /// The controls from the settings.
    void Fill();
    /// Checks the URL, saves the settings and the password.
    void Ok();
    /// Connects once with what the controls hold; the answer shows below.
    void TestConnection();

    QLineEdit* Url() const { return url_; }
    QLabel* Answer() const { return answer_; }

  private:
    SettingsStore& store_;
    MessageSink& messages_;
    QCheckBox* enabled_ = nullptr;
    QLineEdit *url_ = nullptr, *caFile_ = nullptr, *user_ = nullptr, *password_ = nullptr;
    QLineEdit *clientId_ = nullptr, *prefix_ = nullptr;
    QCheckBox *commands_ = nullptr, *withoutTls_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* answer_ = nullptr;
    std::string loadedPassword_;
    size_t queueLimit_ = 100000;
};

} // namespace pv::ui

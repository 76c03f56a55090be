// The broker dialog (Options > Publish to MQTT Broker) in English, German
// and Japanese, with a connection the test button has just checked.
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "framing.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/mqtt_dialog.h"
#include "ui/resource_texts_qt.h"
#include "ui/setup_test_support.h"

namespace pv::test {
namespace {

TEST(MqttScreenshots, Dialog) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    EnsureApp();
    QTemporaryDir home; // no password of the user's own is read
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    const Language saved = CurrentLanguage();
    const std::pair<Language, const char*> languages[] = {
        {Language::English, ""}, {Language::German, "_de"}, {Language::Japanese, "_ja"}};
    for (const auto& [language, suffix] : languages) {
        SetLanguage(language);
        MemorySettingsStore store;
        store.Set("Mqtt", "Enabled", "1");
        store.Set("Mqtt", "Url", "mqtts://broker.lab.example:8883");
        store.Set("Mqtt", "CaFile", "/etc/ssl/certs/lab-ca.pem");
        store.Set("Mqtt", "User", "balance-07");
        store.Set("Mqtt", "Commands", "1");
        testing::RecordingMessages messages;
        ui::MqttDialog dialog(store, messages);
        dialog.Fill();
        dialog.findChild<QLineEdit*>("Password")->setText("not-shown");
        dialog.Answer()->setText(ui::Tx(txt::MqttAccepted));
        shots::SaveWidget(&dialog, QStringLiteral("setup_mqtt%1.png").arg(suffix));
    }
    SetLanguage(saved);
}

} // namespace
} // namespace pv::test

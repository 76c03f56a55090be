// The broker dialog: what OK saves, and where the password goes.
#include "ui/setup_test_support.h"

#include <sys/stat.h>
#include <tuple>

#include "output/mqtt_settings.h"

namespace pv::test {
namespace {

TEST(MqttDialog, OkSavesValidSettingsAndKeepsThePasswordOutOfThem) {
    EnsureApp();
    // No desktop secret store here: the password goes to the file.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    for (auto [name, url, saved] :
         {std::tuple{"a_url_without_mqtt_scheme_is_refused", "http://broker:1883", false},
          std::tuple{"a_tls_url_is_saved_with_a_user_only_password", "mqtts://b:8883", true}}) {
        SCOPED_TRACE(name);
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        MemorySettingsStore store;
        testing::RecordingMessages messages;
        ui::MqttDialog dialog(store, messages);
        dialog.Fill();
        dialog.Url()->setText(url);
        dialog.findChild<QLineEdit*>("Password")->setText("s3cret");
        dialog.Ok();
        EXPECT_EQ(messages.shown.size(), saved ? 0u : 1u);
        EXPECT_EQ(store.Get("Mqtt", "Url"), saved ? url : "");
        for (const auto& [key, value] : store.values)
            EXPECT_EQ(value.find("s3cret"), std::string::npos) << key;
        struct stat st {};
        bool file = ::stat(PasswordFile().c_str(), &st) == 0;
        EXPECT_EQ(file, saved);
        EXPECT_EQ(file ? st.st_mode & 0777 : 0600u, 0600u);
    }
}

} // namespace
} // namespace pv::test

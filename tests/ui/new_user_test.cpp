// What a new user sees first: the devices that exist in Port Settings, the
// status line, labels that fit, placement.
#include "ui/setup_test_support.h"
#include <filesystem>
#include <fstream>

namespace pv {
namespace {

namespace fs = std::filesystem;

TEST(PortDevices, NinetyNinePortsTheirDevicesAndAPluggedAdapterChosenForTheSelectedCom) {
    test::EnsureApp();
    const fs::path root = fs::path(::testing::TempDir()) / "pv-devs";
    fs::create_directories(root / "dev");
    Config config;
    config.CommPort = 1;
    MemorySettingsStore store;
    store.Set("Ports", "COM2", "/dev/pts/1");
    testing::RecordingMessages messages;
    ui::PortSetupDialog d(config, store, messages);
    d.SetDeviceRoot(root.string());
    d.Fill();
    d.show();
    EXPECT_EQ(d.PortList()->count(), 99);
    EXPECT_EQ(d.PortList()->item(98)->text(), "COM99");
    EXPECT_EQ(d.Device()->text(), "/dev/pts/1") << "opens on the device COM2 maps to now";
    d.PortList()->setCurrentRow(0);
    EXPECT_EQ(d.Device()->text(), "/dev/ttyS0");
    d.PortList()->setCurrentRow(1);
    QComboBox* choice = d.DeviceChoice();
    std::ofstream(root / "dev/ttyACM0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return choice->count() > 0; }));
    ASSERT_EQ(choice->itemData(0).toString(), "/dev/ttyACM0") << "a plugged adapter shows up";
    emit choice->activated(0);
    d.Ok();
    EXPECT_EQ(store.Get("Ports", "COM2"), "/dev/ttyACM0");
    EXPECT_EQ(store.values.count("Ports/COM1"), 0u) << "the default device is not stored";
    fs::remove_all(root);
}

// Run at 96 DPI offscreen and at 144 and 192 DPI under Xvfb (CMake).
TEST(LabelsFit, HeaderTextsNeitherClipNorOverlapAndStatusShowsTheState) {
    for (Language language : {Language::English, Language::German, Language::Japanese}) {
        SCOPED_TRACE(static_cast<int>(language));
        SetLanguage(language);
        test::RunFixture f;
        f.config.ShowDateTime = True;
        ASSERT_TRUE(f.Start(RunTest));
        f.Tick();
        RunningWindow& w = f.Window();
        // Text spans left to right: Label1 reads from the left, the others
        // from the right; the date box is as wide as its text.
        auto end = [](QLabel* l) { return l->x() + l->fontMetrics().horizontalAdvance(l->text()); };
        auto start = [](QWidget* c, const QString& t) {
            return c->geometry().right() - c->fontMetrics().horizontalAdvance(t);
        };
        QLabel* label1 = w.centralWidget()->findChild<QLabel*>("Label1");
        QLabel* label2 = w.centralWidget()->findChild<QLabel*>("Label2");
        QLabel* date = w.centralWidget()->findChild<QLabel*>("DDEClient");
        EXPECT_LE(end(label1), start(label2, label2->text()));
        EXPECT_LE(w.RecordNumberBox()->geometry().right(), start(date, date->text()));
        EXPECT_TRUE(w.StateLabel()->text().contains(QString::fromStdString(Text(9322))));
        w.ToggleSuspend();
        EXPECT_TRUE(w.StateLabel()->text().startsWith(QString::fromStdString(Text(9320))));
    }
    SetLanguage(Language::English);
}

TEST(WindowPlacement, ARestoredWindowLiesFullyOnTheNearestScreen) {
    const QList<QRect> screens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
    for (auto [client, expected] : // a title bar above the top; past the last screen's edge
         {std::pair{QRect(100, -540, 300, 100), QPoint(100, 30)},
          std::pair{QRect(3300, 100, 300, 100), QPoint(2896, 100)}})
        EXPECT_EQ(PlaceOnScreen(client, QMargins(4, 30, 4, 4), screens).topLeft(), expected);
}

} // namespace
} // namespace pv

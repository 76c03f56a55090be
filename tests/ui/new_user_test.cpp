// What a new user sees first: the devices that exist in Port Settings.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QList>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "fakes/recording_messages.h"
#include <QLabel>
#include <QMenu>

#include "runtime/runtime.h"
#include "text/strings.h"
#include "ui/config_summary.h"
#include "ui/port_setup_dialog.h"
#include "ui/running_test_support.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(PortDevices, ListedByIdFirstRefreshedWhilePluggedAndChosenForTheSelectedCom) {
    test::EnsureApp();
    const fs::path root = fs::path(::testing::TempDir()) / ("pv-devs-" + std::to_string(getpid()));
    fs::create_directories(root / "dev/serial/by-id");
    std::ofstream(root / "dev/ttyUSB0");
    std::ofstream(root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5-if00-port0");
    Config config;
    config.CommPort = 1;
    MemorySettingsStore store;
    store.Set("Ports", "COM2", "/dev/pts/1");
    testing::RecordingMessages messages;
    ui::PortSetupDialog d(config, store, messages);
    d.SetDeviceRoot(root.string());
    d.Fill();
    d.show();
    EXPECT_EQ(d.Device()->text(), "/dev/pts/1") << "opens on the device COM2 maps to now";
    QComboBox* choice = d.DeviceChoice();
    ASSERT_EQ(choice->count(), 2);
    EXPECT_TRUE(choice->itemText(0).endsWith("(FTDI FT232R USB UART A5)"));
    EXPECT_EQ(choice->itemData(1).toString(), "/dev/ttyUSB0");

    std::ofstream(root / "dev/ttyACM0");
    EXPECT_TRUE(WaitUntil([&] { return choice->count() == 3; })) << "a plugged adapter shows up";
    fs::remove(root / "dev/ttyUSB0");
    EXPECT_TRUE(WaitUntil([&] { return choice->findData("/dev/ttyUSB0") < 0; }))
        << "an unplugged adapter goes";

    emit choice->activated(choice->findData("/dev/ttyACM0"));
    d.Ok();
    EXPECT_EQ(store.Get("Ports", "COM2"), "/dev/ttyACM0");
    fs::remove_all(root);
}

TEST(ConfigSummary, SaysDeviceLineDestinationAndLayout) {
    test::EnsureApp();
    SetLanguage(Language::English);
    struct Row {
        const char* rule;
        std::function<void(Config&)> change;
        const char* text;
    };
    const std::vector<Row> rows = {
        {"defaults: COM1's device, 9600 7-O-1, the focused window, one field", [](Config&) {},
         "/dev/ttyS0 9600 7-O-1\nkeystrokes to the focused window\none field"},
        {"line settings read as rate data-parity-stop",
         [](Config& c) { c.BaudRate = 11, c.DataBits = 3, c.Parity = 2, c.StopBits = 2; },
         "/dev/ttyS0 115200 8-E-2\nkeystrokes to the focused window\none field"},
        {"a named target and delimited fields",
         [](Config& c) {
             c.KeyTargetTitle = "Receiver", c.RecordStructure = DelimitedFields;
             c.FieldCount = 3, c.FieldDelimiter = ";";
         },
         "/dev/ttyS0 9600 7-O-1\nkeystrokes to \"Receiver\"\n3 fields, delimited ';'"},
        {"DDE without a topic serves the port name; fixed fields",
         [](Config& c) {
             c.OutputMode = DdeServer, c.CommPort = 1, c.RecordStructure = FixedLengthFields;
             c.FieldCount = 2;
         },
         "/dev/ptmx-mapped 9600 7-O-1\nDDE topic COM2\n2 fields, fixed length"},
        {"a log file", [](Config& c) { c.OutputMode = LogToDisk, c.LogFileName = "/tmp/x.log"; },
         "/dev/ttyS0 9600 7-O-1\nlog file /tmp/x.log\none field"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        Config config;
        MemorySettingsStore store;
        store.Set("Ports", "COM2", "/dev/ptmx-mapped");
        ui::ConfigSummary summary(config, store);
        r.change(config);
        summary.Refresh();
        EXPECT_EQ(summary.text().toStdString(), r.text);
    }
}

TEST(RunningStatus, NamesDeviceCountAndDestinationAndShowsSuspendAndTestMode) {
    SetLanguage(Language::English);
    test::RunFixture f;
    f.config.FieldPostamble[1].clear();
    ASSERT_TRUE(f.Start(RunTest));
    f.session->Window()->SetStatusDevice("/dev/ttyUSB0");
    f.driver->Input = "12\r";
    f.Tick(2);
    const QString line = f.Window().StatusLine()->text();
    EXPECT_TRUE(line.startsWith("/dev/ttyUSB0")) << line.toStdString();
    EXPECT_TRUE(line.contains("1 records")) << line.toStdString();
    EXPECT_EQ(f.Window().StateLabel()->text(), "Running · Test mode");
    f.Window().TrayMenu()->findChild<QAction*>("traySuspend")->trigger();
    EXPECT_TRUE(f.Run().Suspended()) << "the tray menu suspends";
    EXPECT_TRUE(f.Window().StateLabel()->text().startsWith("Suspended"));
}

TEST(WindowPlacement, ARestoredWindowLiesFullyOnTheNearestScreen) {
    const QList<QRect> screens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
    const QMargins frame(4, 30, 4, 4);
    struct Row {
        const char* rule;
        QRect client;
        QPoint expected;
    };
    for (const auto& r : std::vector<Row>{
             {"a window on screen stays", {100, 200, 300, 100}, {100, 200}},
             {"a title bar above the top comes down", {100, -540, 300, 100}, {100, 30}},
             {"past the right edge of the last screen comes back",
              {3300, 100, 300, 100},
              {2896, 100}},
             {"far below goes to the nearest screen's bottom", {1500, 5000, 300, 100}, {1500, 976}},
         }) {
        SCOPED_TRACE(r.rule);
        EXPECT_EQ(PlaceOnScreen(r.client, frame, screens).topLeft(), r.expected);
    }
}

// Run at 96 DPI offscreen and at 144 and 192 DPI under Xvfb (CMake).
TEST(LabelsFit, HeaderTextsNeitherClipNorOverlapInEveryLanguage) {
    for (Language language : {Language::English, Language::German, Language::Japanese}) {
        SCOPED_TRACE(static_cast<int>(language));
        SetLanguage(language);
        test::RunFixture f;
        f.config.ShowDateTime = True;
        f.config.FieldCount = 3;
        f.config.RecordStructure = DelimitedFields;
        ASSERT_TRUE(f.Start(RunTest));
        f.Tick();
        RunningWindow& w = f.Window();
        QList<QWidget*> row;
        for (QWidget* c : w.centralWidget()->findChildren<QWidget*>())
            if (c->isVisibleTo(&w) && c->y() < w.FieldBox(1)->y() + 2 &&
                (qobject_cast<QLabel*>(c) || c == w.RecordNumberBox() || c == w.DateTimeBox()))
                row.push_back(c);
        // The text span of each: labels right-aligned unless left-aligned.
        auto span = [](QWidget* c) {
            const auto* l = qobject_cast<QLabel*>(c);
            const QString text = l ? l->text() : static_cast<QLineEdit*>(c)->text();
            const int width = c->fontMetrics().horizontalAdvance(text);
            const bool left = !l || (l->alignment() & Qt::AlignLeft);
            const QRect g = c->geometry();
            return left ? std::pair{g.left(), g.left() + width}
                        : std::pair{g.right() - width, g.right()};
        };
        for (QWidget* c : row) {
            SCOPED_TRACE(c->objectName().toStdString());
            EXPECT_GE(c->geometry().left(), 0);
            EXPECT_LE(span(c).second - span(c).first, c->width()) << "text clipped";
            EXPECT_LE(c->geometry().right(), w.centralWidget()->width());
            for (QWidget* d : row) {
                if (d == c || span(c).first >= span(d).first) continue;
                EXPECT_LE(span(c).second, span(d).first)
                    << "overlaps " << d->objectName().toStdString();
            }
        }
    }
    SetLanguage(Language::English);
}

} // namespace
} // namespace pv

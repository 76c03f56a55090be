// Screenshots of the running window for the documentation. Runs only when
// PORTIVOX_SCREENSHOT_DIR names the directory to write to.
#include <QPixmap>
#include <gtest/gtest.h>

#include "ui/running_test_support.h"

namespace pv {
namespace {

struct Shot {
    const char* file;
    int fields;
    int buttons;
    int16_t lineButtons;
    bool dateTime;
};

TEST(RunningScreenshots, Capture) {
    QString dir = qEnvironmentVariable("PORTIVOX_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    QString suffix = qEnvironmentVariable("PORTIVOX_SCREENSHOT_SUFFIX");
    const char* captions[] = {"Tare", "Print", "Zero", "Units", "Stable"};
    for (const Shot& s :
         {Shot{"running_2_fields", 2, 0, 0, false}, Shot{"running_7_fields", 7, 3, 3, true},
          Shot{"running_40_fields", 40, 5, 1, true}}) {
        test::RunFixture f;
        f.config.FieldCount = static_cast<int16_t>(s.fields);
        f.config.RecordStructure = DelimitedFields;
        f.config.OutputMode = LogToDisk;
        f.config.LogFileName = ::testing::TempDir() + "/shots.log";
        f.config.WindowButtons = s.lineButtons;
        f.config.ShowDateTime = s.dateTime ? True : False;
        f.config.DateTimeFormat = "yyyy-mm-dd hh:nn:ss";
        for (int n = 1; n <= s.buttons; ++n) {
            f.config.OutputStringCaption[n] = captions[n - 1];
            f.config.OutputStringText[n] = std::string(1, captions[n - 1][0]) + "\r";
        }
        ASSERT_TRUE(f.Start());
        std::string record;
        for (int n = 1; n <= s.fields; ++n)
            record += (n > 1 ? "," : "") + std::to_string(n * 3) + "." + std::to_string(n % 10);
        f.driver->Input = record + "\r" + record + "\r";
        f.Tick();
        test::RunFixture::Settle();
        QString path = dir + "/" + s.file + suffix + ".png";
        ASSERT_TRUE(f.Window().grab().save(path)) << path.toStdString();
        f.session->Quit();
        test::RunFixture::Settle();
    }
}

} // namespace
} // namespace pv

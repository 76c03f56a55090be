// The desktop program: the setup window, or with a configuration named on
// the command line, that configuration running in Normal mode at once.
#include "app/commands.h"
#include "text/text_ids.h"

#if __has_include(<QApplication>) && __has_include("ui/setup_window.h")
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

#include "config/command_line.h"
#include "config/config.h"
#include "platform/qt/settings_store.h"
#include "text/strings.h"
#include "ui/message_box_sink.h"
#include "ui/run_session.h"
#include "ui/setup_window.h"

namespace pv::app {

int RunGui(int argc, char** argv) {
    // Declared before the application so that a session still running when
    // the event loop ends can save to them while it unloads.
    ui::MessageBoxSink messages;
    std::unique_ptr<QtSettingsStore> store;
    QApplication app(argc, argv);
    store = std::make_unique<QtSettingsStore>();
    QApplication::setApplicationName(QStringLiteral("Portivox"));
    QApplication::setApplicationVersion(QStringLiteral(PORTIVOX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("portivox"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("portivox")));
    // The program ends when its main window says so: in Normal mode that is
    // the running window, which may sit hidden in the notification area.
    QApplication::setQuitOnLastWindowClosed(false);

    ui::SetMessages(&messages);

    // Qt's own texts (message box buttons, file dialogs) in the program's
    // language, when the desktop has Qt's translations installed.
    QTranslator qtTexts;
    const char* code = CurrentLanguage() == Language::German     ? "de"
                       : CurrentLanguage() == Language::Japanese ? "ja"
                                                                 : nullptr;
    if (code && qtTexts.load(QStringLiteral("qtbase_") + QLatin1String(code),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // QApplication has taken its own options out of argv by now.
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string path = ConfigPathFromCommandLine(JoinArguments(args));

    QPointer<ui::SetupWindow> setup = new ui::SetupWindow(TheConfig(), *store, messages);
    setup->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(setup, &ui::SetupWindow::quitRequested, &app, &QApplication::quit);
    if (!setup->Start(path)) {
        std::fprintf(stderr, "portivox: cannot load the configuration %s\n", path.c_str());
        // Started from a launcher nobody reads stderr; an invalid file has
        // had its own message box already.
        if (::access(path.c_str(), F_OK) != 0 &&
            QGuiApplication::platformName() != QStringLiteral("offscreen")) {
            std::string text = Text(txt::ConfigFileMissing);
            text.replace(text.find("%1"), 2, path);
            messages.Show(text, "Portivox", MsgIcon::Exclamation, MsgButtons::Ok);
        }
        delete setup;
        return 1;
    }
    // Normal mode started from the command line has unloaded the setup window.
    if (setup && !setup->Session()) setup->show();
    const int status = app.exec();
    delete setup;
    ui::SetMessages(nullptr);
    return status;
}

} // namespace pv::app

#else
#include <cstdio>

namespace pv::app {

int RunGui(int, char**) {
    std::fprintf(stderr, "portivox: this build has no desktop program; see --help\n");
    return 2;
}

} // namespace pv::app
#endif

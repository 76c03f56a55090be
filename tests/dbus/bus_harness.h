#pragma once
// Child processes of the portivox executable on the test's private bus,
// driven from a Qt event loop so that the test process can serve D-Bus
// calls while it waits.
#include <QtCore>
#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/qt/dde_wire.h"

namespace pv::test {

/// The portivox executable: $PORTIVOX_EXE, else the one built beside.
inline QString PortivoxExe() {
    const char* env = std::getenv("PORTIVOX_EXE");
    return QString::fromLocal8Bit(env && *env ? env : PORTIVOX_EXE);
}

/// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    QTimer wake; // for conditions that post no event of their own
    wake.start(10);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// One child process; output collected as it comes.
class Child {
  public:
    explicit Child(QStringList args) {
        process_.setProgram(PortivoxExe());
        process_.setArguments(args);
        QObject::connect(&process_, &QProcess::readyReadStandardOutput,
                         [this] { out_ += process_.readAllStandardOutput().toStdString(); });
        QObject::connect(&process_, &QProcess::readyReadStandardError,
                         [this] { err_ += process_.readAllStandardError().toStdString(); });
        process_.start();
        process_.waitForStarted(5000);
    }
    ~Child() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    void Write(const std::string& bytes) {
        process_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        process_.waitForBytesWritten(1000);
    }
    bool WaitForOut(const std::string& text, int ms = 5000) {
        return PumpUntil([&] { return out_.find(text) != std::string::npos; }, ms);
    }
    bool WaitForErr(const std::string& text, int ms = 5000) {
        return PumpUntil([&] { return err_.find(text) != std::string::npos; }, ms);
    }
    bool WaitForExit(int ms = 5000) {
        return PumpUntil([this] { return process_.state() == QProcess::NotRunning; }, ms);
    }
    int ExitCode() const { return process_.exitCode(); }
    const std::string& Out() const { return out_; }
    const std::string& Err() const { return err_; }

  private:
    QProcess process_;
    std::string out_, err_;
};

/// Runs `portivox ARGS` to its end; the exit code, stdout in `out`.
inline int RunTool(const QStringList& args, std::string* out = nullptr) {
    Child child(args);
    if (!child.WaitForExit(10000)) return -1;
    if (out) *out = child.Out();
    return child.ExitCode();
}

/// Waits until the bus name has an owner.
inline bool WaitForName(const QString& name, int ms = 5000) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return PumpUntil([&] { return dde::NameHasOwner(bus, name); }, ms);
}

/// A configuration file in the test's temporary directory, made by the
/// config sub-command from Name=value settings.
inline std::string MakeConfig(const std::string& name, const QStringList& settings) {
    std::string path = testing::TempDir() + name + ".PV3";
    std::remove(path.c_str());
    EXPECT_EQ(RunTool({"config", "new", QString::fromStdString(path)}), 0);
    QStringList args{"config", "set", QString::fromStdString(path)};
    args += settings;
    EXPECT_EQ(RunTool(args), 0);
    return path;
}

} // namespace pv::test

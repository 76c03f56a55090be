#include "platform/x11/x11_launch.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace pv::x11 {

WindowSystem::StartResult StartDetachedProgram(const std::string& commandLine) {
    const QStringList words = QProcess::splitCommand(QString::fromLatin1(commandLine));
    if (words.isEmpty()) return {false, "The command line is empty."};
    QProcess process;
    process.setProgram(words.first());
    process.setArguments(words.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached()) return {true, {}};
    const QByteArray why = process.errorString().toLatin1();
    return {false, why.isEmpty() ? std::string("The program could not be started.")
                                 : std::string(why.constData(), size_t(why.size()))};
}

} // namespace pv::x11

#include "platform/HelperProgram.h"

#include "platform/WindowActivation.h"

#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace Tonlyra {

namespace {

// The program's file: one named with a folder must be an executable file there, a bare name is
// looked for on the PATH.
QString FindProgram(const QString& program)
{
    if (program.isEmpty())
        return QString();
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

} // namespace

HelperProgram::HelperProgram(const QString& environmentVariable, const QList<QStringList>& defaults,
                             QObject* parent)
    : QObject(parent), Variable(environmentVariable)
{
    if (qEnvironmentVariableIsSet(Variable.toLatin1().constData())) {
        CommandLine = QProcess::splitCommand(qEnvironmentVariable(Variable.toLatin1().constData()));
        Path = FindProgram(CommandLine.value(0));
    } else {
        for (const QStringList& command : defaults) {
            Path = FindProgram(command.value(0));
            if (!Path.isEmpty()) {
                CommandLine = command;
                break;
            }
        }
    }
    if (Path.isEmpty())
        CommandLine.clear();
}

HelperProgram::~HelperProgram()
{
    // QProcess's own destructor kills a program still running and waits for it.
    delete Process;
}

bool HelperProgram::IsRunning() const
{
    return Process && Process->state() != QProcess::NotRunning;
}

qint64 HelperProgram::ProcessId() const
{
    return IsRunning() ? Process->processId() : 0;
}

bool HelperProgram::StartOrRaise()
{
    Error.clear();
    if (IsRunning())
        return RaiseWindowsOfProcess(Process->processId());
    if (!IsAvailable()) {
        Error = QStringLiteral("Programmet finns inte");
        return false;
    }
    delete Process; // one that has ended
    Process = new QProcess;
    Process->setProgram(Path);
    Process->setArguments(CommandLine.mid(1));
    Process->setStandardInputFile(QProcess::nullDevice());
    // Its messages go where ours go; unread pipes would fill and stall it.
    Process->setProcessChannelMode(QProcess::ForwardedChannels);
    Process->start();
    if (!Process->waitForStarted(5000)) {
        Error = Process->errorString();
        return false;
    }
    return true;
}

void HelperProgram::End()
{
    if (!IsRunning())
        return;
    Process->terminate();
    const QPointer<QProcess> process(Process);
    QTimer::singleShot(2000, this, [process] {
        if (process && process->state() != QProcess::NotRunning)
            process->kill();
    });
}

} // namespace Tonlyra

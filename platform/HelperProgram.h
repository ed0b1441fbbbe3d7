#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

namespace Tonlyra {

// A program of the desktop that one of our windows starts for the user (the sound recorder, the
// recording volume control): found on the PATH, started, brought to the front, ended.
//
// The command comes from an environment variable when it is set (split into words as a shell
// would, quotes included, but never run by a shell; an empty value means no program), else it is
// the first of the defaults whose program is found. Only the PATH is looked at to learn whether
// the program is there: nothing is started to find out.
class HelperProgram : public QObject
{
    Q_OBJECT
public:
    HelperProgram(const QString& environmentVariable, const QList<QStringList>& defaults,
                  QObject* parent = nullptr);
    ~HelperProgram() override;

    // The command, program first; empty when no program was found.
    QStringList Command() const { return CommandLine; }
    // The program's file, found on the PATH (or as given, with a folder); empty when none.
    QString ProgramPath() const { return Path; }
    bool IsAvailable() const { return !Path.isEmpty(); }
    bool IsRunning() const;

    // Starts the program; while the program started here still runs, brings its windows to the
    // front instead. False when the program could not be started (ErrorText says why) or, while
    // it runs, when the desktop did not let its window be raised.
    bool StartOrRaise();
    // Asks a running program to end and ends it for good if it is still there two seconds later;
    // returns at once.
    void End();
    QString ErrorText() const { return Error; }
    qint64 ProcessId() const;

private:
    QString Variable;
    QStringList CommandLine;
    QString Path;
    QString Error;
    QProcess* Process = nullptr;
};

} // namespace Tonlyra

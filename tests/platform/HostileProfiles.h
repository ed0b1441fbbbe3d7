#pragma once

// Profile files made to be expensive, and the memory the program's documents take for them:
// each file is read as the document it poses as, written back into and saved, in a child process
// whose peak resident memory is measured. Shared by the memory test (small files, a bound
// checked) and bench_documents (files of the largest size read, figures printed).

#include "overlay/MediaOverlay.h"
#include "platform/ProfileFile.h"
#include "usersettings/UserSettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <cstdio>
#include <functional>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace Tonlyra::Test {

struct HostileProfile
{
    const char* Name;
    bool Settings; // read as user settings; otherwise as an overlay
    std::function<QByteArray(qsizetype size)> Make;
};

// unit repeated up to size bytes, after head.
inline QByteArray Repeated(QByteArrayView head, QByteArrayView unit, qsizetype size)
{
    QByteArray out;
    out.reserve(size);
    out += head;
    while (out.size() + unit.size() <= size)
        out += unit;
    return out;
}

// Lines made from format and a running number, each unlike the others, up to size bytes.
inline QByteArray Numbered(QByteArrayView head, const char* format, qsizetype size)
{
    QByteArray out;
    out.reserve(size);
    out += head;
    char line[32];
    for (unsigned n = 0;; ++n) {
        const int length = std::snprintf(line, sizeof line, format, n);
        if (out.size() + length > size)
            return out;
        out.append(line, length);
    }
}

inline std::vector<HostileProfile> HostileProfiles()
{
    return {
        {"sections of one key", false, [](qsizetype n) { return Repeated({}, "[a]\nb=1\n", n); }},
        {"line feeds", false, [](qsizetype n) { return Repeated({}, "\n", n); }},
        {"font sections (settings)", true,
         [](qsizetype n) { return Repeated({}, "[Font]\r\nSize=1\r\n", n); }},
        {"empty keys in Media", false, [](qsizetype n) { return Repeated("[Media]\n", "=\n", n); }},
        {"distinct keys in Media", false,
         [](qsizetype n) { return Numbered("[Media]\n", "%x=\n", n); }},
        {"distinct sections", false, [](qsizetype n) { return Numbered({}, "[%x]\n", n); }},
        {"one long value", false, [](qsizetype n) { return Repeated("[Media]\n1=", "x", n); }},
        {"Windows-1252 text", false,
         [](qsizetype n) { return Repeated("[Texts]\n", "\x80=\x80\n", n); }},
    };
}

struct HostileFigures
{
    bool Done = false; // the child read, wrote and saved the document and ended normally
    double PeakMb = 0; // the peak resident memory it added
    double Seconds = 0;
};

inline long StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Reads path as the document the profile poses as, writes the document back into the file and
// saves it to savePath: what the program does with a file it is given.
inline void ReadWriteAndSave(const HostileProfile& profile, const QString& path,
                             const QString& savePath)
{
    ProfileFile file(path);
    if (profile.Settings) {
        UserSettings settings;
        ReadUserSettings(settings, file, 60000);
        WriteUserSettings(settings, file);
    } else {
        MediaOverlay overlay;
        overlay.Load(file);
        overlay.WriteTo(file);
    }
    file.SetPath(savePath);
    if (!file.Save())
        _exit(2);
}

// Measures ReadWriteAndSave in a child process.
inline HostileFigures MeasureHostile(const HostileProfile& profile, const QString& path,
                                     const QString& savePath)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const long before = StatusKb("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        ReadWriteAndSave(profile, path, savePath);
        HostileFigures figures{true, (StatusKb("VmHWM:") - before) / 1024.0,
                               timer.nsecsElapsed() / 1e9};
        const bool sent = write(channel[1], &figures, sizeof figures) == sizeof figures;
        _exit(sent ? 0 : 3);
    }
    close(channel[1]);
    HostileFigures figures;
    const bool received = child > 0 && read(channel[0], &figures, sizeof figures) == sizeof figures;
    close(channel[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return figures;
}

} // namespace Tonlyra::Test

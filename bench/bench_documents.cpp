// Times loading and saving a 10 x 10 overlay (1,103 keys) and a user settings file, median of
// many runs, and compares the save with the naive design that rewrites the whole file once for
// every key written (load, set one key, save), measured in the same run. Then measures the peak
// memory that files made to be expensive cost, at the largest size the program reads.

#include "overlay/MediaOverlay.h"
#include "platform/ProfileFile.h"
#include "tests/platform/HostileProfiles.h"
#include "usersettings/UserSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using Tonlyra::ProfileFile;

namespace {

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

MediaOverlay TenByTen()
{
    MediaOverlay o;
    o.CDIdentity = QStringLiteral("Arbitrary");
    o.LayoutCells(10, 10, true);
    for (int k = 1; k <= o.N(); ++k) {
        const QString n = QString::number(k);
        *o.Cell(k) = {"/home/anna/Musik/Låt " + n + ".mp3",
                      QStringLiteral("SoundFile"),
                      "/home/anna/Bilder/bild" + n + ".jpg",
                      "Låt nummer " + n,
                      QStringLiteral("Ur vald media"),
                      k * 1000,
                      k * 1000 + 30000,
                      k * 1000,
                      k * 1000 + 3000,
                      QString()};
    }
    return o;
}

// The naive writer: every key goes to disk on its own, as one profile-string call per key did.
void NaiveSave(const ProfileFile& keys, const QString& path)
{
    for (const QString& section : keys.Sections())
        for (const QString& key : keys.Keys(section)) {
            ProfileFile file(path);
            file.WriteString(section, key, keys.ReadString(section, key));
            file.Save();
        }
}

void Report(const char* what, double ms, double target)
{
    std::printf("%-28s %9.3f ms   (target <= %.0f ms) %s\n", what, ms, target,
                ms <= target ? "ok" : "OVER");
}

// Times everything with the files in folder.
void RunIn(const QString& folder, const char* label, int naiveOverlayRuns)
{
    QTemporaryDir dir(folder + QStringLiteral("/bench_documents-XXXXXX"));
    if (!dir.isValid()) {
        std::printf("%s: no temporary folder in %s\n", label, qPrintable(folder));
        return;
    }
    const QString overlayPath = dir.filePath("big.cdu");
    const QString settingsPath = dir.filePath("Users/Anna.usr");
    const MediaOverlay overlay = TenByTen();
    UserSettings settings;
    settings.ControlMode = ControlMode::OneSwitchScanControl;

    ProfileFile overlayKeys;
    overlay.WriteTo(overlayKeys);
    int keyCount = 0;
    for (const QString& section : overlayKeys.Sections())
        keyCount += overlayKeys.Keys(section).size();

    const int runs = 201;
    const double overlaySave = MedianMs(runs, [&] {
        if (!overlay.Save(overlayPath).Ok())
            std::fprintf(stderr, "overlay save failed\n");
    });
    const double overlayLoad = MedianMs(runs, [&] {
        MediaOverlay o;
        o.Load(overlayPath);
    });
    const double settingsSave = MedianMs(runs, [&] {
        if (!Tonlyra::SaveUserSettings(settings, settingsPath).Ok())
            std::fprintf(stderr, "settings save failed\n");
    });
    const double settingsLoad = MedianMs(runs, [&] {
        UserSettings s;
        ProfileFile file(settingsPath);
        Tonlyra::ReadUserSettings(s, file, 5000);
    });

    // The naive design in the same run, on the same kind of files (fewer runs: it is slow).
    const double naiveOverlaySave =
        MedianMs(naiveOverlayRuns, [&] { NaiveSave(overlayKeys, dir.filePath("naive.cdu")); });
    ProfileFile settingsKeys;
    Tonlyra::WriteUserSettings(settings, settingsKeys);
    const double naiveSettingsSave =
        MedianMs(11, [&] { NaiveSave(settingsKeys, dir.filePath("naive.usr")); });

    std::printf("\n%s (%s)\n10 x 10 overlay: %d keys, %lld bytes; medians of %d runs\n", label,
                qPrintable(folder), keyCount, static_cast<long long>(QFileInfo(overlayPath).size()),
                runs);
    Report("overlay load", overlayLoad, 5);
    Report("overlay save", overlaySave, 10);
    Report("settings load", settingsLoad, 2);
    Report("settings save", settingsSave, 2);
    std::printf("%-28s %9.3f ms   (x%.0f the time of one save)\n", "naive overlay save",
                naiveOverlaySave, naiveOverlaySave / overlaySave);
    std::printf("%-28s %9.3f ms   (x%.0f the time of one save)\n", "naive settings save",
                naiveSettingsSave, naiveSettingsSave / settingsSave);
}

// Each hostile file read as its document, written back and saved, in a process of its own.
void HostileFiles()
{
    QTemporaryDir dir;
    const qsizetype size = ProfileFile::MaxFileSize;
    std::printf("\nhostile files of %lld MB: read, written back and saved, each in its own "
                "process\n",
                static_cast<long long>(size >> 20));
    for (const Tonlyra::Test::HostileProfile& profile : Tonlyra::Test::HostileProfiles()) {
        const QString path = dir.filePath("hostile");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(profile.Make(size)) < 0)
            return;
        file.close();
        const auto figures = Tonlyra::Test::MeasureHostile(profile, path, dir.filePath("saved"));
        if (!figures.Done) {
            std::printf("%-28s FAILED\n", profile.Name);
            continue;
        }
        const double ratio = figures.PeakMb / double(size >> 20);
        std::printf("%-28s %7.1f MB peak (x%.1f the file; target <= x8) %s  %6.2f s\n",
                    profile.Name, figures.PeakMb, ratio, ratio <= 8 ? "ok" : "OVER",
                    figures.Seconds);
    }
}

} // namespace

// Every save is flushed to the disk before it replaces the old file, so on a disk the saves
// cost one flush each; the run in memory (/dev/shm) shows the cost of the code itself.
int main()
{
    RunIn(QDir::tempPath(), "files on disk", 1);
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        RunIn(QStringLiteral("/dev/shm"), "files in memory", 3);
    HostileFiles();
    return 0;
}

#include "session/Session.h"

#include "overlay/MediaFolders.h"
#include "platform/Logging.h"

#include <QFileInfo>

namespace Tonlyra {

void Session::SetOverlay(const MediaOverlay& overlay, const QString& file, bool unsaved)
{
    OverlayInForce = overlay;
    OverlayFileName = file;
    OverlayHasUnsavedEdits = unsaved;
    emit OverlayChanged();
}

void Session::LoadOverlay(const QString& path)
{
    MediaOverlay overlay;
    overlay.Load(path);
    Finder.SetMediaFolders(ReadMediaFolders());
    const MovedFileFinder::Outcome outcome = Finder.Repair(overlay);
    FilesFound = outcome.Found;
    const QString name = QFileInfo(path).fileName();
    if (outcome.Found > 0)
        qCInfo(Log::Player, "%s: %d moved files found", qUtf8Printable(name), outcome.Found);
    for (const MissingFile& file : outcome.Missing)
        qCWarning(Log::Player, "%s: missing: %s", qUtf8Printable(name),
                  qUtf8Printable(file.Describe()));
    SetOverlay(overlay, path, false);
}

void Session::ReleaseOverlay()
{
    OverlayInForce.LayoutCells(0, 0, true);
}

void Session::SetSettings(const UserSettings& settings, const QString& file)
{
    AppliedSettings = settings;
    SettingsFileName = file;
    emit SettingsChanged();
}

void Session::SetScanDelayTime(qint32 ms)
{
    if (ms <= MinScanDelayTime)
        return;
    AppliedSettings.ScanDelayTime = ms;
    SettingsHaveUnsavedChanges = true;
    emit ScanDelayTimeChanged(ms);
}

} // namespace Tonlyra

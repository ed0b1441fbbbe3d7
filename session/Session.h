#pragma once

#include "overlay/MediaOverlay.h"
#include "overlay/MovedFileFinder.h"
#include "usersettings/UserSettings.h"

#include <QObject>
#include <QString>

namespace Tonlyra {

// The name a new overlay carries until it is saved.
inline const QString UntitledOverlayName = QStringLiteral("Namnlös");

// What the program works with while it runs: the overlay in force and the applied user
// settings, each with the file it came from and whether it holds changes not saved. The player
// shows them; the overlay editor and the user settings window are handed copies to edit and put
// their result back here. Every change is announced, so a window never holds a copy of its own
// that could go stale.
class Session : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The overlay in force; its file is empty until an overlay was loaded or created, and
    // "Namnlös" for a new overlay not saved yet.
    const MediaOverlay& Overlay() const { return OverlayInForce; }
    const QString& OverlayFile() const { return OverlayFileName; }
    // The overlay in force holds edits accepted in the editor and not saved since.
    bool OverlayUnsaved() const { return OverlayHasUnsavedEdits; }

    // Puts overlay in force as the content of file; announced by OverlayChanged.
    void SetOverlay(const MediaOverlay& overlay, const QString& file, bool unsaved);
    // Reads the ".cdu" file and puts it in force, saved (a missing or unreadable file gives an
    // overlay without cells, as reading one always has). Files it names that are not where it
    // says are looked for first (MovedFileFinder, with the carer's media folders): what is
    // found is in force at once, and what is still missing is logged.
    void LoadOverlay(const QString& path);
    // How many of the overlay's paths the last LoadOverlay found elsewhere: a save would write
    // them.
    int OverlayFilesFound() const { return FilesFound; }
    void SetOverlayUnsaved(bool unsaved) { OverlayHasUnsavedEdits = unsaved; }
    // Empties the overlay in force at program end, without announcing it: nothing is to be shown
    // any more.
    void ReleaseOverlay();

    // The applied user settings and the settings file they came from.
    const UserSettings& Settings() const { return AppliedSettings; }
    const QString& SettingsFile() const { return SettingsFileName; }
    // The applied settings hold changes not saved to their file (the scanning period changed
    // from the keypad, settings accepted in the window without saving).
    bool SettingsUnsaved() const { return SettingsHaveUnsavedChanges; }

    // Applies settings from file; announced by SettingsChanged.
    void SetSettings(const UserSettings& settings, const QString& file);
    void SetSettingsUnsaved(bool unsaved) { SettingsHaveUnsavedChanges = unsaved; }
    // The user's own change of the scanning period while scanning (keypad + and -): periods of
    // MinScanDelayTime or less are passed over; the change is unsaved. Announced by
    // ScanDelayTimeChanged, not SettingsChanged: the grid stays as it is.
    void SetScanDelayTime(qint32 ms);

signals:
    void OverlayChanged();
    void SettingsChanged();
    void ScanDelayTimeChanged(qint32 ms);

private:
    MediaOverlay OverlayInForce;
    QString OverlayFileName;
    bool OverlayHasUnsavedEdits = false;
    MovedFileFinder Finder;
    int FilesFound = 0;
    UserSettings AppliedSettings;
    QString SettingsFileName;
    bool SettingsHaveUnsavedChanges = false;
};

} // namespace Tonlyra

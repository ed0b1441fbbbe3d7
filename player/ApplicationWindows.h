#pragma once

#include <QStringList>

class TPlayerForm;

namespace Tonlyra {

// Creates the program's windows in their fixed order, each a single instance reached through
// its global (PlayerForm, MediaDialog, SettingsForm, UserSettingsForm, NumberDialog,
// RowsColsDialog, IRDialog, PreviewForm, PictureBaseDialog) and living as long as this object.
// The player window comes first and is the main window; the overlay editor and the user
// settings window look at arguments (the command line after the program name) for a ".cdu"
// and a ".usr" file. An overlay so opened is remembered as the last of those settings; a ".usr"
// file named without an overlay (as a file manager opens it) starts on the overlay last
// remembered for it. Destroying the object destroys the windows in reverse order and clears
// the globals.
class ApplicationWindows
{
public:
    explicit ApplicationWindows(const QStringList& arguments);
    ~ApplicationWindows();
    ApplicationWindows(const ApplicationWindows&) = delete;
    ApplicationWindows& operator=(const ApplicationWindows&) = delete;

    TPlayerForm* MainWindow() const;

private:
    void StartOnLastOverlay(const QStringList& arguments);
};

} // namespace Tonlyra

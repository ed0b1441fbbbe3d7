#pragma once

#include "usersettings/UserSettings.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;

// The user settings component: holds the applied settings the player reads (UserSettings) and
// the copy the settings window edits and files are read into and written from (EditedSettings).
class TUserSettingsForm : public QDialog
{
    Q_OBJECT
public:
    // arguments are the program's command-line arguments after the program name: the first two
    // are looked at for ".usr" settings files; without one the standard settings file is read.
    // The settings read are then applied.
    explicit TUserSettingsForm(QWidget* parent = nullptr, const QStringList& arguments = {});
    ~TUserSettingsForm() override;

    ::UserSettings UserSettings;   // applied
    ::UserSettings EditedSettings; // edited, read from and written to files

    // The current directory when the component was created, without a trailing "/".
    QString StartDirectory;
    // Initial folder of the open and save dialogs, ending in "/": StartDirectory + "/Users/" at
    // first, afterwards the folder of the file last loaded or saved.
    QString UserFilesDirectory;
    // The file last loaded or saved.
    QString SettingsFileName;
    // EditedSettings were changed in the window since it was opened or a file was loaded or saved.
    bool ChangedInWindow = false;
    // UserSettings hold changes not yet saved.
    bool ChangedOutside = false;
    // Upper end of the scanning-period range: one of Tonlyra::ScanRangeMaxima.
    qint32 ScanRangeMaximum = Tonlyra::ScanRangeMaxima[0];
    // The range the window's range list shows: 0 "0-5 s", 1 "0-60 s", 2 "0-5 min".
    int ScanRangeIndex = 0;

    // StartDirectory + "/Users/User.def".
    QString StandardSettingsFile() const;

    // Reads the file into EditedSettings (UserSettings are not touched), clears both change
    // flags and updates the title.
    void LoadUserSettingsFile(const QString& name);
    // Writes EditedSettings to the file. On success the file becomes SettingsFileName and both
    // change flags are cleared. On failure the error is shown through the general error box, the
    // old file, SettingsFileName and the flags stay as they were, and the result is false.
    bool SaveUserSettingsFile(const QString& name);
    // UserSettings := EditedSettings; the change flags are not touched.
    void TakeSettingsFromWindow();
    // Shows the settings window modally; true when the user accepted, after which the edits are
    // applied. The visible window is not part of this build yet: it shows nothing and returns
    // false.
    bool ShowUserSettingsWindow();
    // Asks whether changed settings are to be saved; false when the user cancelled (or a save
    // asked for failed).
    bool QuerySaveUserSettings();
    // The player's way of changing the scanning period; values of 200 or less are ignored.
    void SetScanDelayTime(qint32 ms);
    // Chooses the scanning-period range (0, 1 or 2) as the window's range list does.
    void SetScanRange(int index);
    // Sets the caption and the enabled state of "&Spara brukarfil" from SettingsFileName.
    void UpdateSettingsTitle();

    // The "&Arkiv" commands.
    void OpenUserSettingsMenuClick();   // "&Öppna brukarfil"
    void SaveUserSettingsMenuClick();   // "&Spara brukarfil"
    void SaveUserSettingsAsMenuClick(); // "Spara brukarfil so&m..."
    void OpenDefaultMenuClick();        // "Öppna standardinställning"
    void SaveDefaultMenuClick();        // "Spara som standardinställning"
    // Sets the enabled states of the save commands as the "&Arkiv" menu opens.
    void FileMenuPopup();

    QMenu* FileMenu = nullptr;
    QAction* OpenUserSettingsMenu = nullptr;
    QAction* SaveUserSettingsMenu = nullptr;
    QAction* SaveUserSettingsAsMenu = nullptr;
    QAction* OpenDefaultMenu = nullptr;
    QAction* SaveDefaultMenu = nullptr;
    QAction* CloseAndLoadMenu = nullptr;
    QAction* CloseMenu = nullptr;
};

extern TUserSettingsForm* UserSettingsForm;

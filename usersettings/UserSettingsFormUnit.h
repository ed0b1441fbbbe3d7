#pragma once

#include "input/SwitchPressFilter.h"
#include "usersettings/UserSettings.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QGroupBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTimer;

namespace Tonlyra {
class Session;
}

// The user settings component and its window. The applied settings the player reads are the
// session's; the window holds the copy it edits and files are read into and written from
// (EditedSettings), and puts it in force in the session on OK. The window's controls show
// EditedSettings: each change of a control changes the field at once and applies the rules, and
// the controls are filled from the field.
//
// The document side (files, change flags, the save question) is in UserSettingsFormUnit.cpp,
// the window's controls, layout and rules in UserSettingsFormWindow.cpp.
class TUserSettingsForm : public QDialog
{
    Q_OBJECT
public:
    // arguments are the program's command-line arguments after the program name: the first two
    // are looked at for ".usr" settings files; without one the standard settings file is read.
    // The settings read are then applied in session.
    explicit TUserSettingsForm(Tonlyra::Session& session, QWidget* parent = nullptr,
                               const QStringList& arguments = {});
    ~TUserSettingsForm() override;

    // The session whose settings this window edits and applies.
    Tonlyra::Session& Session;
    // The applied settings: the session's.
    const ::UserSettings& UserSettings() const;
    ::UserSettings EditedSettings; // edited, read from and written to files

    // The folder of user settings files, ending in "/": Tonlyra::UsersFolder() (the start
    // directory's "Users/" when it has one, else the user's own).
    QString UsersDirectory;
    // Initial folder of the open and save dialogs, ending in "/": UsersDirectory at first,
    // afterwards the folder of the file last loaded or saved.
    QString UserFilesDirectory;
    // The file last loaded or saved.
    QString SettingsFileName;
    // EditedSettings were changed in the window since it was opened or a file was loaded or saved.
    bool ChangedInWindow = false;
    // The applied settings hold changes not yet saved (kept by the session).
    bool ChangedOutside() const;
    // Upper end of the scanning-period range: one of Tonlyra::ScanRangeMaxima. The range list
    // always shows this range.
    qint32 ScanRangeMaximum = Tonlyra::ScanRangeMaxima[0];
    // The range the range list shows: 0 "0-5 s", 1 "0-60 s", 2 "0-5 min".
    int ScanRangeIndex() const;

    // UsersDirectory + "User.def".
    QString StandardSettingsFile() const;

    // Reads the file into EditedSettings (UserSettings are not touched), clears both change
    // flags and updates the title.
    void LoadUserSettingsFile(const QString& name);
    // Writes EditedSettings to the file. On success the file becomes SettingsFileName and both
    // change flags are cleared. On failure the error is shown through the general error box, the
    // old file, SettingsFileName and the flags stay as they were, and the result is false.
    bool SaveUserSettingsFile(const QString& name);
    // The applied settings := EditedSettings, from SettingsFileName; the change flags are not
    // touched.
    void TakeSettingsFromWindow();
    // Shows the window modally in its normal view, through the one ask-the-user service
    // (UserPrompt::RunDialog, which tests and the screenshot tool answer); true when the user
    // accepted, after which the edits are applied. Cancelling drops the edits made since the
    // window opened or since a file was last loaded or saved in it.
    bool ShowUserSettingsWindow();
    // Asks whether changed settings are to be saved; false when the user cancelled (or a save
    // asked for failed).
    bool QuerySaveUserSettings();
    // The player's way of changing the scanning period; values of 200 or less are ignored. The
    // session keeps the period; the window follows it (ScanDelayTimeChanged).
    void SetScanDelayTime(qint32 ms);
    // Chooses the scanning-period range (0, 1 or 2), as the range list does.
    void SetScanRange(int index);
    // Sets the caption and the enabled state of "&Spara brukarfil" from SettingsFileName.
    void UpdateSettingsTitle();

    // Every showing starts here: copies the applied settings into the controls (the mode rules and
    // the repeat rule run as the window's controls would), gives the focus to "Välj &typsnitt",
    // clears ChangedInWindow and centres the window on the screen.
    void FormShow();
    // The two views: the normal view hides "Utökade inställningar".
    void ShowNormalView();
    void ShowAdvancedView();
    bool IsAdvancedView() const;

    // The "&Arkiv" commands.
    void OpenUserSettingsMenuClick();   // "&Öppna brukarfil"
    void SaveUserSettingsMenuClick();   // "&Spara brukarfil"
    void SaveUserSettingsAsMenuClick(); // "Spara brukarfil so&m..."
    void OpenDefaultMenuClick();        // "Öppna standardinställning"
    void SaveDefaultMenuClick();        // "Spara som standardinställning"
    // Sets the enabled states of the save commands as the "&Arkiv" menu opens.
    void FileMenuPopup();

    // The button that chooses mode; nullptr for no mode.
    QRadioButton* ModeRadioButton(ControlMode mode) const;

    // Menus.
    QMenu* FileMenu = nullptr; // "&Arkiv"
    QAction* OpenUserSettingsMenu = nullptr;
    QAction* SaveUserSettingsMenu = nullptr;
    QAction* SaveUserSettingsAsMenu = nullptr;
    QAction* OpenDefaultMenu = nullptr;
    QAction* SaveDefaultMenu = nullptr;
    QAction* CloseAndLoadMenu = nullptr;
    QAction* CloseMenu = nullptr;
    QMenu* ViewMenu = nullptr;               // "&Visa"
    QAction* AdvancedViewMenu = nullptr;     // "&Fler inställningsmöjligheter"
    QAction* NormalViewMenu = nullptr;       // "&Normal"
    QMenu* HelpMenu = nullptr;               // "&Hjälp"
    QAction* HelpContentsMenu = nullptr;     // "&Innehåll"
    QAction* HelpUserSettingsMenu = nullptr; // "&Brukarinställningar"

    // Group "&Styrsätt": the nine modes and the scanning period.
    QGroupBox* ModeGroupBox = nullptr;
    QRadioButton* MouseControlRadioButton = nullptr;
    QRadioButton* KeyboardControlRadioButton = nullptr;
    QRadioButton* ArrowControlRadioButton = nullptr;
    QRadioButton* TwoSwitchControlRadioButton = nullptr;
    QRadioButton* TwoSwitchScanControlRadioButton = nullptr;
    QRadioButton* TwoSwitchScanXYControlRadioButton = nullptr;
    QRadioButton* OneSwitchControlRadioButton = nullptr;
    QRadioButton* OneSwitchScanControlRadioButton = nullptr;
    QRadioButton* OneSwitchScanXYControlRadioButton = nullptr;
    QComboBox* ScanningsPeriodComboBox = nullptr; // the range
    QLineEdit* ScanningsPeriodSkylt = nullptr;    // the period display
    QScrollBar* ScanningsPeriod = nullptr;        // the period, in milliseconds
    QFrame* Indikering1 = nullptr;                // the blinking scan squares
    QFrame* Indikering2 = nullptr;

    // Group "&Presentation av urval".
    QGroupBox* PresentationGroupBox = nullptr;
    QLabel* FontPanel = nullptr; // the font sample; a click resets it to the applied font
    QPushButton* FontButton = nullptr;
    QCheckBox* PictureCheckBox = nullptr;
    QCheckBox* TextCheckBox = nullptr;
    QCheckBox* SoundCheckBox = nullptr;

    // Group "Utökade inställningar", shown in the advanced view only: appearance and input side
    // by side with the switches below them, and the timings beside all three (ExtendedLayout).
    QGroupBox* ExtendedGroupBox = nullptr;
    QGridLayout* ExtendedLayout = nullptr;
    QGroupBox* AppearanceGroupBox = nullptr; // "&Utseende"
    QFrame* ButtonColorPanel = nullptr;
    QPushButton* ButtonColorButton = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* BackColorPanel = nullptr;
    QPushButton* BackColorButton = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* ScanColorPanel = nullptr;
    QPushButton* ScanColorButton = nullptr;
    QLabel* ScanColorLabel = nullptr;
    QCheckBox* HideBordersCheckBox = nullptr;
    QCheckBox* ZoomPictureCheckBox = nullptr;
    QComboBox* SpacingComboBox = nullptr;
    QLabel* SpacingLabel = nullptr;
    QGroupBox* InputGroupBox = nullptr; // "&Inmatning"
    QCheckBox* TrapKeyDownCheckBox = nullptr;
    QCheckBox* RepeatKeyCheckBox = nullptr;
    QCheckBox* ExecuteOnKeyUpCheckBox = nullptr;
    QScrollBar* RepeatScrollBar = nullptr; // the key repetition period, in milliseconds
    QFrame* KeyIndikering1 = nullptr;      // the blinking key repetition squares
    QFrame* KeyIndikering2 = nullptr;

    QGroupBox* TimingGroupBox = nullptr; // "Tider &och uppläsning": switch timings, speech
    QDoubleSpinBox* AcceptanceTimeSpinBox = nullptr; // seconds, as all the times here
    QDoubleSpinBox* IgnoreRepeatTimeSpinBox = nullptr;
    QDoubleSpinBox* PauseAfterChoiceSpinBox = nullptr;
    QSpinBox* ScanRoundsSpinBox = nullptr;
    QDoubleSpinBox* FirstStepExtraTimeSpinBox = nullptr;
    QCheckBox* SpeakCellsCheckBox = nullptr;
    QCheckBox* LogUseCheckBox = nullptr; // "Spara användningslogg"
    QCheckBox* ScanProgressCheckBox = nullptr;
    // The square that lights when a press on it counts under the timings being edited.
    QFrame* PressTestSquare = nullptr;

    // Group "Br&ytare": the inputs of switch 1 and 2 (index 0 and 1), each a list with "Lägg
    // till..." (learns the next key, mouse button or joystick button pressed) and "Ta bort".
    QGroupBox* SwitchesGroupBox = nullptr;
    QListWidget* SwitchLists[2] = {};
    QPushButton* AddSwitchButtons[2] = {};
    QPushButton* RemoveSwitchButtons[2] = {};
    QLabel* SwitchHint = nullptr; // "Tryck på brytaren nu" while learning
    // The switch (1 or 2) whose next input is being learnt; 0 when none is.
    int LearningSwitch = 0;
    // A joystick or gamepad button, as the player gets it: learnt, or tried on the "Prova"
    // square.
    void JoystickButton(const Tonlyra::SwitchInput& button, int switchId, bool down);
    // "Lägg till..." of switch (1 or 2): the next input pressed is added to it; Esc cancels.
    void AddSwitchInputClick(int switchNumber);
    // "Ta bort": the selected input of switch (1 or 2) leaves it.
    void RemoveSwitchInputClick(int switchNumber);
    // How the window names an input in the lists ("Tangent F5", "Musknapp höger", ...).
    static QString SwitchInputCaption(const Tonlyra::SwitchInput& input);
    Tonlyra::SwitchPressFilter PressTestPresses{this};

    // The demonstration timers: the scanning period and the key repetition period.
    QTimer* ScanTimer = nullptr;
    QTimer* KeyRepeatTimer = nullptr;

    // Closing without applying ("&Avbryt", the close box, Esc). With changes made in the window
    // it first asks whether to save them: Ja saves them to the file being edited and closes as
    // "Stäng och &ladda inställningarna" does, so the player uses what was saved (a failed save
    // keeps the window open); Nej drops the changes; Avbryt keeps the window open.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateMenus();
    void CreateControls();
    QGroupBox* CreateModeGroup();
    QGroupBox* CreatePresentationGroup();
    QGroupBox* CreateExtendedGroup();
    QGroupBox* CreateTimingGroup();
    QGroupBox* CreateSwitchesGroup();
    // The switches' lists from EditedSettings.
    void ShowSwitches();
    // Learning: input is taken into the switch being learnt (an input already in either list
    // is not added twice), or learning ends without one.
    void TakeLearntInput(const Tonlyra::SwitchInput& input);
    void StopLearning();
    // While learning, the window's key and mouse events: true when taken.
    bool LearnFrom(QObject* watched, QEvent* event);
    // Fits the window to the view: at least the designed height of the view, and never less
    // than the controls need at the current font.
    void FitToView();
    // Moves the window up as far as needed for the frame around newHeight to fit on the screen.
    void KeepOnScreen(int newHeight);

    // Fills every control from EditedSettings without raising the controls' own events, then
    // shows the rules' states.
    void ShowSettingsInControls();
    // The enabled and visible states the rules give the controls, the demonstration squares
    // and timers.
    void ShowModeRuleStates();
    void ShowRepeatRuleStates();
    void ShowFlags();
    void ShowScanPeriod();
    void ShowColors();
    void ShowTimings();
    // The scan squares as a scan of two cells, from the first round: the left square is the
    // first step of each round (held longer by the first step's extra time), and they stop
    // after the rounds, until a press on the test square starts them again.
    void StartScanDemo();
    int ScanDemoInterval() const;
    int ScanDemoRounds = 0;
    // A press or release on the test square, through the timings being edited.
    void PressTestSwitch(int switchId, bool down);
    void ShowFont(const UserFont& font);

    // The controls' events.
    void ModeRadioButtonClick(ControlMode mode);
    void TrapKeyDownCheckBoxClick();
    void RepeatKeyCheckBoxClick();
    void ScanningsPeriodComboBoxChange(int index);
    void ScanningsPeriodChange(int position);
    void RepeatScrollBarChange(int position);
    void FontButtonClick();
    void FontPanelClick();
    // An "Ändra" button: the colour dialog preset with the field's colour.
    using ColorField = decltype(&::UserSettings::ScanColor);
    void ColorButtonClick(ColorField field);
    void ScanTimerTimer();
    void KeyRepeatTimerTimer();
    // A change of a control that no rule follows (the presentation boxes, spacing, ...).
    void EditedInWindow();
    void SoundCheckBoxClick();
    void TimingChanged();

    // The check boxes of the flags: the field each shows, and what runs after the user sets it.
    struct FlagBox
    {
        QCheckBox* Box;
        bool ::UserSettings::*Field;
        void (TUserSettingsForm::*Changed)();
    };
    QList<FlagBox> FlagBoxes;

    // EditedSettings as they were when the window opened or a file was last loaded or saved;
    // a cancel goes back to them.
    ::UserSettings SettingsAtLastCheckpoint;
    bool Advanced = false;
};
